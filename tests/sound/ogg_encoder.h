// Ogg Vorbis files made in the tests with libvorbisenc: a sine tone of a given length,
// channel count and rate, as a complete file image. A header rate other than 0 is written
// into the identification header in place of the real one, as a hostile file would.
#pragma once
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace sound_test {

inline void AppendPage(std::vector<uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// Any tone: sample(i) gives the value (full scale 1) of sample frame i on every channel.
inline std::vector<uint8_t> OggTone(long frames, int channels, long rate, const std::function<float(long)>& sample,
                                    int serial = 1, uint32_t headerRate = 0) {
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_encode_init_vbr(&info, channels, rate, 0.3f);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);
    ogg_packet header, commentPacket, codebooks;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentPacket, &codebooks);
    // The rate follows the packet type, "vorbis", the version and the channel count.
    for (int i = 0; headerRate != 0 && i < 4; ++i) header.packet[12 + i] = uint8_t(headerRate >> (8 * i));
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentPacket);
    ogg_stream_packetin(&stream, &codebooks);
    std::vector<uint8_t> out;
    ogg_page page;
    while (ogg_stream_flush(&stream, &page)) AppendPage(out, page);
    auto drain = [&] {
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page)) AppendPage(out, page);
            }
        }
    };
    for (long done = 0; done < frames;) {
        const long n = frames - done < 1024 ? frames - done : 1024;
        float** buffer = vorbis_analysis_buffer(&dsp, int(n));
        for (long i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                buffer[c][i] = sample(done + i);
        vorbis_analysis_wrote(&dsp, int(n));
        drain();
        done += n;
    }
    vorbis_analysis_wrote(&dsp, 0);
    drain();
    while (ogg_stream_flush(&stream, &page)) AppendPage(out, page);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

inline std::vector<uint8_t> OggSine(long frames, int channels, long rate, double hertz = 440.0, int serial = 1,
                                    uint32_t headerRate = 0) {
    const auto sine = [=](long i) { return float(0.5 * std::sin(2.0 * M_PI * hertz * double(i) / double(rate))); };
    return OggTone(frames, channels, rate, sine, serial, headerRate);
}

}  // namespace sound_test
