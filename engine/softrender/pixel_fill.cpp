#include "engine/softrender/pixel_fill.h"

#include <algorithm>
#include <cstring>

namespace orvik::soft {
namespace {

// The value repeated over eight bytes; a whole number of pixels of any size fits.
uint64_t Pattern(int bytes, uint32_t value) {
    if (bytes == 1) return (value & 0xFFu) * 0x0101010101010101ull;
    if (bytes == 2) return (value & 0xFFFFu) * 0x0001000100010001ull;
    return value * 0x0000000100000001ull;
}

// The first row by doubling: each copy starts at a pixel boundary of the pattern.
void FillRow(uint8_t* row, size_t rowBytes, uint64_t pattern) {
    size_t done = std::min<size_t>(rowBytes, 8);
    std::memcpy(row, &pattern, done);
    while (done < rowBytes) {
        const size_t n = std::min(done, rowBytes - done);
        std::memcpy(row + done, row, n);
        done += n;
    }
}

}  // namespace

void FillPixelRows(uint8_t* first, ptrdiff_t pitch, int32_t width, int32_t height, int bytes, uint32_t value) {
    if (width <= 0 || height <= 0) return;
    const size_t rowBytes = size_t(width) * size_t(bytes);
    const uint64_t pattern = Pattern(bytes, value);
    uint8_t* row = first;
    // A value of one repeated byte (black, white) is memset's own case; any other is
    // copied row by row from the first, which stays in the cache.
    if (pattern == (pattern & 0xFFu) * 0x0101010101010101ull) {
        for (int32_t y = 0; y < height; ++y, row += pitch) std::memset(row, int(pattern & 0xFFu), rowBytes);
        return;
    }
    FillRow(first, rowBytes, pattern);
    for (int32_t y = 1; y < height; ++y) std::memcpy(row += pitch, first, rowBytes);
}

}  // namespace orvik::soft
