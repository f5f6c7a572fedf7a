// MPEG audio frame headers: every version and layer taken, with their lengths and
// sample counts, and the values refused.
#include <gtest/gtest.h>

#include "engine/sound/decoders/mp3_frame_header.h"

namespace sound_test {
namespace {

struct HeaderCase {
    uint8_t bytes[4];
    int layer, version, channels;
    uint32_t bitRate, sampleRate, length, samples;
};

TEST(Mp3FrameHeaderTest, DecodesEachVersionAndLayer) {
    const HeaderCase cases[] = {
        {{0xFF, 0xFB, 0x90, 0x00}, 2, 0, 2, 128, 44100, 417, 1152},  // MPEG-1 Layer III
        {{0xFF, 0xFB, 0x92, 0xC0}, 2, 0, 1, 128, 44100, 418, 1152},  // padded, single channel
        {{0xFF, 0xFD, 0xA4, 0x40}, 1, 0, 2, 192, 48000, 576, 1152},  // MPEG-1 Layer II
        {{0xFF, 0xFF, 0xE8, 0x00}, 0, 0, 2, 448, 32000, 672, 384},   // MPEG-1 Layer I
        {{0xFF, 0xFE, 0x12, 0x00}, 0, 0, 2, 32, 44100, 36, 384},     // Layer I: (8 + 1) x 4
        {{0xFF, 0xF3, 0x80, 0x00}, 2, 1, 2, 64, 22050, 208, 576},    // MPEG-2 Layer III
        {{0xFF, 0xF3, 0x12, 0xC0}, 2, 1, 1, 8, 22050, 27, 576},      // 26 + padding
        {{0xFF, 0xF5, 0xE4, 0x00}, 1, 1, 2, 160, 24000, 960, 1152},  // MPEG-2 Layer II
        {{0xFF, 0xF7, 0xE8, 0x00}, 0, 1, 2, 256, 16000, 768, 384},   // MPEG-2 Layer I
    };
    for (const HeaderCase& c : cases) {
        orvik::Mp3FrameInfo info{};
        ASSERT_EQ(orvik::ParseMp3FrameHeader(c.bytes, &info), 0) << int(c.bytes[1]) << " " << int(c.bytes[2]);
        EXPECT_EQ(info.layer, c.layer);
        EXPECT_EQ(info.version, c.version);
        EXPECT_EQ(info.channels, c.channels);
        EXPECT_EQ(info.bitRate, c.bitRate);
        EXPECT_EQ(info.sampleRate, c.sampleRate);
        EXPECT_EQ(info.frameLength, c.length) << c.bitRate << " kbit/s at " << c.sampleRate;
        EXPECT_EQ(info.samplesPerFrame, c.samples);
    }
}

TEST(Mp3FrameHeaderTest, RefusesWhatIsNotAllowed) {
    const struct {
        uint8_t bytes[4];
        int result;
    } cases[] = {
        {{0xFF, 0xE3, 0x90, 0x00}, -2},  // MPEG 2.5: its sync lacks bit 0x10
        {{0xFE, 0xFB, 0x90, 0x00}, -2},  // no sync
        {{0xFF, 0xF9, 0x90, 0x00}, -1},  // reserved layer
        {{0xFF, 0xFB, 0x00, 0x00}, -1},  // free format
        {{0xFF, 0xFB, 0xF0, 0x00}, -1},  // bit-rate index 15
        {{0xFF, 0xFB, 0x9C, 0x00}, -1},  // reserved sample-rate index
    };
    for (const auto& c : cases) {
        orvik::Mp3FrameInfo info{};
        EXPECT_EQ(orvik::ParseMp3FrameHeader(c.bytes, &info), c.result) << int(c.bytes[1]) << " " << int(c.bytes[2]);
    }
}

}  // namespace
}  // namespace sound_test
