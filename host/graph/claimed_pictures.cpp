#include "host/graph/claimed_pictures.h"

#include <algorithm>
#include <utility>

#include "host/graph/media_file_state.h"

namespace host::graph {

namespace {

// The start of a file read for the sizes its pictures claim, which a picture stream gives
// in its first headers.
constexpr int kClaimPackets = 64;
constexpr int64_t kClaimBytes = int64_t(4) << 20;

struct ParserClose {
    void operator()(AVCodecParserContext* p) const { av_parser_close(p); }
};

// One picture stream's parser, which reads sizes from the stream's headers (MPEG-1, -2
// and -4 video, H.264, HEVC...), and the sizes it has claimed so far.
class StreamClaims {
public:
    explicit StreamClaims(const AVStream& s) {
        const AVCodecParameters& p = *s.codecpar;
        if (p.codec_type != AVMEDIA_TYPE_VIDEO) return;
        video_ = true;
        Claim(p.width, p.height);
        codec_.reset(avcodec_alloc_context3(nullptr));
        if (codec_ && avcodec_parameters_to_context(codec_.get(), &p) >= 0) parser_.reset(av_parser_init(p.codec_id));
    }

    void Read(const AVPacket& packet) {
        for (int at = 0; parser_ && at < packet.size;) {
            uint8_t* out = nullptr;
            int outSize = 0;
            const int used = av_parser_parse2(parser_.get(), codec_.get(), &out, &outSize, packet.data + at,
                                              packet.size - at, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            if (used <= 0) break;
            at += used;
            Claim(parser_->width, parser_->height);
        }
    }

    bool Refused(const PictureCheck& fits) const {
        return std::any_of(claims_.begin(), claims_.end(), [&](const auto& c) { return !fits(c.first, c.second); });
    }
    bool Video() const { return video_; }

private:
    void Claim(int width, int height) {
        const std::pair<int32_t, int32_t> size{width, height};
        if (width > 0 && height > 0 && std::find(claims_.begin(), claims_.end(), size) == claims_.end())
            claims_.push_back(size);
    }

    Codec codec_;
    std::unique_ptr<AVCodecParserContext, ParserClose> parser_;
    std::vector<std::pair<int32_t, int32_t>> claims_;
    bool video_ = false;
};

}  // namespace

// The file is opened on its own and its packets read as the demuxer gives them (without
// FFmpeg's own parsers, which would gather a whole picture however large), so that the
// file the caller has open stays at its start.
std::vector<int> RefusedPictureStreams(const std::string& path, const PictureCheck& fits) {
    AVFormatContext* f = avformat_alloc_context();
    if (!f) return {};
    f->flags |= AVFMT_FLAG_NOPARSE;
    if (avformat_open_input(&f, path.c_str(), nullptr, nullptr) < 0) return {};
    const std::unique_ptr<AVFormatContext, FormatCloser> format(f);
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::vector<std::unique_ptr<StreamClaims>> streams;
    const auto follow = [&] {
        while (streams.size() < f->nb_streams)
            streams.push_back(std::make_unique<StreamClaims>(*f->streams[streams.size()]));
    };
    follow();
    int64_t bytes = 0;
    for (int n = 0; packet && n < kClaimPackets && bytes < kClaimBytes && av_read_frame(f, packet.get()) >= 0; ++n) {
        follow();  // a stream may first show with its first packet
        bytes += packet->size;
        streams[size_t(packet->stream_index)]->Read(*packet);
        av_packet_unref(packet.get());
    }
    follow();
    std::vector<int> refused;
    for (size_t i = 0; i < streams.size(); ++i)
        if (streams[i]->Video() && streams[i]->Refused(fits)) refused.push_back(int(i));
    return refused;
}

}  // namespace host::graph
