// Pixel rows turned end to end, for mirroring and half-turning images: whole 8-byte words
// are swapped at a time where the pixels divide them, and the rows follow one another in
// one loop, so a large image of any shape costs about what copying it does.
#pragma once
#include <cstddef>
#include <cstdint>

namespace orvik {

// Rows of width pixels of 1 to 4 bytes: row r of the first series starts at
// a + r * aStep, of the second at b + r * bStep. In each pair of rows, pixel x of the first
// is swapped with pixel width - 1 - x of the second, for x below count. With the same
// series and count width / 2 this mirrors each row in place; with two distinct series
// and count width it exchanges the rows, each turned end to end.
struct ReversedRowPairs {
    uint8_t* a;
    ptrdiff_t aStep;
    uint8_t* b;
    ptrdiff_t bStep;
    int32_t rows;
    int32_t width;
    int32_t count;
};

void SwapReversedRows(const ReversedRowPairs& pairs, int bytesPerPixel);

}  // namespace orvik
