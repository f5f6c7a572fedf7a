// Asking for a small rectangle's cache lines before working on them. Rows of a large
// surface lie a page or more apart, where the hardware's prefetcher does not follow, so
// without this each row's misses wait for the row before it; asked for together, the
// misses overlap.
#pragma once
#include <cstddef>
#include <cstdint>

namespace host {

// Every line of `bytes` bytes from `first`. `write`: the lines are about to be written
// (fetched for ownership). Static, as is PrefetchRows: the vector spans' files for each
// instruction set include this, and each keeps its own copy.
static inline void PrefetchLines(const void* first, size_t bytes, bool write) {
    constexpr uintptr_t kLine = 64;
    const uintptr_t begin = reinterpret_cast<uintptr_t>(first);
    for (uintptr_t line = begin & ~(kLine - 1); line < begin + bytes; line += kLine) {
        if (write) __builtin_prefetch(reinterpret_cast<const void*>(line), 1, 3);
        else __builtin_prefetch(reinterpret_cast<const void*>(line), 0, 3);
    }
}

// The same for `rows` rows from `first`, `pitch` bytes apart.
static inline void PrefetchRows(const void* first, size_t pitch, int rows, size_t bytes, bool write) {
    for (int y = 0; y < rows; ++y) PrefetchLines(static_cast<const uint8_t*>(first) + size_t(y) * pitch, bytes, write);
}

}  // namespace host
