// Asking for a small rectangle's cache lines before working on them. Rows of a large
// surface lie a page or more apart, where the hardware's prefetcher does not follow, so
// without this each row's misses wait for the row before it; asked for together, the
// misses overlap.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace host {

// GCC drops a prefetch builtin from some branching callers altogether, so on x86 the
// instruction is written out (for writes too: the write hint needs an extension).
template <bool kWrite>
static inline void PrefetchLine(const void* at) {
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(at)));
#else
    __builtin_prefetch(at, kWrite ? 1 : 0, 3);
#endif
}

// Every line of `bytes` (at least 1) bytes from `first`. `kWrite`: the lines are about
// to be written (fetched for ownership).
template <bool kWrite>
static inline void PrefetchLines(const void* first, size_t bytes) {
    constexpr size_t kLine = 64;
    const auto* begin = static_cast<const uint8_t*>(first);
    // Up to 129 bytes lie in at most three lines: those of the first byte, of the byte a
    // line on (or the last) and of the last. A sprite's rows are that short, and asking
    // without a loop halves the work of asking.
    if (bytes <= 2 * kLine + 1) {
        PrefetchLine<kWrite>(begin);
        PrefetchLine<kWrite>(begin + std::min(kLine, bytes - 1));
        PrefetchLine<kWrite>(begin + bytes - 1);
        return;
    }
    const uintptr_t end = reinterpret_cast<uintptr_t>(begin) + bytes;
    for (uintptr_t line = reinterpret_cast<uintptr_t>(begin) & ~(kLine - 1); line < end; line += kLine)
        PrefetchLine<kWrite>(reinterpret_cast<const void*>(line));
}

// The same for `rows` rows from `first`, `pitch` bytes apart.
template <bool kWrite>
static inline void PrefetchRows(const void* first, size_t pitch, int rows, size_t bytes) {
    for (int y = 0; y < rows; ++y) PrefetchLines<kWrite>(static_cast<const uint8_t*>(first) + size_t(y) * pitch, bytes);
}

}  // namespace host
