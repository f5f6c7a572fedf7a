// A movie file's times: stream times in 100 ns from the movie's zero, saturated where a
// damaged or crafted file's times pass any a movie holds; parts of a file joined to
// another whose times start again, moved on to follow what came before; and frames
// counted from the first picture.
#include <algorithm>

#include "host/graph/media_file_state.h"

namespace host::graph {

namespace {

// A packet whose time goes back further than this behind where its stream had reached
// starts a part of a joined file; less is the jitter of a muxer's rounding.
constexpr REFERENCE_TIME kJoinBack = kUnitsPerSecond / 10;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b < 0); }

// `stamp` moved by `by`, both in the stream's base, held within 64 bits.
int64_t Moved(int64_t stamp, int64_t by) {
    int64_t moved = 0;
    if (stamp == AV_NOPTS_VALUE) return stamp;
    if (__builtin_add_overflow(stamp, by, &moved)) return by < 0 ? INT64_MIN + 1 : INT64_MAX;
    return moved;
}

// `a` / `b` (b > 0) rounded to the nearest, halves away from zero, as FFmpeg rescales.
__int128 RoundedQuotient(__int128 a, __int128 b) {
    const __int128 half = b / 2;
    return a >= 0 ? (a + half) / b : -((half - a) / b);
}

}  // namespace

REFERENCE_TIME Units(int64_t stamp, AVRational base) {
    if (base.num <= 0 || base.den <= 0) return 0;
    const __int128 units = RoundedQuotient(__int128(stamp) * base.num * kUnitsPerSecond, base.den);
    return REFERENCE_TIME(std::clamp<__int128>(units, -kFarthest, kFarthest));
}

int64_t Stamp(REFERENCE_TIME units, AVRational base) {
    if (base.num <= 0 || base.den <= 0) return 0;
    const __int128 stamp = RoundedQuotient(__int128(units) * base.den, __int128(base.num) * kUnitsPerSecond);
    return int64_t(std::clamp<__int128>(stamp, INT64_MIN + 1, INT64_MAX));
}

// A frame with no time of its own is timed by the packet that let it out of its decoder,
// which, where that packet starts a part of a joined file, is of the part after: it
// follows the frame before it instead.
REFERENCE_TIME MediaFile::State::TimeOf(const AVFrame& f, int index, REFERENCE_TIME fallback) const {
    if (f.best_effort_timestamp == AV_NOPTS_VALUE || (f.pts == AV_NOPTS_VALUE && partStarts)) return fallback;
    return Units(f.best_effort_timestamp, format->streams[index]->time_base) - startOffset;
}

// Where a packet of the picture or sound stream ends; a picture whose container gives it no
// length lasts a frame.
REFERENCE_TIME MediaFile::State::PacketEnd(const AVPacket& p) const {
    int64_t end = p.pts;
    if (p.duration > 0 && __builtin_add_overflow(p.pts, p.duration, &end)) end = INT64_MAX;
    const REFERENCE_TIME unknown = p.duration <= 0 && p.stream_index == videoIndex ? frameTime : 0;
    return Units(end, format->streams[p.stream_index]->time_base) + unknown - startOffset;
}

int MediaFile::State::ReadPacket() {
    const int read = av_read_frame(format.get(), packet.get());
    partStarts = false;
    if (read >= 0) FollowOn(*packet);
    return read;
}

// Formats that let their times jump (MPEG transport and program streams, Ogg) are what
// files joined end to end make, each part's times starting again. The picture stream (the
// sound's, in a file without pictures) tells where a part starts: a packet whose decoding
// time goes back behind where that stream had reached. It and all that follow, of every
// stream, are moved on by one shift, so that each part keeps its own sync. Only decoding
// times follow the file's order (a picture's presentation time may lie behind the one
// before by its reordering's delay): a packet without one tells nothing.
void MediaFile::State::FollowOn(AVPacket& p) {
    if (!(format->iformat->flags & AVFMT_TS_DISCONT) || (p.stream_index != videoIndex && p.stream_index != soundIndex))
        return;
    const AVRational base = format->streams[p.stream_index]->time_base;
    if (p.dts != AV_NOPTS_VALUE) {
        const bool tells = p.stream_index == (videoIndex >= 0 ? videoIndex : soundIndex);
        const REFERENCE_TIME stamp = Units(p.dts, base);
        if (tells && told.end && stamp + joinShift < *told.end - kJoinBack) {
            joinShift = std::clamp(joinShift + PartShift(stamp + joinShift), -kFarthest, kFarthest);
            joined = partStarts = true;
        }
        StreamReach& reach = tells ? told : other;
        const REFERENCE_TIME at = stamp + joinShift;
        if (joinShift == 0) reach.first = reach.first.value_or(at);  // in the first part
        reach.end = std::max(reach.end.value_or(at), at + Units(std::max<int64_t>(p.duration, 0), base));
    }
    const int64_t by = Stamp(joinShift, base);
    p.pts = Moved(p.pts, by);
    p.dts = Moved(p.dts, by);
}

// Each stream of a part whose telling stream starts at `at` goes on where the same stream
// of the part before ended, the other taken to start as far from the telling one as in
// the file's first part (the sound renderer plays its samples back to back, so a gap or
// an overlap between two parts' sounds would put the pictures out of step with them).
REFERENCE_TIME MediaFile::State::PartShift(REFERENCE_TIME at) const {
    const REFERENCE_TIME byTold = *told.end - at;
    if (!other.end || !other.first) return byTold;
    return std::max(byTold, *other.end - (at + *other.first - *told.first));
}

// How long after the first picture `time` comes, held where a frame time more or less
// cannot overflow (a damaged stream's times may be anything).
int64_t MediaFile::State::SinceFirstPicture(REFERENCE_TIME time) const {
    int64_t since = 0;
    if (__builtin_sub_overflow(time, pictureStart, &since)) since = time < 0 ? INT64_MIN : INT64_MAX;
    return std::clamp<int64_t>(since, INT64_MIN / 2, INT64_MAX / 2);
}

// A picture is the frame nearest its time: a container rounds its times (an MKV's to the
// millisecond), and a frame may last no whole number of units, so a picture may start a
// little after its frame's time.
int64_t MediaFile::State::FrameOf(REFERENCE_TIME start) const {
    return FloorDiv(SinceFirstPicture(start) + frameTime / 2, frameTime);
}

// Frames follow each other a frame time apart from the first picture; the last picture's
// stays while a longer sound plays on.
int64_t MediaFile::State::FrameAt(REFERENCE_TIME time) const {
    return std::min(FloorDiv(SinceFirstPicture(time), frameTime), lastFrame);
}

// Frames far past the end of long ones are a time past any a movie holds.
REFERENCE_TIME MediaFile::State::FrameStart(int64_t number) const {
    int64_t time = 0;
    if (__builtin_mul_overflow(number, frameTime, &time) || __builtin_add_overflow(time, pictureStart, &time))
        return number < 0 ? INT64_MIN : INT64_MAX;
    return time;
}

}  // namespace host::graph
