// The information frame an encoder puts first in a Layer III stream ("Xing" or "Info"):
// a frame of no sound that announces the stream's frame count and, in LAME's extension,
// the samples of encoder delay before the sound and of padding after it. The decoder
// (libmpg123, gapless) plays neither the frame nor that delay and padding, so a loop of
// the sound joins without a gap; the length of the sound has to leave them out as well.
#pragma once
#include <cstdint>
#include <span>

#include "engine/sound/decoders/mp3_frame_header.h"

namespace orvik {

// The bytes of a frame that can hold the information: the header, the largest side
// information, and every field up to the delay and padding.
constexpr uint32_t kMp3InfoFrameBytes = 180;

// The samples the decoder drops from the start of the stream's sound, counted from its
// first frame after the information frame. With a frame count announced it drops those
// before `begin`, and those from `end` up to the announced frames' last one; a stream
// going on past its announced frames (another joined behind it) plays the rest whole.
struct Mp3Gapless {
    int64_t begin = 0;
    int64_t end = 0;
    int64_t announced = 0;  // the announced frames' samples; 0: nothing dropped

    // Of the first `decoded` samples, the number dropped.
    uint64_t Dropped(uint64_t decoded) const;
};

// Whether the stream's first frame, given by `frame` (its first bytes, at most
// kMp3InfoFrameBytes), is an information frame; when it is, `gapless` gets what the
// decoder drops. `info` is the frame's decoded header.
bool ReadMp3InfoFrame(std::span<const uint8_t> frame, const Mp3FrameInfo& info, Mp3Gapless* gapless);

}  // namespace orvik
