// Ogg Theora movies made in the tests: 32 x 32 frames at 10 frames a second whose top
// half and bottom half are each one flat Y'CbCr colour chosen per frame, with keyframes
// every few frames, in any of Theora's chroma layouts, optionally with a Vorbis sine track
// in the same file.
#pragma once
#include <theora/theoraenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "../sound/ogg_encoder.h"

namespace movie_test {

struct Yuv {
    int y, u, v;
};

// The colours of frame i: top half, bottom half.
struct FramePair {
    Yuv top, bottom;
};

inline FramePair DefaultFrame(int i) { return {{40 + 15 * i % 180, 90, 200}, {180, 128, 128}}; }
// Frame colours that move chroma as well as luma, and differ in chroma between the halves.
inline FramePair ChromaFrame(int i) { return {{60 + 9 * i, 70 + 11 * i, 200 - 7 * i}, {200 - 5 * i, 150, 60 + 13 * i}}; }

constexpr int kSide = 32;
constexpr int kRate = 10;

struct TheoraPages {
    std::vector<uint8_t> headers, data;
};

inline void FillPlane(std::vector<uint8_t>& plane, int width, int height, int top, int bottom) {
    plane.assign(size_t(width) * size_t(height), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) plane[size_t(y * width + x)] = uint8_t(y < height / 2 ? top : bottom);
}

// How a movie's pictures are stored.
struct TheoraShape {
    th_pixel_fmt layout = TH_PF_420;
    // Sides the identification header states in place of the true ones (0: the true
    // ones), as a crafted file may.
    int claimedWidth = 0, claimedHeight = 0;
    // The first frame's packet one the decoder refuses, as a crafted file's may be.
    bool refusedFirstFrame = false;
    // A busy band across the middle of each picture, and pages of one 255-byte segment,
    // so that keyframes' packets run over several pages, as large ones do in real files.
    bool packetsOverPages = false;
};

// The identification header claiming a picture of width x height.
inline std::vector<uint8_t> ClaimSize(const ogg_packet& header, int width, int height) {
    std::vector<uint8_t> bytes(header.packet, header.packet + header.bytes);
    const int across = (width + 15) / 16, down = (height + 15) / 16;
    const uint8_t sizes[10] = {uint8_t(across >> 8), uint8_t(across), uint8_t(down >> 8), uint8_t(down),
                               uint8_t(width >> 16), uint8_t(width >> 8), uint8_t(width),
                               uint8_t(height >> 16), uint8_t(height >> 8), uint8_t(height)};
    std::copy(std::begin(sizes), std::end(sizes), bytes.begin() + 10);  // frame and picture sizes
    return bytes;
}

// A keyframe's packet with the three reserved bits of its header set, which follow the
// packet and frame type bits and one to three quality indices (each but the third with a
// bit saying whether another follows).
inline std::vector<uint8_t> RefusedKeyframe(const ogg_packet& packet) {
    std::vector<uint8_t> bytes(packet.packet, packet.packet + packet.bytes);
    const auto bit = [&](size_t i) { return bytes[i / 8] >> (7 - i % 8) & 1; };
    const size_t reserved = !bit(8) ? 9 : !bit(15) ? 16 : 22;
    for (size_t i = reserved; i < reserved + 3; ++i) bytes[i / 8] |= uint8_t(0x80 >> i % 8);
    return bytes;
}

// The page cut into pages of one segment each, numbered on from `sequence` (-1: from the
// page's own number): a packet of more than 255 bytes then runs over several pages.
inline void AppendSegmentPages(std::vector<uint8_t>& out, const ogg_page& page, long& sequence) {
    if (sequence < 0) sequence = ogg_page_pageno(&page);
    const int segments = page.header[26];
    int lastEnd = segments - 1;
    while (lastEnd > 0 && page.header[27 + lastEnd] == 255) --lastEnd;
    bool continues = ogg_page_continued(&page);
    long body = 0;
    for (int i = 0; i < segments; ++i) {
        const uint8_t lacing = page.header[27 + i];
        std::vector<uint8_t> header(page.header, page.header + 27);
        header.push_back(lacing);
        const int first = i == 0 ? page.header[5] & 2 : 0, last = i == segments - 1 ? page.header[5] & 4 : 0;
        header[5] = uint8_t((continues ? 1 : 0) | first | last);
        const uint64_t granule = i == lastEnd ? uint64_t(ogg_page_granulepos(&page)) : ~uint64_t{0};
        for (int b = 0; b < 8; ++b) header[size_t(6 + b)] = uint8_t(granule >> (8 * b));
        for (int b = 0; b < 4; ++b) header[size_t(18 + b)] = uint8_t(uint64_t(sequence) >> (8 * b));
        header[26] = 1;
        ogg_page piece{header.data(), long(header.size()), page.body + body, lacing};
        ogg_page_checksum_set(&piece);
        sound_test::AppendPage(out, piece);
        body += lacing;
        continues = lacing == 255;
        ++sequence;
    }
}

inline TheoraPages EncodeTheora(int frames, const std::function<FramePair(int)>& colours, int keyEvery, int serial,
                                const TheoraShape& shape = {}) {
    th_info info;
    th_info_init(&info);
    info.frame_width = info.pic_width = kSide;
    info.frame_height = info.pic_height = kSide;
    info.fps_numerator = kRate;
    info.fps_denominator = 1;
    info.pixel_fmt = shape.layout;
    info.quality = 63;
    info.keyframe_granule_shift = 6;
    th_enc_ctx* enc = th_encode_alloc(&info);
    int key = keyEvery;
    th_encode_ctl(enc, TH_ENCCTL_SET_KEYFRAME_FREQUENCY_FORCE, &key, sizeof key);
    th_comment comment;
    th_comment_init(&comment);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);
    TheoraPages out;
    ogg_packet packet;
    ogg_page page;
    bool first = true;
    while (th_encode_flushheader(enc, &comment, &packet) > 0) {
        std::vector<uint8_t> claimed;
        if (first && shape.claimedWidth) {
            claimed = ClaimSize(packet, shape.claimedWidth, shape.claimedHeight);
            packet.packet = claimed.data();
        }
        ogg_stream_packetin(&stream, &packet);
        // The identification header gets a page of its own, as every first page must.
        if (first)
            while (ogg_stream_flush(&stream, &page)) sound_test::AppendPage(out.headers, page);
        first = false;
    }
    while (ogg_stream_flush(&stream, &page)) sound_test::AppendPage(out.data, page);
    std::vector<uint8_t> y, u, v;
    long sequence = -1;
    const int chromaWidth = shape.layout == TH_PF_444 ? kSide : kSide / 2;
    const int chromaHeight = shape.layout == TH_PF_420 ? kSide / 2 : kSide;
    for (int i = 0; i < frames; ++i) {
        const FramePair c = colours(i);
        FillPlane(y, kSide, kSide, c.top.y, c.bottom.y);
        for (int row = 8; shape.packetsOverPages && row < 24; ++row)
            for (int x = 0; x < kSide; ++x) y[size_t(row * kSide + x)] = uint8_t((x * 37 + row * 91) * 13);
        FillPlane(u, chromaWidth, chromaHeight, c.top.u, c.bottom.u);
        FillPlane(v, chromaWidth, chromaHeight, c.top.v, c.bottom.v);
        th_ycbcr_buffer buffer = {{kSide, kSide, kSide, y.data()},
                                  {chromaWidth, chromaHeight, chromaWidth, u.data()},
                                  {chromaWidth, chromaHeight, chromaWidth, v.data()}};
        th_encode_ycbcr_in(enc, buffer);
        while (th_encode_packetout(enc, i == frames - 1, &packet) > 0) {
            std::vector<uint8_t> refused;
            if (i == 0 && shape.refusedFirstFrame) {
                refused = RefusedKeyframe(packet);
                packet.packet = refused.data();
            }
            ogg_stream_packetin(&stream, &packet);
            // Small pages, so that seeks have pages to choose from.
            while (ogg_stream_flush(&stream, &page)) {
                if (shape.packetsOverPages) AppendSegmentPages(out.data, page, sequence);
                else sound_test::AppendPage(out.data, page);
            }
        }
    }
    ogg_stream_clear(&stream);
    th_comment_clear(&comment);
    th_encode_free(enc);
    th_info_clear(&info);
    return out;
}

// A whole file: the Vorbis track, when there is one, follows the video's pages, its first
// page among the stream-starting ones.
inline std::vector<uint8_t> JoinMovie(const TheoraPages& video, std::vector<uint8_t> sound) {
    std::vector<uint8_t> file = video.headers;
    if (!sound.empty()) {
        // The sound's first page (its identification header) joins the first pages.
        size_t firstPage = 27 + sound[26];
        for (int i = 0; i < sound[26]; ++i) firstPage += sound[size_t(27 + i)];
        file.insert(file.end(), sound.begin(), sound.begin() + long(firstPage));
        sound.erase(sound.begin(), sound.begin() + long(firstPage));
    }
    file.insert(file.end(), video.data.begin(), video.data.end());
    file.insert(file.end(), sound.begin(), sound.end());
    return file;
}

constexpr long kTrackRate = 44100, kTrackSamplesPerFrame = kTrackRate / kRate;

// With sound, 0.1 s of 440 Hz sine (level 0.5) per frame.
inline std::vector<uint8_t> MakeMovie(int frames, bool withSound = false,
                                        const std::function<FramePair(int)>& colours = DefaultFrame,
                                        int keyEvery = 4) {
    std::vector<uint8_t> sound;
    if (withSound) sound = sound_test::OggSine(long(frames) * kTrackSamplesPerFrame, 2, kTrackRate, 440.0, 9);
    return JoinMovie(EncodeTheora(frames, colours, keyEvery, 7), std::move(sound));
}

// A movie whose sound is a 440 Hz sine at level(i) (full scale 1) during frame i, so
// that the level heard tells the frame the sound is at.
inline std::vector<uint8_t> MakeMovieWithLevels(int frames, const std::function<double(int)>& level) {
    const auto tone = [&](long i) {
        const double t = double(i) / double(kTrackRate);
        return float(level(int(i / kTrackSamplesPerFrame)) * std::sin(2.0 * M_PI * 440.0 * t));
    };
    return JoinMovie(EncodeTheora(frames, DefaultFrame, 4, 7),
                     sound_test::OggTone(long(frames) * kTrackSamplesPerFrame, 2, kTrackRate, tone, 9));
}

}  // namespace movie_test
