#include "engine/graphics/images/reversed_rows.h"

#include <bit>
#include <cstddef>
#include <cstring>
#include <utility>

namespace orvik {

namespace {

// A block is the fewest 8-byte words that hold whole pixels: one word of 8, 4 or 2
// pixels, or three words of eight 3-byte pixels.
template <int Bytes>
constexpr int kBlockWords = Bytes == 3 ? 3 : 1;
template <int Bytes>
constexpr int32_t kBlockPixels = 8 * kBlockWords<Bytes> / Bytes;

// The pixels of a block in the opposite order, each pixel's own bytes kept.
template <int Bytes>
void ReversePixels(uint64_t (&w)[kBlockWords<Bytes>]) {
    if constexpr (Bytes == 1) {
        w[0] = __builtin_bswap64(w[0]);
    } else if constexpr (Bytes == 2) {
        const uint64_t halves = std::rotl(w[0], 32);
        w[0] = ((halves >> 16) & 0x0000FFFF0000FFFFull) | ((halves & 0x0000FFFF0000FFFFull) << 16);
    } else if constexpr (Bytes == 4) {
        w[0] = std::rotl(w[0], 32);
    } else {
        // Little-endian words: pixel i at bits 24i to 24i + 23 of the 192, two of them
        // split between words.
        constexpr uint64_t m = 0xFFFFFF;
        const uint64_t a = w[0], b = w[1], c = w[2];
        const uint64_t p0 = a & m, p1 = (a >> 24) & m, p2 = (a >> 48) | ((b & 0xFF) << 16), p3 = (b >> 8) & m,
                       p4 = (b >> 32) & m, p5 = (b >> 56) | ((c & 0xFFFF) << 8), p6 = (c >> 16) & m, p7 = c >> 40;
        w[0] = p7 | (p6 << 24) | (p5 << 48);
        w[1] = (p5 >> 16) | (p4 << 8) | (p3 << 32) | (p2 << 56);
        w[2] = (p2 >> 8) | (p1 << 16) | (p0 << 40);
    }
}

template <int Bytes>
void SwapReversed(uint8_t* a, uint8_t* b, int32_t width, int32_t count) {
    constexpr int32_t n = kBlockPixels<Bytes>;
    int32_t x = 0;
    // Pixels x to x + n - 1 of a and their partners at the far end of b: in one row the
    // two blocks never overlap, as x + n stays within the first half.
    for (; x + n <= count; x += n) {
        uint8_t* p = a + static_cast<ptrdiff_t>(x) * Bytes;
        uint8_t* q = b + static_cast<ptrdiff_t>(width - x - n) * Bytes;
        uint64_t u[kBlockWords<Bytes>], v[kBlockWords<Bytes>];
        std::memcpy(u, p, sizeof u);
        std::memcpy(v, q, sizeof v);
        ReversePixels<Bytes>(u);
        ReversePixels<Bytes>(v);
        std::memcpy(p, v, sizeof v);
        std::memcpy(q, u, sizeof u);
    }
    for (; x < count; ++x) {
        uint8_t* p = a + static_cast<ptrdiff_t>(x) * Bytes;
        uint8_t* q = b + static_cast<ptrdiff_t>(width - 1 - x) * Bytes;
        for (int k = 0; k < Bytes; ++k) std::swap(p[k], q[k]);
    }
}

template <int Bytes>
void SwapRows(const ReversedRowPairs& pairs) {
    for (int32_t r = 0; r < pairs.rows; ++r)
        SwapReversed<Bytes>(pairs.a + r * pairs.aStep, pairs.b + r * pairs.bStep, pairs.width, pairs.count);
}

}  // namespace

void SwapReversedRows(const ReversedRowPairs& pairs, int bytesPerPixel) {
    if (pairs.count <= 0) return;
    switch (bytesPerPixel) {
        case 1: return SwapRows<1>(pairs);
        case 2: return SwapRows<2>(pairs);
        case 3: return SwapRows<3>(pairs);
        case 4: return SwapRows<4>(pairs);
        default: return;
    }
}

}  // namespace orvik
