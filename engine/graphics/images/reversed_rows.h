// Pixel rows turned end to end, for mirroring and half-turning images: whole 8-byte words
// are swapped at a time where the pixels divide them, so a large image costs about what
// copying it does.
#pragma once
#include <cstdint>

namespace orvik {

// Swaps pixel x of row a with pixel width - 1 - x of row b, for x below count, pixels of
// 1 to 4 bytes. With a == b and count width / 2 it mirrors a row in place; with two rows
// and count width it exchanges them, each turned end to end.
void SwapReversedPixels(uint8_t* a, uint8_t* b, int32_t width, int32_t count, int bytesPerPixel);

}  // namespace orvik
