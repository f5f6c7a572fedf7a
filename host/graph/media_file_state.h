// The inside of a MediaFile, shared by the files that open, read and seek it: FFmpeg's
// demuxer and decoders for the file's first picture and sound streams, and where reading
// has got to.
#pragma once
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/graph/media_file.h"
#include "host/graph/picture_rows.h"

namespace host::graph {

inline constexpr REFERENCE_TIME kUnitsPerSecond = 10000000;
inline constexpr AVRational kUnits{1, int(kUnitsPerSecond)};
inline constexpr REFERENCE_TIME kDefaultFrameTime = kUnitsPerSecond / 25;
// The farthest time from a file's zero the graph counts, about 900 years: past any movie's,
// and far enough from the limits of 64 bits that sums and differences of a few such times
// never overflow (a damaged or crafted file's times may be anything).
inline constexpr REFERENCE_TIME kFarthest = REFERENCE_TIME(1) << 58;

// A stream time in 100 ns, held within kFarthest either side of 0.
REFERENCE_TIME Units(int64_t stamp, AVRational base);
// The other way: a time in 100 ns in the stream's base, held within 64 bits where the
// base is too fine for it (never AV_NOPTS_VALUE).
int64_t Stamp(REFERENCE_TIME units, AVRational base);

struct FormatCloser {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct ResamplerFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

using Codec = std::unique_ptr<AVCodecContext, CodecCloser>;

// Where the streams of a movie end, from the container's start.
struct StreamEnds {
    REFERENCE_TIME all = 0;       // the last picture's or sound's
    REFERENCE_TIME pictures = 0;  // the last picture's
};

struct MediaFile::State {
    std::string path;
    PictureCheck fits;
    // The picture streams claiming a size `fits` refuses, found at the first open.
    std::optional<std::vector<int>> refusedPictures;
    std::unique_ptr<AVFormatContext, FormatCloser> format;
    std::unique_ptr<AVPacket, PacketFree> packet{av_packet_alloc()};
    std::unique_ptr<AVFrame, FrameFree> frame{av_frame_alloc()};
    REFERENCE_TIME startOffset = 0;
    REFERENCE_TIME duration = 0;  // found at open: how far the streams reach
    REFERENCE_TIME pictureStart = 0;  // the first picture's time, where frame 0 starts
    int64_t lastFrame = 0;            // the last picture's frame: a longer sound plays on under it
    REFERENCE_TIME skipBefore = 0;
    bool ended = false;
    // Parts of a joined file: how far the times read are moved on; where the stream that
    // tells a part's start and the other started in the first part and have reached;
    // whether any part was met (seeks then read from the start, as the times the demuxer
    // seeks by are each part's own), and whether the packet last read starts one.
    struct StreamReach {
        std::optional<REFERENCE_TIME> first, end;
    };
    REFERENCE_TIME joinShift = 0;
    StreamReach told, other;
    bool joined = false, partStarts = false;
    std::string failure;  // why the file was refused, or ended early

    int videoIndex = -1;
    Codec video;
    bool videoWanted = true;
    std::unique_ptr<PictureRows> pictures;
    int32_t width = 0, height = 0, pitch = 0;
    REFERENCE_TIME frameTime = kDefaultFrameTime, nextPicture = 0;
    // The picture handed out next, with room behind it for the scaler; sized when a
    // picture comes, as the sink may have taken the last one's.
    std::vector<uint8_t> rgb;

    int soundIndex = -1;
    Codec sound;
    std::unique_ptr<SwrContext, ResamplerFree> resampler;
    // What the resampler was made for: a damaged stream may change any of it midway.
    int resamplerFormat = -1, resamplerRate = 0;
    AVChannelLayout resamplerLayout{};
    uint32_t rate = 0;
    REFERENCE_TIME nextSound = 0;
    std::vector<uint8_t> pcm;

    ~State() { av_channel_layout_uninit(&resamplerLayout); }
    bool Fail(std::string why) {
        failure = std::move(why);
        return false;
    }
    bool PicturesRefused() const;
    // Without `findStart` the movie's zero and length are left for the caller to set.
    bool Open(uint32_t soundRate, bool findStart);
    bool OpenFormat();
    bool OpenDecoders();
    bool Reopen();
    // The demuxer goes to a keyframe of the picture stream at or before `time` of the movie.
    bool SeekFormat(REFERENCE_TIME time);
    bool SeekDemuxer(REFERENCE_TIME time);
    bool AtKeyframe();
    // av_read_frame's result, the packet's times moved on past the joins met.
    int ReadPacket();
    void FollowOn(AVPacket& p);
    REFERENCE_TIME PartShift(REFERENCE_TIME at) const;
    void ForgetReached() { told = other = {}, joinShift = 0; }
    StreamEnds EndFrom(REFERENCE_TIME from, bool decode);
    REFERENCE_TIME PacketEnd(const AVPacket& p) const;
    REFERENCE_TIME LeadIn();
    REFERENCE_TIME TimeOf(const AVFrame& f, int index, REFERENCE_TIME fallback) const;
    int64_t SinceFirstPicture(REFERENCE_TIME time) const;
    int64_t FrameOf(REFERENCE_TIME start) const;
    int64_t FrameAt(REFERENCE_TIME time) const;
    REFERENCE_TIME FrameStart(int64_t number) const;
    // Hands each frame `c` gives for `p` (null: what it still holds) to `take`.
    template <class Take>
    void Decode(AVCodecContext* c, const AVPacket* p, Take take);
    bool ReservePictures();
    void HandPicture(MediaSink& sink);
    void HandSound(MediaSink& sink);
    bool MakeResampler(const AVFrame& f);
};

template <class Take>
void MediaFile::State::Decode(AVCodecContext* c, const AVPacket* p, Take take) {
    // A damaged packet is passed over; the decoder goes on with the next one.
    if (avcodec_send_packet(c, p) < 0 && p) return;
    while (avcodec_receive_frame(c, frame.get()) == 0) {
        take();
        av_frame_unref(frame.get());
    }
}

}  // namespace host::graph
