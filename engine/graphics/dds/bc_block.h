// What the block decoders of the later block formats (BC4 to BC7) share: a reader of a
// block's bits from the lowest bit of its first byte on, the interpolation weights, and
// the form of a decoder.
#pragma once
#include <cstdint>

namespace orvik {

// One 4x4 block decoded to 32-bit ARGB texels (0xAARRGGBB), rows top to bottom.
using BcTexels = uint32_t[16];
using BcBlockDecoder = void (*)(const uint8_t* block, BcTexels out);

class BcBitReader {
public:
    explicit BcBitReader(const uint8_t* block) : block_(block) {}
    // The next `count` bits (up to 16), the first read going to the lowest bit.
    uint32_t Take(int count) {
        if (count == 0) return 0;
        const int byte = position_ >> 3, shift = position_ & 7;
        uint32_t window = block_[byte];
        if (byte + 1 < kBlockBytes) window |= uint32_t(block_[byte + 1]) << 8;
        if (byte + 2 < kBlockBytes) window |= uint32_t(block_[byte + 2]) << 16;
        position_ += count;
        return (window >> shift) & ((1u << count) - 1);
    }
private:
    static constexpr int kBlockBytes = 16;
    const uint8_t* block_;
    int position_ = 0;  // callers never take more than the block's 128 bits
};

// Weights out of 64 of the second endpoint for 2-, 3- and 4-bit indices.
inline int BcWeight(int indexBits, int index) {
    static constexpr uint8_t k2[4] = {0, 21, 43, 64};
    static constexpr uint8_t k3[8] = {0, 9, 18, 27, 37, 46, 55, 64};
    static constexpr uint8_t k4[16] = {0, 4, 9, 13, 17, 21, 26, 30, 34, 38, 43, 47, 51, 55, 60, 64};
    return indexBits == 2 ? k2[index & 3] : indexBits == 3 ? k3[index & 7] : k4[index & 15];
}

inline int BcInterpolate(int e0, int e1, int weight) { return (e0 * (64 - weight) + e1 * weight + 32) >> 6; }

inline uint32_t BcArgb(int r, int g, int b, int a) {
    return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

void DecodeBc4UnormBlock(const uint8_t* block, BcTexels out);
void DecodeBc4SnormBlock(const uint8_t* block, BcTexels out);
void DecodeBc5UnormBlock(const uint8_t* block, BcTexels out);
void DecodeBc5SnormBlock(const uint8_t* block, BcTexels out);
void DecodeBc6hUnsignedBlock(const uint8_t* block, BcTexels out);
void DecodeBc6hSignedBlock(const uint8_t* block, BcTexels out);
void DecodeBc7Block(const uint8_t* block, BcTexels out);

}  // namespace orvik
