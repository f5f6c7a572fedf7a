#include "engine/sound/decoders/mp3_frame_header.h"

namespace orvik {

namespace {

// kbit/s by [version][layer][index]; index 0 (free format) and 15 are refused before.
constexpr uint16_t kBitRates[2][3][15] = {
    {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    },
    {
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
    },
};

constexpr uint32_t kSampleRates[2][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}};

}  // namespace

int ParseMp3FrameHeader(const uint8_t h[4], Mp3FrameInfo* info) {
    if (h[0] != 0xFF || (h[1] & 0xF0) != 0xF0) return -2;
    Mp3FrameInfo f{};
    f.version = (h[1] & 0x08) ? 0 : 1;
    const int layer = 3 - ((h[1] >> 1) & 3);
    if (layer == 3) return -1;
    f.layer = uint8_t(layer);
    f.bitRateIndex = uint8_t(h[2] >> 4);
    if (f.bitRateIndex == 0 || f.bitRateIndex == 15) return -1;
    f.sampleRateIndex = uint8_t((h[2] >> 2) & 3);
    if (f.sampleRateIndex == 3) return -1;
    f.bitRate = kBitRates[f.version][f.layer][f.bitRateIndex];
    f.sampleRate = kSampleRates[f.version][f.sampleRateIndex];
    f.padding = uint8_t((h[2] >> 1) & 1);
    f.channels = (h[3] >> 6) == 3 ? 1 : 2;
    if (f.layer == 0) {
        f.frameLength = (12000 * f.bitRate / f.sampleRate + f.padding) * 4;
        f.samplesPerFrame = 384;
    } else if (f.layer == 2 && f.version == 1) {
        f.frameLength = 72000 * f.bitRate / f.sampleRate + f.padding;
        f.samplesPerFrame = 576;
    } else {
        f.frameLength = 144000 * f.bitRate / f.sampleRate + f.padding;
        f.samplesPerFrame = 1152;
    }
    if (info) *info = f;
    return 0;
}

}  // namespace orvik
