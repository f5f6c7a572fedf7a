// Whole-pixel arithmetic shared by the blend kernels: the weighted mix, the half sum and
// the packed saturating add and subtract. The packed forms work on all three channels in
// one integer operation; their low-bit results are deliberate and must not be "fixed".
#pragma once
#include <cstdint>

namespace orvik::soft {

// d + floor((c - d) * k / 2^s) for 0 <= k < 2^s, exact in 32-bit unsigned arithmetic:
// the true intermediate d * 2^s + (c - d) * k lies in [0, 2^32), so wrap-around in the
// two products cancels.
inline uint32_t BlendMix(uint32_t d, uint32_t c, uint32_t k, unsigned s) {
    return ((d << s) + c * k - d * k) >> s;
}

// BlendMix on the three colour bytes of two 32-bit pixels at once (byte 3 of the result
// is 0). Each lane holds d * (2^s - k) + c * k, which is the same non-negative value as
// d * 2^s + (c - d) * k and stays below 2^(s + 8) <= 2^32, so no lane carries into the
// next: blue and red share one 64-bit word 32 bits apart, green has its own.
inline uint32_t BlendMixPixel32(uint32_t d, uint32_t c, uint32_t k, unsigned s) {
    const uint64_t rbMask = 0x000000FF000000FFull;
    const uint64_t dRB = (d & 0xFFu) | (uint64_t{d} << 16 & 0xFF00000000ull);
    const uint64_t cRB = (c & 0xFFu) | (uint64_t{c} << 16 & 0xFF00000000ull);
    const uint64_t keep = (uint64_t{1} << s) - k;
    const uint64_t rb = ((dRB * keep + cRB * k) >> s) & rbMask;
    const uint64_t g = ((uint64_t{(d >> 8) & 0xFFu} * keep + uint64_t{(c >> 8) & 0xFFu} * k) >> s) & 0xFFu;
    return static_cast<uint32_t>(rb | rb >> 16) | static_cast<uint32_t>(g << 8);
}

// Each channel becomes floor(d/2) + floor(c/2); byte 3 becomes 0.
inline uint32_t HalfSum32(uint32_t d, uint32_t c) {
    return ((d >> 1) & 0x7F7F7Fu) + ((c >> 1) & 0x7F7F7Fu);
}

inline uint32_t HalfSum565(uint32_t d, uint32_t c) {
    return (((d & 0xFFFFu) >> 1) & 0x7BEFu) + (((c & 0xFFFFu) >> 1) & 0x7BEFu);
}

// The low bit of green and red is cleared in both operands so it catches the carry of
// the channel below; the carries then fill every overflowed channel. With keepLowBits
// the cleared bits are OR-ed back (the normal form); without, only the carries remain.
template <bool KeepLowBits = true>
inline uint32_t PackedAdd32(uint32_t d, uint32_t s) {
    const uint32_t u = (d & 0x00FEFEFFu) + (s & 0x00FEFEFFu);
    const uint32_t v = u & 0x01010100u;
    uint32_t r = (v - (v >> 8)) | u;
    if constexpr (KeepLowBits) r |= (d | s) & 0x00010100u;
    return r;
}

inline uint32_t PackedSub32(uint32_t d, uint32_t s) {
    const uint32_t t = (d | 0x01010100u) - (s & 0xFEFEFEFFu);
    const uint32_t v = t & 0x01010100u;
    return (v - (v >> 8)) & t;
}

template <bool KeepLowBits = true>
inline uint32_t PackedAdd565(uint32_t d, uint32_t s) {
    const uint32_t u = (d & 0xF7DEF7DFu) + (s & 0xF7DEF7DFu);
    const uint32_t v = u & 0x08210820u;
    uint32_t r = (v - (v >> 5)) | u;
    if constexpr (KeepLowBits) r |= (d | s) & 0x820u;
    return r & 0xFFFFu;
}

inline uint32_t PackedSub565(uint32_t d, uint32_t s) {
    const uint32_t t = (d | 0x08210820u) - (s & 0xF7DEF7DFu);
    const uint32_t v = t & 0x08210820u;
    return (v - (v >> 5)) & t & 0xFFFFu;
}

}  // namespace orvik::soft
