// Arithmetic shared by every read and seek operation: element size times count may not fit
// in a size_t, an element size of 0 must not divide, and a seek lands inside the data.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace orvik {

// The number of whole elements, at most count, that fit in the available bytes.
inline size_t WholeElementsThatFit(size_t elementSize, size_t count, size_t available) {
    if (elementSize == 0) return 0;
    return std::min(count, available / elementSize);
}

// Bytes wanted by a read of count elements, or SIZE_MAX when the product overflows.
inline size_t RequestedBytes(size_t elementSize, size_t count) {
    size_t bytes = 0;
    if (__builtin_mul_overflow(elementSize, count, &bytes)) return SIZE_MAX;
    return bytes;
}

// The position a seek by offset from origin (0 start, 1 current, 2 end) lands on, clamped
// to 0 .. size; -1 for an unknown origin.
inline int64_t ClampedSeekTarget(int32_t offset, int origin, int64_t position, int64_t size) {
    int64_t target = offset;
    if (origin == 1) target += position;
    else if (origin == 2) target += size;
    else if (origin != 0) return -1;
    return std::clamp<int64_t>(target, 0, size);
}

// Reads size bytes at position with pread until they are in or the file ends; returns the
// bytes read.
size_t ReadFileAt(int fd, uint8_t* destination, uint64_t position, size_t size);

}  // namespace orvik
