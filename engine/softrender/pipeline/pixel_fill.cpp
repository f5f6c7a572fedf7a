#include "engine/softrender/pipeline/pixel_fill.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>

namespace orvik::soft {
namespace {

// wmemset stores 4-byte units with the C library's memset machinery (its string stores
// for long runs), which plain vector stores or row copies do not reach.
static_assert(sizeof(wchar_t) == 4, "the fills store 4-byte units through wmemset");

// The value repeated over eight bytes; a whole number of pixels of any size fits.
uint64_t Pattern(int bytes, uint32_t value) {
    if (bytes == 1) return (value & 0xFFu) * 0x0101010101010101ull;
    if (bytes == 2) return (value & 0xFFFFu) * 0x0001000100010001ull;
    return value * 0x0000000100000001ull;
}

// A run of `size` bytes holding the pattern from its first byte on; `size` is a whole
// number of pixels.
void FillRun(uint8_t* run, size_t size, uint64_t pattern, int bytes) {
    if (pattern == (pattern & 0xFFu) * 0x0101010101010101ull) {
        std::memset(run, int(pattern & 0xFFu), size);
        return;
    }
    // A 16-bit pixel first where the run is not on a 4-byte boundary: the pattern is the
    // same from the next pixel on.
    if (bytes == 2 && reinterpret_cast<uintptr_t>(run) % 4 != 0 && size >= 2) {
        std::memcpy(run, &pattern, 2);
        run += 2, size -= 2;
    }
    if (reinterpret_cast<uintptr_t>(run) % alignof(wchar_t) == 0) {
        std::wmemset(reinterpret_cast<wchar_t*>(run), static_cast<wchar_t>(pattern & 0xFFFFFFFFu), size / 4);
        std::memcpy(run + size / 4 * 4, &pattern, size % 4);
        return;
    }
    // Pixels off any 4-byte boundary: the first 8 bytes, doubled until the run is full.
    size_t done = std::min<size_t>(size, 8);
    std::memcpy(run, &pattern, done);
    while (done < size) {
        const size_t n = std::min(done, size - done);
        std::memcpy(run + done, run, n);
        done += n;
    }
}

}  // namespace

void FillPixelRows(uint8_t* first, ptrdiff_t pitch, int32_t width, int32_t height, int bytes, uint32_t value) {
    if (width <= 0 || height <= 0) return;
    const size_t rowBytes = size_t(width) * size_t(bytes);
    const uint64_t pattern = Pattern(bytes, value);
    // Rows that follow one another without padding are one run.
    if (pitch == ptrdiff_t(rowBytes)) return FillRun(first, rowBytes * size_t(height), pattern, bytes);
    uint8_t* row = first;
    for (int32_t y = 0; y < height; ++y, row += pitch) FillRun(row, rowBytes, pattern, bytes);
}

}  // namespace orvik::soft
