// The vector row converters, written once over the host's lane operations so that the
// SSE2 build (8 pixels of 16 bits a step) and the AVX2 build (16) run the same steps; a
// row's last pixels go through the same steps one at a time.
//
// Each translation unit including this names its own namespace (HOST_SPAN_ISA), so the
// copies built for different instruction sets never merge at link time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "host/d3d9/raster/span_lanes.h"
#include "host/gdi/pixel_rows.h"

namespace host::HOST_SPAN_ISA::pixel_rows {

// One pixel at a time, in the low bits of a 32-bit value.
struct OneLane {
    using T = uint32_t;
    static constexpr int kLanes = 1;
    static T Set16(int v) { return T(v); }
    static T Set32(uint32_t v) { return v; }
    static void Store(uint32_t* p, T v) { *p = v; }
    static T And(T a, T b) { return a & b; }
    static T Or(T a, T b) { return a | b; }
    template <int N>
    static T Shr16(T a) { return a >> N; }
    template <int N>
    static T Shl16(T a) { return a << N; }
    static void StoreZipped16(uint32_t* p, T lo, T hi) { *p = lo | hi << 16; }
};

// A vector's worth of pixels, or with OneLane a single pixel of Bytes bytes.
template <class V, int Bytes>
typename V::T LoadPixels(const uint8_t* p) {
    if constexpr (V::kLanes == 1) {
        std::conditional_t<Bytes == 2, uint16_t, uint32_t> v;
        std::memcpy(&v, p, Bytes);
        return v;
    } else {
        return V::Load(reinterpret_cast<const uint32_t*>(p));
    }
}

// 16-bit layouts by the place and width (5 or 6 bits) of each channel.
template <int RShift, int RWidth, int GShift, int GWidth, int BShift, int BWidth>
struct Layout16 {
    static constexpr int kShift[3] = {RShift, GShift, BShift}, kWidth[3] = {RWidth, GWidth, BWidth};
};
using Rgb565 = Layout16<11, 5, 5, 6, 0, 5>;
using Rgb555 = Layout16<10, 5, 5, 5, 0, 5>;

template <class V, int N>
typename V::T ShiftRight(typename V::T a) {
    if constexpr (N > 0) return V::template Shr16<N>(a);
    else if constexpr (N < 0) return V::template Shl16<-N>(a);
    else return a;
}

// A channel of Width bits at Shift widened to 8: its bits on top, its top 8 - Width bits
// repeated below them (a Width of 4 or more needs the repeat once).
template <class V, int Shift, int Width>
typename V::T Channel(typename V::T p) {
    static_assert(Width >= 4 && Width < 8);
    const auto top = V::And(ShiftRight<V, Shift + Width - 8>(p), V::Set16((0xFF << (8 - Width)) & 0xFF));
    const auto low = V::And(ShiftRight<V, Shift + 2 * Width - 8>(p), V::Set16((1 << (8 - Width)) - 1));
    return V::Or(top, low);
}

// 2 * kLanes pixels of 16 bits (one for OneLane) into 0x00RRGGBB.
template <class V, class L>
void Widen(uint32_t* to, const uint8_t* from) {
    const auto p = LoadPixels<V, 2>(from);
    const auto r = Channel<V, L::kShift[0], L::kWidth[0]>(p);
    const auto g = Channel<V, L::kShift[1], L::kWidth[1]>(p);
    const auto b = Channel<V, L::kShift[2], L::kWidth[2]>(p);
    V::StoreZipped16(to, V::Or(b, V::template Shl16<8>(g)), r);
}

template <class V, class L>
void WidenRow(const PixelLayout&, uint32_t* to, const uint8_t* from, size_t count) {
    constexpr size_t kStep = 2 * V::kLanes;
    size_t i = 0;
    for (; i + kStep <= count; i += kStep) Widen<V, L>(to + i, from + 2 * i);
    for (; i < count; ++i) Widen<OneLane, L>(to + i, from + 2 * i);
}

// 32-bit 8-8-8 pixels with the unused top byte cleared.
template <class V>
void Clear32(uint32_t* to, const uint8_t* from) {
    V::Store(to, V::And(LoadPixels<V, 4>(from), V::Set32(0xFFFFFFu)));
}

template <class V>
void CopyRow32(const PixelLayout&, uint32_t* to, const uint8_t* from, size_t count) {
    size_t i = 0;
    for (; i + V::kLanes <= count; i += V::kLanes) Clear32<V>(to + i, from + 4 * i);
    for (; i < count; ++i) Clear32<OneLane>(to + i, from + 4 * i);
}

// The converters of 5-6-5, 5-5-5 and 8-8-8 pixels, in that order.
template <class V>
inline constexpr PixelRowFn kRows[] = {&WidenRow<V, Rgb565>, &WidenRow<V, Rgb555>, &CopyRow32<V>};

}  // namespace host::HOST_SPAN_ISA::pixel_rows
