// MPEG audio frame headers: the four bytes at the start of every frame.
#pragma once
#include <cstdint>

namespace orvik {

struct Mp3FrameInfo {
    uint8_t layer;    // 0 Layer I, 1 Layer II, 2 Layer III
    uint8_t version;  // 0 MPEG-1, 1 MPEG-2
    uint8_t bitRateIndex;
    uint8_t sampleRateIndex;
    uint8_t padding;
    uint8_t channels;
    uint32_t sampleRate;  // Hz
    uint32_t bitRate;     // kbit/s
    uint32_t frameLength;  // bytes, header included
    uint32_t samplesPerFrame;
};

// 0 when decoded; -2 without a frame sync (MPEG 2.5 has none here); -1 for a reserved
// or free-format value.
int ParseMp3FrameHeader(const uint8_t header[4], Mp3FrameInfo* info);

}  // namespace orvik
