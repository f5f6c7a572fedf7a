// BC4 blocks (one channel: two endpoints and sixteen 3-bit indices, as DXT5 alpha) and BC5
// (two BC4 blocks, red then green). The format defines the in-between values as exact
// fractions, so they are rounded to the nearest 8-bit value. Signed blocks hold -1 to 1,
// shown as (v + 1) / 2 like every other channel of the engine's unsigned images. A
// channel the format lacks is sampled as 0.
#include <algorithm>

#include "engine/graphics/dds/bc_block.h"

namespace orvik {

namespace {

// The eight values of a block, in units of 1/7 or 1/5 of an endpoint step, made unsigned
// 8-bit. Unsigned endpoints are 0 to 255; signed ones -127 to 127 (-128 counts as -127).
void Palette(int e0, int e1, bool isSigned, int (&out)[8]) {
    const int top = isSigned ? 127 : 255, bottom = isSigned ? -127 : 0;
    auto byte = [isSigned](int numerator, int denominator) {
        // numerator / denominator is the value; signed values move to (v + 127) / 254.
        if (!isSigned) return (2 * numerator + denominator) / (2 * denominator);
        return ((numerator + 127 * denominator) * 255 * 2 + 254 * denominator) / (2 * 254 * denominator);
    };
    out[0] = byte(e0, 1);
    out[1] = byte(e1, 1);
    if (e0 > e1) {
        for (int i = 1; i < 7; ++i) out[i + 1] = byte((7 - i) * e0 + i * e1, 7);
    } else {
        for (int i = 1; i < 5; ++i) out[i + 1] = byte((5 - i) * e0 + i * e1, 5);
        out[6] = byte(bottom, 1);
        out[7] = byte(top, 1);
    }
}

// The channel's 16 values of one 8-byte block.
void Channel(const uint8_t* block, bool isSigned, int (&values)[16]) {
    int e0 = block[0], e1 = block[1];
    if (isSigned) {
        e0 = std::max(-127, int(int8_t(block[0])));
        e1 = std::max(-127, int(int8_t(block[1])));
    }
    int palette[8];
    Palette(e0, e1, isSigned, palette);
    uint64_t indices = 0;
    for (int i = 0; i < 6; ++i) indices |= uint64_t(block[2 + i]) << (8 * i);
    for (int t = 0; t < 16; ++t) values[t] = palette[(indices >> (3 * t)) & 7];
}

void DecodeRed(const uint8_t* block, BcTexels out, bool isSigned) {
    int red[16];
    Channel(block, isSigned, red);
    for (int t = 0; t < 16; ++t) out[t] = BcArgb(red[t], 0, 0, 255);
}

void DecodeRedGreen(const uint8_t* block, BcTexels out, bool isSigned) {
    int red[16], green[16];
    Channel(block, isSigned, red);
    Channel(block + 8, isSigned, green);
    for (int t = 0; t < 16; ++t) out[t] = BcArgb(red[t], green[t], 0, 255);
}

}  // namespace

void DecodeBc4UnormBlock(const uint8_t* block, BcTexels out) { DecodeRed(block, out, false); }
void DecodeBc4SnormBlock(const uint8_t* block, BcTexels out) { DecodeRed(block, out, true); }
void DecodeBc5UnormBlock(const uint8_t* block, BcTexels out) { DecodeRedGreen(block, out, false); }
void DecodeBc5SnormBlock(const uint8_t* block, BcTexels out) { DecodeRedGreen(block, out, true); }

}  // namespace orvik
