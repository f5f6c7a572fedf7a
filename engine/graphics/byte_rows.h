// Rows of pixels of 3 or 4 bytes with 8-bit channels moved between layouts a row at a
// time: the common way of images into textures and of movie frames into graphics. A
// reference goes one pixel at a time; the SSE2, SSSE3 and AVX2 rows take 4 or 8 pixels a
// step, chosen at run time (AVX2 where the software renderer uses it), and give the
// reference's bytes exactly.
#pragma once
#include <cstdint>

namespace orvik {

// Byte j of each destination pixel is byte pick[j] of its source pixel, or fill[j] where
// pick[j] is negative.
struct ByteShuffle {
    int sourceBytes;  // 3 or 4
    int destBytes;    // 3 or 4
    int8_t pick[4];
    uint8_t fill[4];
};

using ByteShuffleRowFn = void (*)(const ByteShuffle& shuffle, uint8_t* dest, const uint8_t* source, int count);

void ShuffleBytesRowReference(const ByteShuffle& shuffle, uint8_t* dest, const uint8_t* source, int count);

enum class ByteRowsLevel { Sse2, Ssse3, Avx2 };
// The row of one instruction set for this shuffle; null where the processor lacks the
// instructions or the set cannot do this shuffle (SSE2 only keeps or fills bytes in place).
ByteShuffleRowFn ByteShuffleRowAt(ByteRowsLevel level, const ByteShuffle& shuffle);
// The fastest row this processor has for the shuffle; the reference when none applies.
ByteShuffleRowFn ByteShuffleRow(const ByteShuffle& shuffle);

// Defined by the SSSE3 and AVX2 builds, which only the choosers above reach.
ByteShuffleRowFn ByteShuffleRowSsse3(const ByteShuffle& shuffle);
ByteShuffleRowFn ByteShuffleRowAvx2(const ByteShuffle& shuffle);

// For the vector builds: the shuffle of four pixels as byte-shuffle control bytes (the
// index of each destination byte's source byte, the top bit set where it is filled
// instead) and the fill bytes, 16 of each.
void ByteShuffleControl(const ByteShuffle& shuffle, uint8_t pick[16], uint8_t fill[16]);
// The row of a build's four instantiations that fits the shuffle's pixel sizes.
template <ByteShuffleRowFn Row33, ByteShuffleRowFn Row34, ByteShuffleRowFn Row43, ByteShuffleRowFn Row44>
ByteShuffleRowFn RowForSizes(const ByteShuffle& s) {
    if (s.sourceBytes == 3) return s.destBytes == 3 ? Row33 : Row34;
    return s.destBytes == 3 ? Row43 : Row44;
}

}  // namespace orvik
