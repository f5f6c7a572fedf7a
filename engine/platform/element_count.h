// Element arithmetic shared by every read operation: element size times count may not fit
// in a size_t, and an element size of 0 must not divide.
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

}  // namespace orvik
