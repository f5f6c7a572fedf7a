#include "engine/sound/decoders/mp3_frame_walk.h"

#include <algorithm>
#include <cstring>

#include "engine/sound/decoders/mp3_frame_header.h"
#include "engine/sound/decoders/mp3_info_frame.h"
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

    // Copies `bytes` (no more than a block) from `at` on; false when the stream ends first.
    bool Copy(uint32_t at, uint32_t bytes, uint8_t* out) {
        position_ = at;
        if (!Holds(bytes)) return false;
        std::memcpy(out, block_ + (at - blockStart_), bytes);
        return true;
    }

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

// The sample frames the decoder plays, run by run: a run is frames of one rate and channel
// count in a row, which the decoder converts to the output rate on its own. The first run
// loses what an information frame says the decoder drops.
class PlayedSamples {
public:
    void SetOutputRate(uint32_t rate) { outputRate_ = rate; }
    void SetGapless(const Mp3Gapless& gapless) { gapless_ = gapless; }
    void Add(const Mp3FrameInfo& f) {
        if (f.sampleRate != run_.rate || f.channels != run_.channels) {
            CloseRun();
            run_ = {f.sampleRate, f.channels, 0};
        }
        run_.samples += f.samplesPerFrame;
    }
    int64_t Total() {
        CloseRun();
        return total_;
    }

private:
    void CloseRun() {
        if (run_.rate == 0) return;
        uint64_t kept = run_.samples;
        if (firstRun_) kept -= gapless_.Dropped(kept);
        firstRun_ = false;
        total_ += int64_t(host::ConvertedFrameCount(kept, run_.rate, outputRate_));
        run_ = {};
    }

    struct Run {
        uint32_t rate = 0;
        uint8_t channels = 0;
        uint64_t samples = 0;
    };
    Run run_;
    Mp3Gapless gapless_;
    uint32_t outputRate_ = 0;
    bool firstRun_ = true;
    int64_t total_ = 0;
};

// Whether a frame of the same layer, rate and channel count starts at `at`.
bool FollowedByItsKind(ForwardScan& scan, uint32_t at, uint32_t audioEnd, const Mp3FrameInfo& info) {
    uint8_t h[4];
    Mp3FrameInfo next;
    return uint64_t(at) + 4 <= audioEnd && scan.Copy(at, 4, h) && ParseMp3FrameHeader(h, &next) == 0 &&
           next.layer == info.layer && next.sampleRate == info.sampleRate && next.channels == info.channels;
}

// The decoder takes a frame for the stream's first only when a frame of its kind follows
// right behind it, and passes over every frame until one does. The first frame taken may
// be an information frame, which holds no sound. True when this frame was taken.
bool TakeFirstFrame(ForwardScan& scan, uint32_t position, uint32_t audioEnd, const Mp3FrameInfo& info,
                    PlayedSamples* played) {
    if (!FollowedByItsKind(scan, position + info.frameLength, audioEnd, info)) return false;
    uint8_t frame[kMp3InfoFrameBytes];
    const uint32_t bytes = std::min(info.frameLength, kMp3InfoFrameBytes);
    Mp3Gapless gapless;
    if (scan.Copy(position, bytes, frame) && ReadMp3InfoFrame({frame, bytes}, info, &gapless))
        played->SetGapless(gapless);
    else
        played->Add(info);
    return true;
}

}  // namespace

int WalkMp3Frames(const StreamDescriptor& s, uint32_t from, uint32_t audioEnd, uint32_t outputRate,
                  Mp3FrameWalk* w) {
    ForwardScan scan(s, from, audioEnd);
    PlayedSamples played;
    uint32_t position = 0;
    uint8_t h[4];
    while (scan.NextSync(&position, h)) {
        Mp3FrameInfo info{};
        const bool parsed = ParseMp3FrameHeader(h, &info) == 0 && info.frameLength != 0;
        const uint64_t next = uint64_t(position) + info.frameLength;
        // Until a frame is taken, a sync that is no frame's, or a frame the decoder passes
        // over, is bytes like any other: the search goes on from the byte after it.
        if (!w->found) {
            if (!parsed || next > audioEnd || !TakeFirstFrame(scan, position, audioEnd, info, &played)) {
                scan.MoveTo(position + 1);
                continue;
            }
            w->found = true;
            w->firstFrame = position;
            played.SetOutputRate(outputRate ? outputRate : info.sampleRate);
        } else if (!parsed) {
            return -1;
        } else if (next <= audioEnd) {
            played.Add(info);
        }
        w->dataEnd = uint32_t(next < audioEnd ? next : audioEnd);
        // A frame cut off by the end is never decoded.
        if (next >= audioEnd) break;
        scan.MoveTo(uint32_t(next));
    }
    w->totalSamples = played.Total();
    return w->found ? 0 : -1;
}

}  // namespace orvik
