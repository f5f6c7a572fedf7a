#include "engine/sound/decoders/mp3_frame_walk.h"

#include <cstring>

#include "engine/sound/decoders/mp3_frame_header.h"
#include "engine/sound/streams/stream_io.h"
#include "host/acm/pcm_format_convert.h"

namespace orvik {

namespace {

constexpr uint32_t kScanBlockBytes = 16384;

// The stream read forward a block at a time, so that megabytes of bytes that are not
// frames cost a read a block, not a read a byte.
class ForwardScan {
public:
    ForwardScan(const StreamDescriptor& s, uint32_t from, uint32_t end) : s_(s), position_(from), end_(end) {}

    // Finds the next frame sync (0xFF, then a byte with its high four bits set) at or after
    // the position, and the four header bytes from there; false when none lies before the end.
    bool NextSync(uint32_t* at, uint8_t header[4]) {
        while (Holds(2)) {
            const uint8_t* here = block_ + (position_ - blockStart_);
            const uint32_t left = blockStart_ + blockBytes_ - position_;
            // A sync's second byte must be in the block too: the last byte is looked at again
            // from the next block.
            const auto* ff = static_cast<const uint8_t*>(std::memchr(here, 0xFF, left - 1));
            if (!ff) {
                position_ += left - 1;
                continue;
            }
            position_ += uint32_t(ff - here);
            if ((ff[1] & 0xF0) == 0xF0) {
                if (!Holds(4)) return false;
                std::memcpy(header, block_ + (position_ - blockStart_), 4);
                *at = position_;
                return true;
            }
            ++position_;
        }
        return false;
    }

    void MoveTo(uint32_t position) { position_ = position; }

private:
    // Whether `bytes` from the position are in the block, reading a new one from there
    // when they are not.
    bool Holds(uint32_t bytes) {
        if (uint64_t(position_) + bytes > end_) return false;
        if (position_ >= blockStart_ && position_ + bytes <= blockStart_ + blockBytes_) return true;
        if (position_ != streamAt_) StreamSeek(s_, position_, 0);
        const uint32_t want = end_ - position_ < kScanBlockBytes ? end_ - position_ : kScanBlockBytes;
        blockStart_ = position_;
        blockBytes_ = StreamReadSome(s_, block_, want);
        streamAt_ = position_ + blockBytes_;
        return blockBytes_ >= bytes;
    }

    const StreamDescriptor& s_;
    uint32_t position_;
    uint32_t end_;
    uint32_t blockStart_ = 0;
    uint32_t blockBytes_ = 0;
    uint32_t streamAt_ = UINT32_MAX;
    uint8_t block_[kScanBlockBytes];
};

// Frames of one rate and channel count in a row: the decoder converts each such run to
// the first frame's rate on its own.
struct Run {
    uint32_t rate = 0;
    uint8_t channels = 0;
    uint64_t samples = 0;
};

int64_t RunSamples(const Run& run, uint32_t firstRate) {
    return int64_t(host::ConvertedFrameCount(run.samples, run.rate, firstRate));
}

}  // namespace

int WalkMp3Frames(const StreamDescriptor& s, uint32_t from, uint32_t audioEnd, Mp3FrameWalk* w) {
    ForwardScan scan(s, from, audioEnd);
    Run run;
    uint32_t firstRate = 0;
    uint32_t position = 0;
    uint8_t h[4];
    while (scan.NextSync(&position, h)) {
        Mp3FrameInfo info;
        if (ParseMp3FrameHeader(h, &info) != 0 || info.frameLength == 0) return -1;
        if (!w->found) {
            w->firstFrame = position;
            firstRate = info.sampleRate;
        }
        w->found = true;
        if (info.sampleRate != run.rate || info.channels != run.channels) {
            w->totalSamples += RunSamples(run, firstRate);
            run = {info.sampleRate, info.channels, 0};
        }
        run.samples += info.samplesPerFrame;
        const uint64_t next = uint64_t(position) + info.frameLength;
        w->dataEnd = uint32_t(next < audioEnd ? next : audioEnd);
        if (next >= audioEnd) break;
        scan.MoveTo(uint32_t(next));
    }
    w->totalSamples += RunSamples(run, firstRate);
    return w->found ? 0 : -1;
}

}  // namespace orvik
