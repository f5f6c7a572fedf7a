// Rows of one repeated pixel value, written at the speed of memset: the clears of the
// screen and of graphics, and filled rectangles that copy their colour.
#pragma once
#include <cstddef>
#include <cstdint>

namespace orvik::soft {

// Sets `width` pixels of `bytes` bytes (1, 2 or 4) in each of `height` rows, `pitch`
// bytes apart, to the low `bytes` bytes of `value`. Rows must not overlap.
void FillPixelRows(uint8_t* first, ptrdiff_t pitch, int32_t width, int32_t height, int bytes, uint32_t value);

}  // namespace orvik::soft
