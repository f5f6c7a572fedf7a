// 8-bit channel arithmetic shared by the general pixel path and the fast spans, so both
// give the same bits: products are rounded to the nearest 1/255.
#pragma once
#include <cstdint>

namespace host {

// round(x / 255) for 0 <= x <= 65535.
inline uint32_t Div255(uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}
inline uint32_t Mul8(uint32_t a, uint32_t b) { return Div255(a * b); }

// The same on the two lanes 0x00FF00FF of a packed pixel: each lane holds 0..65535. The
// pixel functions below take a uint32_t, or a vector of them (each element a pixel).
template <class P>
inline P Div255Lanes(P lanes) {
    lanes += 0x00800080u;
    return ((lanes + ((lanes >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
}

// s * a + d * (255 - a) per channel, rounded: the source-alpha blend of two pixels.
template <class P>
inline P BlendLerp(P s, P d, P a) {
    const P ia = 255 - a;
    const P rb = Div255Lanes<P>((s & 0x00FF00FFu) * a + (d & 0x00FF00FFu) * ia);
    const P ga = Div255Lanes<P>(((s >> 8) & 0x00FF00FFu) * a + ((d >> 8) & 0x00FF00FFu) * ia);
    return rb | ga << 8;
}

// d + s * a per channel, saturated at 255: the additive blend.
template <class P>
inline P BlendAdd(P s, P d, P a) {
    const P rb = Div255Lanes<P>((s & 0x00FF00FFu) * a) + (d & 0x00FF00FFu);
    const P ga = Div255Lanes<P>(((s >> 8) & 0x00FF00FFu) * a) + ((d >> 8) & 0x00FF00FFu);
    // Lanes are at most 510: bit 8 of a lane marks an overflow to saturate.
    auto saturate = [](P lanes) {
        const P over = (lanes & 0x01000100u) >> 8;
        return (lanes | (over * 255)) & 0x00FF00FFu;
    };
    return saturate(rb) | saturate(ga) << 8;
}

// Channel-wise product of two pixels (texture times diffuse colour).
inline uint32_t ModulatePixel(uint32_t a, uint32_t b) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= Mul8((a >> shift) & 255, (b >> shift) & 255) << shift;
    return out;
}

}  // namespace host
