#include "engine/softrender/keyed_bounds.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace orvik::soft {
namespace {

template <int Bytes>
struct Texels {
    using Raw = std::conditional_t<Bytes == 1, uint8_t, std::conditional_t<Bytes == 2, uint16_t, uint32_t>>;
    const MEMIMG& src;
    Raw trans;
    bool Shown(int32_t x, int32_t y) const {
        Raw v;
        std::memcpy(&v, src.pixels + ptrdiff_t{y} * src.store->pitch + ptrdiff_t{x} * Bytes, Bytes);
        return v != trans;
    }
    // The first shown texel of row y in columns from..to - 1, or `to` when none is.
    int32_t FirstShown(int32_t y, int32_t from, int32_t to) const {
        while (from < to && !Shown(from, y)) ++from;
        return from;
    }
    // One past the last shown texel of row y in columns from..to - 1, or `from`.
    int32_t EndShown(int32_t y, int32_t from, int32_t to) const {
        while (to > from && !Shown(to - 1, y)) --to;
        return to;
    }
};

template <int Bytes>
Rect Bounds(const MEMIMG& src, uint32_t trans) {
    const Texels<Bytes> t{src, static_cast<typename Texels<Bytes>::Raw>(trans)};
    const int32_t w = src.width;
    int32_t top = 0, bottom = src.height;
    while (top < bottom && t.FirstShown(top, 0, w) == w) ++top;
    if (top == bottom) return Rect{0, 0, 0, 0};
    while (t.FirstShown(bottom - 1, 0, w) == w) --bottom;
    // Each row only needs a look left of the leftmost shown texel so far, and right of
    // the rightmost.
    int32_t left = t.FirstShown(top, 0, w), right = t.EndShown(top, left, w);
    for (int32_t y = top + 1; y < bottom; ++y) {
        left = t.FirstShown(y, 0, left);
        right = t.EndShown(y, right, w);
    }
    return Rect{left, top, right, bottom};
}

}  // namespace

Rect KeyedSourceBounds(const MEMIMG& src, int bytes, uint32_t trans) {
    if (bytes == 1) return Bounds<1>(src, trans);
    if (bytes == 2) return Bounds<2>(src, trans);
    return Bounds<4>(src, trans);
}

}  // namespace orvik::soft
