#include "av_movie_maker.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
}

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <numeric>

namespace movie_test {

namespace {

constexpr int kSoundRate = 44100;

struct Encoder {
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    ~Encoder() { avcodec_free_context(&codec); }
};

struct Output {
    AVFormatContext* format = nullptr;
    ~Output() {
        if (format && format->pb) avio_closep(&format->pb);
        avformat_free_context(format);
    }
};

const char* ContainerOf(AvKind kind) {
    switch (kind) {
    case AvKind::Mpeg1Ps:
    case AvKind::H264Ps: return "mpeg";
    case AvKind::Mpeg4Avi:
    case AvKind::MjpegAvi: return "avi";
    case AvKind::Mpeg4Mkv: return "matroska";
    case AvKind::H264Mp4: return "mp4";
    case AvKind::Wmv2Asf: return "asf";
    case AvKind::H264Bare: return "h264";
    case AvKind::TheoraOgg: return "ogg";
    }
    return "avi";
}

struct Codecs {
    AVCodecID video, sound;
};

Codecs CodecsOf(AvKind kind) {
    switch (kind) {
    case AvKind::Mpeg1Ps: return {AV_CODEC_ID_MPEG1VIDEO, AV_CODEC_ID_MP2};
    case AvKind::H264Mp4:
    case AvKind::H264Bare: return {AV_CODEC_ID_H264, AV_CODEC_ID_AAC};
    case AvKind::H264Ps: return {AV_CODEC_ID_H264, AV_CODEC_ID_MP2};
    case AvKind::Wmv2Asf: return {AV_CODEC_ID_WMV2, AV_CODEC_ID_WMAV2};
    case AvKind::TheoraOgg: return {AV_CODEC_ID_THEORA, AV_CODEC_ID_VORBIS};
    case AvKind::MjpegAvi: return {AV_CODEC_ID_MJPEG, AV_CODEC_ID_MP2};
    default: return {AV_CODEC_ID_MPEG4, AV_CODEC_ID_MP2};
    }
}

bool OpenEncoder(Output& out, Encoder& e, const AVCodec* codec, const AvMovie& m) {
    if (!codec) return false;
    e.stream = avformat_new_stream(out.format, nullptr);
    e.codec = avcodec_alloc_context3(codec);
    AVCodecContext* c = e.codec;
    if (codec->type == AVMEDIA_TYPE_VIDEO) {
        c->width = m.width;
        c->height = m.height;
        c->time_base = {1, m.fps};
        c->framerate = {m.fps, 1};
        c->pix_fmt = m.layout;
        c->color_range = m.range;
        c->colorspace = m.matrix;
        c->gop_size = 10;
        c->max_b_frames = 0;
        // Coarse enough that a block turning from black to white keeps within MPEG-1's
        // range of coefficients in one predicted picture.
        c->qmin = c->qmax = 8;
        c->bit_rate = 2000000;
    } else {
        // 16-bit interleaved where the encoder takes it, else planar float.
        c->sample_fmt = AV_SAMPLE_FMT_FLTP;
        for (const AVSampleFormat* f = codec->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == AV_SAMPLE_FMT_S16) c->sample_fmt = AV_SAMPLE_FMT_S16;
        c->sample_rate = kSoundRate;
        c->time_base = {1, kSoundRate};
        c->bit_rate = 192000;
        av_channel_layout_default(&c->ch_layout, m.channels);
    }
    if (out.format->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(c, codec, nullptr) < 0 || avcodec_parameters_from_context(e.stream->codecpar, c) < 0) return false;
    e.stream->time_base = c->time_base;
    return true;
}

// Flat runs are filled at once: the tests' pictures reach 8K, and the tests run unoptimised
// under the sanitizers.
void DrawPicture(AVFrame* f, int number, const AvMovie& m) {
    const int picture = m.alphaRight ? m.width / 2 : m.width, block = picture / 8;
    for (int y = 0; y < m.height; ++y) {
        uint8_t* row = f->data[0] + ptrdiff_t(y) * f->linesize[0];
        if (y >= 16 && !m.busy) std::memset(row, kLowerY, size_t(picture));
        for (int x = 0; x < picture && (y < 16 || m.busy); ++x) {
            // Columns past the eighth block (a width not a multiple of 8) are the last block's.
            const int band = (number >> (7 - std::min(x / block, 7)) & 1) ? 235 : 16;
            row[x] = uint8_t(y < 16 ? band : ((x * 3 + y * 2 + number * 5) ^ (x * y >> 3)) & 255);
        }
        for (int x = picture; x < m.width; ++x) row[x] = uint8_t(AlphaOf(x - picture));
    }
    const AVPixFmtDescriptor* layout = av_pix_fmt_desc_get(m.layout);
    if (layout->nb_components < 3) return;  // grey: no chroma planes
    const int across = layout->log2_chroma_w, down = layout->log2_chroma_h;
    const int width = m.width >> across;
    for (int y = 0; y < m.height >> down; ++y) {
        // The lower part is the samples whose first pixel lies below the band, in the picture.
        const int lower = (y << down) >= 16 ? std::min((picture + (1 << across) - 1) >> across, width) : 0;
        for (const auto& [plane, value] : {std::pair{1, kLowerU}, std::pair{2, kLowerV}}) {
            uint8_t* row = f->data[plane] + ptrdiff_t(y) * f->linesize[plane];
            std::memset(row, value, size_t(lower));
            std::memset(row + lower, 128, size_t(width - lower));
        }
    }
}

void FillSound(AVFrame* f, int64_t first, const AvMovie& m) {
    for (int i = 0; i < f->nb_samples; ++i) {
        const double s = m.level * std::sin(2 * M_PI * 440.0 * double(first + i) / kSoundRate);
        for (int c = 0; c < m.channels; ++c) {
            if (f->format == AV_SAMPLE_FMT_S16)
                reinterpret_cast<int16_t*>(f->data[0])[m.channels * i + c] = int16_t(std::lround(32767.0 * s));
            else
                reinterpret_cast<float*>(f->data[c])[i] = float(s);
        }
    }
}

// Sends a frame (null: the end) and writes every packet that comes out.
bool Send(Output& out, Encoder& e, AVFrame* frame, bool lagged) {
    if (avcodec_send_frame(e.codec, frame) < 0) return false;
    AVPacket* p = av_packet_alloc();
    while (avcodec_receive_packet(e.codec, p) == 0) {
        av_packet_rescale_ts(p, e.codec->time_base, e.stream->time_base);
        p->stream_index = e.stream->index;
        // The muxer's own interleaving would undo a lag the movie asks for.
        if (lagged) av_write_frame(out.format, p);
        else av_interleaved_write_frame(out.format, p);
    }
    av_packet_free(&p);
    return true;
}

}  // namespace

std::string WriteAvMovie(const std::string& path, const AvMovie& m) {
    av_log_set_level(AV_LOG_QUIET);
    Output out;
    const char* container = m.container ? m.container : ContainerOf(m.kind);
    if (avformat_alloc_output_context2(&out.format, nullptr, container, path.c_str()) < 0) return "container";
    Encoder video, sound;
    const Codecs codecs = CodecsOf(m.kind);
    const AVCodec* pictures = m.pictureEncoder ? avcodec_find_encoder_by_name(m.pictureEncoder)
                                               : avcodec_find_encoder(codecs.video);
    if (!OpenEncoder(out, video, pictures, m)) return "video encoder";
    if (m.soundSeconds > 0 && !OpenEncoder(out, sound, avcodec_find_encoder(codecs.sound), m)) return "sound encoder";
    if (avio_open(&out.format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return "file";
    if (avformat_write_header(out.format, nullptr) < 0) return "header";
    std::unique_ptr<AVFrame, void (*)(AVFrame*)> picture(av_frame_alloc(), [](AVFrame* f) { av_frame_free(&f); });
    picture->format = m.layout;
    picture->width = m.width;
    picture->height = m.height;
    av_frame_get_buffer(picture.get(), 0);
    std::unique_ptr<AVFrame, void (*)(AVFrame*)> pcm(av_frame_alloc(), [](AVFrame* f) { av_frame_free(&f); });
    const int64_t soundSamples = int64_t(m.soundSeconds * kSoundRate);
    int64_t soundDone = 0;
    const bool lagged = m.soundLag > 0;
    for (int i = 0; i < m.frames || soundDone < soundSamples;) {
        // Whichever stream is behind (the sound by its lag) goes next, so the file is
        // interleaved by time.
        const bool pictureNext =
            i < m.frames && (soundDone >= soundSamples || double(i) / m.fps <= double(soundDone) / kSoundRate + m.soundLag);
        if (pictureNext) {
            av_frame_make_writable(picture.get());
            DrawPicture(picture.get(), i, m);
            picture->pts = i++;
            if (!Send(out, video, picture.get(), lagged)) return "video frame";
            continue;
        }
        av_frame_unref(pcm.get());
        pcm->format = sound.codec->sample_fmt;
        pcm->sample_rate = kSoundRate;
        av_channel_layout_default(&pcm->ch_layout, m.channels);
        pcm->nb_samples = sound.codec->frame_size;
        av_frame_get_buffer(pcm.get(), 0);
        FillSound(pcm.get(), soundDone, m);
        pcm->pts = soundDone;
        soundDone += pcm->nb_samples;
        if (!Send(out, sound, pcm.get(), lagged)) return "sound frame";
    }
    Send(out, video, nullptr, lagged);
    if (sound.codec) Send(out, sound, nullptr, lagged);
    if (av_write_trailer(out.format) < 0) return "trailer";
    return {};
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

size_t OggPagesBytes(const std::vector<uint8_t>& file, int pages, size_t at) {
    const size_t first = at;
    for (int page = 0; page < pages; ++page) {
        const uint8_t segments = file[at + 26];
        at += 27 + segments + std::accumulate(&file[at + 27], &file[at + 27 + segments], size_t{0});
    }
    return at - first;
}

bool WriteSplitFile(const std::string& path, const std::vector<uint8_t>& file, size_t kept, int64_t restAt) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const size_t rest = file.size() - kept;
    const bool written = pwrite(fd, file.data(), kept, 0) == ssize_t(kept) &&
                         pwrite(fd, file.data() + kept, rest, off_t(restAt)) == ssize_t(rest);
    return close(fd) == 0 && written;
}

bool DecodeAvPictures(const std::string& path, const std::function<void(const AVFrame&)>& take) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return false;
    const AVCodec* codec = nullptr;
    const int index = avformat_find_stream_info(format, nullptr) < 0
                          ? -1
                          : av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    AVCodecContext* c = index < 0 ? nullptr : avcodec_alloc_context3(codec);
    const bool open = c && avcodec_parameters_to_context(c, format->streams[index]->codecpar) >= 0 &&
                      avcodec_open2(c, codec, nullptr) >= 0;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto decode = [&](const AVPacket* p) {
        avcodec_send_packet(c, p);
        while (avcodec_receive_frame(c, frame) == 0) take(*frame);
    };
    while (open && av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == index) decode(packet);
        av_packet_unref(packet);
    }
    if (open) decode(nullptr);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&c);
    avformat_close_input(&format);
    return open;
}

bool PatchRiff(std::vector<uint8_t>& riff, const char* chunk, size_t offset, const void* data, size_t size) {
    const auto at = std::search(riff.begin(), riff.end(), chunk, chunk + 4);
    if (riff.end() - at < ptrdiff_t(offset + size)) return false;
    std::memcpy(&*at + offset, data, size);
    return true;
}

}  // namespace movie_test

namespace movie_test {

std::string WriteMp2ChangingChannels(const std::string& path, double seconds) {
    std::ofstream out(path, std::ios::binary);
    for (int channels : {2, 1}) {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MP2);
        AVCodecContext* c = avcodec_alloc_context3(codec);
        c->sample_fmt = AV_SAMPLE_FMT_S16;
        c->sample_rate = kSoundRate;
        c->bit_rate = 128000;
        av_channel_layout_default(&c->ch_layout, channels);
        if (avcodec_open2(c, codec, nullptr) < 0) return "encoder";
        AVFrame* f = av_frame_alloc();
        AVPacket* p = av_packet_alloc();
        for (int64_t done = 0; done < int64_t(seconds * kSoundRate); done += c->frame_size) {
            f->format = AV_SAMPLE_FMT_S16;
            f->sample_rate = kSoundRate;
            av_channel_layout_default(&f->ch_layout, channels);
            f->nb_samples = c->frame_size;
            av_frame_get_buffer(f, 0);
            auto* pcm = reinterpret_cast<int16_t*>(f->data[0]);
            for (int i = 0; i < f->nb_samples * channels; ++i)
                pcm[i] = int16_t(16000 * std::sin(2 * M_PI * 440.0 * double(done + i / channels) / kSoundRate));
            avcodec_send_frame(c, f);
            av_frame_unref(f);
            while (avcodec_receive_packet(c, p) == 0) {
                out.write(reinterpret_cast<const char*>(p->data), p->size);
                av_packet_unref(p);
            }
        }
        av_packet_free(&p);
        av_frame_free(&f);
        avcodec_free_context(&c);
    }
    return out ? "" : "file";
}

}  // namespace movie_test
