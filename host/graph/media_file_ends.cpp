// Where a movie's streams end, found at open by reading the file's last part, and seeks
// that land where the picture decoder can start.
#include <algorithm>

#include "host/graph/media_file_state.h"

namespace host::graph {

bool MediaFile::State::SeekDemuxer(REFERENCE_TIME time) {
    const int64_t target = av_rescale_q(time + startOffset, kUnits, AV_TIME_BASE_Q);
    ForgetReached();
    return avformat_seek_file(format.get(), -1, INT64_MIN, target, target, 0) >= 0;
}

// Whether the next picture packet is a keyframe, where the decoder can start.
bool MediaFile::State::AtKeyframe() {
    while (ReadPacket() >= 0) {
        const bool picture = packet->stream_index == videoIndex, key = packet->flags & AV_PKT_FLAG_KEY;
        av_packet_unref(packet.get());
        if (picture) return key;
    }
    return false;
}

// Some demuxers (MPEG program streams) go to the packet nearest the time, keyframe or not,
// where the decoder cannot start: the pictures up to the next keyframe would be lost, the
// one sought among them. The seek then goes back by steps that double until it lands on a
// keyframe, and false once that would be the start.
bool MediaFile::State::SeekFormat(REFERENCE_TIME time) {
    for (REFERENCE_TIME back = 0; back < time; back = std::max(2 * back, kUnitsPerSecond)) {
        if (!SeekDemuxer(time - back)) return false;
        if (!video || AtKeyframe()) return SeekDemuxer(time - back);
    }
    return false;
}

// Where the movie's last picture or sound ends, and where its last picture does, read from
// the keyframe at or before `from` to the end of the file (from its start for 0, or where
// the demuxer cannot seek): a container's length may end where its last picture starts, or
// claim more than the file holds. Packets carry their times; the picture stream's are decoded (`decode`) where some
// carry none (an MPEG program stream times only the first picture of each of its packets,
// and a small movie's whole stream may fit in one), so its pictures are timed as they play.
// Read whole, a stream without times is one picture a packet (a bare H.264 stream).
StreamEnds MediaFile::State::EndFrom(REFERENCE_TIME from, bool decode) {
    const bool whole = from <= 0 || !SeekFormat(from);
    if (whole && !Reopen()) return {};
    if (video) avcodec_flush_buffers(video.get());
    StreamEnds end;
    REFERENCE_TIME next = 0;
    int64_t pictures = 0;
    bool untimed = false;
    const auto reach = [&](REFERENCE_TIME time, bool isVideo) {
        end.all = std::max(end.all, time);
        if (isVideo) end.pictures = std::max(end.pictures, time);
    };
    const auto picture = [&] {
        next = TimeOf(*frame, videoIndex, next) + frameTime;
        reach(next, true);
    };
    while (ReadPacket() >= 0) {
        const AVPacket& p = *packet;
        const bool isVideo = p.stream_index == videoIndex;
        // A packet the container leaves out (past the end of an MP4's edit list) is not played.
        const bool played = (isVideo || p.stream_index == soundIndex) && !(p.flags & AV_PKT_FLAG_DISCARD);
        if (played && p.pts != AV_NOPTS_VALUE) reach(PacketEnd(p), isVideo);
        untimed = untimed || (isVideo && p.pts == AV_NOPTS_VALUE);
        pictures += isVideo && played;
        if (isVideo && decode) Decode(video.get(), &p, picture);
        av_packet_unref(packet.get());
    }
    if (decode) Decode(video.get(), nullptr, picture);
    if (whole) reach(pictures * frameTime, true);
    return untimed && !decode && !whole ? EndFrom(from, true) : end;
}

}  // namespace host::graph
