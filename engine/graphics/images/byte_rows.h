// Blocks of pixel rows of 3 or 4 bytes with 8-bit channels moved between layouts: the
// common way of images into textures and of movie frames into graphics. A reference goes
// one pixel at a time; the SSE2, SSSE3 and AVX2 rows take 4 or 8 pixels a step, chosen at
// run time (AVX2 where the software renderer uses it), and give the reference's bytes
// exactly.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orvik {

// Byte j of each destination pixel is byte pick[j] of its source pixel, or fill[j] where
// pick[j] is negative.
struct ByteShuffle {
    int sourceBytes;  // 3 or 4
    int destBytes;    // 3 or 4
    int8_t pick[4];
    uint8_t fill[4];
};

// `rows` rows of `count` pixels, each row `pitch` bytes below the one before.
struct ByteRows {
    uint8_t* dest;
    ptrdiff_t destPitch;
    const uint8_t* source;
    ptrdiff_t sourcePitch;
    int count;
    int rows;
};

using ByteShuffleRowsFn = void (*)(const ByteShuffle& shuffle, const ByteRows& rows);

void ShuffleBytesRowsReference(const ByteShuffle& shuffle, const ByteRows& rows);

enum class ByteRowsLevel { Sse2, Ssse3, Avx2 };
// The rows of one instruction set for this shuffle; null where the processor lacks the
// instructions or the set cannot do this shuffle (SSE2 only keeps or fills bytes in place).
ByteShuffleRowsFn ByteShuffleRowsAt(ByteRowsLevel level, const ByteShuffle& shuffle);
// The fastest rows this processor has for the shuffle; the reference when none applies.
ByteShuffleRowsFn ByteShuffleRows(const ByteShuffle& shuffle);

// Defined by the SSSE3 and AVX2 builds, which only the choosers above reach.
ByteShuffleRowsFn ByteShuffleRowsSsse3(const ByteShuffle& shuffle);
ByteShuffleRowsFn ByteShuffleRowsAvx2(const ByteShuffle& shuffle);

// For the vector builds: the shuffle of four pixels as byte-shuffle control bytes (the
// index of each destination byte's source byte, the top bit set where it is filled
// instead) and the fill bytes, 16 of each.
void ByteShuffleControl(const ByteShuffle& shuffle, uint8_t pick[16], uint8_t fill[16]);
// The rows of a build's four instantiations that fit the shuffle's pixel sizes.
template <ByteShuffleRowsFn Rows33, ByteShuffleRowsFn Rows34, ByteShuffleRowsFn Rows43, ByteShuffleRowsFn Rows44>
ByteShuffleRowsFn RowsForSizes(const ByteShuffle& s) {
    if (s.sourceBytes == 3) return s.destBytes == 3 ? Rows33 : Rows34;
    return s.destBytes == 3 ? Rows43 : Rows44;
}

// For the vector builds: runs `step` (source, dest) over each row in whole steps of
// `pixels` while `fits` (x) says a step's loads at pixel x lie within the row, and the
// last few pixels of each row through a copy of them with room behind, so that no load
// reads past a row and no store writes past one.
template <int S, int D, int Pixels, class Fits, class Step>
void ForEachStep(const ByteRows& r, Fits fits, Step step) {
    constexpr int kTailPixels = 2 * Pixels + 4;  // the most a row can leave, with room to load
    for (int y = 0; y < r.rows; ++y) {
        const uint8_t* source = r.source + y * r.sourcePitch;
        uint8_t* dest = r.dest + y * r.destPitch;
        int x = 0;
        for (; x + Pixels <= r.count && fits(x); x += Pixels) step(source + size_t(x) * S, dest + size_t(x) * D);
        const int left = r.count - x;
        if (left == 0) continue;
        uint8_t in[kTailPixels * S + 16] = {}, out[kTailPixels * D];
        std::memcpy(in, source + size_t(x) * S, size_t(left) * S);
        for (int t = 0; t < left; t += Pixels) step(in + t * S, out + t * D);
        std::memcpy(dest + size_t(x) * D, out, size_t(left) * D);
    }
}

}  // namespace orvik
