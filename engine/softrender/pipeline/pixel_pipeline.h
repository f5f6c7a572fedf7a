// The per-pixel pipeline shared by every software draw: fetch, keying, source alpha,
// tint, blend-image weight and the blend kernel, as one template over the variant. Every
// choice that depends only on the draw is a template parameter, so a walker instantiated
// on a variant runs a loop with no per-pixel test beyond keying and the alpha byte.
#pragma once
#include <cstdint>
#include <cstring>

#include "engine/softrender/pipeline/blend_kernels.h"
#include "engine/softrender/pipeline/packed_ops.h"

#if defined(__GNUC__)
#define ORVIK_SOFT_INLINE inline __attribute__((always_inline))
#else
#define ORVIK_SOFT_INLINE inline
#endif

namespace orvik::soft {

// Everything a pixel reads besides the pixels, fixed for the length of one draw.
struct PixelContext {
    const uint32_t* tint[3] = {};  // table rows of the blue, green and red bright bytes
    const uint32_t* param = nullptr;  // a * p / 255 row of the blend parameter
    const int32_t* diff = nullptr;    // p * d / 255 row, addressed at difference 0
    const uint8_t* mix6 = nullptr;    // 64 x 64 mix block of p / 4
    const uint8_t* weight = nullptr;  // blend-image byte -> weight
    const void* palette = nullptr;    // 4-byte (32-bit) or 2-byte (16-bit) entries
    uint32_t p = 0;
    uint32_t trans = 0;  // transparent pixel value or palette index
};

template <Flavour F, int Depth, bool Pal, Kernel K, bool Blend, bool Tint, bool Alpha, bool Keyed>
struct Variant {
    static constexpr Flavour flavour = F;
    static constexpr int depth = Depth;
    static constexpr bool pal = Pal;
    static constexpr Kernel kernel = K;
    static constexpr bool blend = Blend;
    static constexpr bool tint = Tint;
    static constexpr bool alpha = Alpha;
    static constexpr bool keyed = Keyed;

    static constexpr bool plain = !Blend && !Tint && !Alpha;
    static constexpr bool shortcut =
        K == Kernel::HalfSum || K == Kernel::Mix6 || K == Kernel::AddNoLowBits;
    // A palette source never has alpha; the shortcuts exist only in the point draw's
    // plain loops, and the six-bit mix only for 16-bit pixels, where it replaces the
    // general mode-1 loop.
    static constexpr bool valid =
        !(Pal && Alpha) && (!shortcut || (F == Flavour::Point && plain)) &&
        (K != Kernel::Mix6 || Depth == 16) &&
        !(K == Kernel::Alpha && F == Flavour::Point && plain && Depth == 16);

    static constexpr int srcBytes = Pal ? 1 : (Depth == 32 || Alpha) ? 4 : 2;
    static constexpr int dstBytes = Depth / 8;
    // Keyed alpha sources skip alpha-0 pixels in these cases; elsewhere such a pixel is
    // blended with weight 0 (which, in multiply, turns it black).
    static constexpr bool skipAlphaZero =
        F == Flavour::Stretch || K == Kernel::Copy || K == Kernel::Alpha || K == Kernel::Add ||
        K == Kernel::Subtract || (K == Kernel::InvertAlpha && Depth == 16);
    // The point draw copies an unkeyed alpha source whole when nothing else weights it.
    static constexpr bool ignoreAlpha =
        F == Flavour::Point && K == Kernel::Copy && Alpha && !Keyed && !Tint && !Blend;
};

namespace detail {

template <int Depth>
struct Channels;
template <>
struct Channels<32> {
    static constexpr unsigned shift[3] = {0, 8, 16};
    static constexpr unsigned bits[3] = {8, 8, 8};
    static constexpr uint32_t colourMask = 0x00FFFFFFu;
};
template <>
struct Channels<16> {
    static constexpr unsigned shift[3] = {0, 5, 11};  // blue, green, red
    static constexpr unsigned bits[3] = {5, 6, 5};
    static constexpr uint32_t colourMask = 0xFFFFu;
};

template <int Depth>
ORVIK_SOFT_INLINE uint32_t Ch(uint32_t v, int k) {
    return (v >> Channels<Depth>::shift[k]) & ((1u << Channels<Depth>::bits[k]) - 1u);
}

// Packs f(k) for the three channels into one pixel value (colour bits only).
template <int Depth, class Fn>
ORVIK_SOFT_INLINE uint32_t Pack(Fn&& f) {
    return (f(0) << Channels<Depth>::shift[0]) | (f(1) << Channels<Depth>::shift[1]) |
           (f(2) << Channels<Depth>::shift[2]);
}

ORVIK_SOFT_INLINE uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
ORVIK_SOFT_INLINE uint32_t Load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
ORVIK_SOFT_INLINE void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
ORVIK_SOFT_INLINE void Store16(uint8_t* p, uint32_t v) {
    const uint16_t h = static_cast<uint16_t>(v);
    std::memcpy(p, &h, 2);
}

template <int Depth>
ORVIK_SOFT_INLINE uint32_t LoadDst(const uint8_t* p) {
    if constexpr (Depth == 32) return Load32(p);
    else return Load16(p);
}

// Whole pixel: 32-bit writes all four bytes.
template <int Depth>
ORVIK_SOFT_INLINE void StoreWhole(uint8_t* p, uint32_t v) {
    if constexpr (Depth == 32) Store32(p, v);
    else Store16(p, v);
}

// Colour channels only: a 32-bit destination keeps its fourth byte.
template <int Depth>
ORVIK_SOFT_INLINE void StoreColour(uint8_t* p, uint32_t old, uint32_t colour) {
    if constexpr (Depth == 32) Store32(p, (old & 0xFF000000u) | colour);
    else Store16(p, colour);
}

struct Sample {
    uint32_t raw;     // what keying compares: the index, or the stored pixel
    uint32_t colour;  // palette entry or pixel (32-bit: all four bytes)
    uint32_t alpha;
};

template <class V>
ORVIK_SOFT_INLINE Sample Fetch(const PixelContext& cx, const uint8_t* src) {
    Sample s{0, 0, 0};
    if constexpr (V::pal) {
        s.raw = *src;
        if constexpr (V::depth == 32) s.colour = static_cast<const uint32_t*>(cx.palette)[s.raw];
        else s.colour = static_cast<const uint16_t*>(cx.palette)[s.raw];
    } else if constexpr (V::depth == 32) {
        s.raw = s.colour = Load32(src);
        s.alpha = s.raw >> 24;
    } else if constexpr (V::alpha) {
        const uint32_t v = Load32(src);
        s.raw = s.colour = v & 0xFFFFu;
        s.alpha = (v >> 16) & 0xFFu;
    } else {
        s.raw = s.colour = Load16(src);
    }
    return s;
}

// The source colour a kernel works with: inverted for mode 10, then tinted.
template <class V>
ORVIK_SOFT_INLINE uint32_t Prepare(const PixelContext& cx, uint32_t c) {
    constexpr int D = V::depth;
    if constexpr (V::kernel == Kernel::InvertAlpha) c = ~c & Channels<D>::colourMask;
    if constexpr (V::tint) c = Pack<D>([&](int k) { return cx.tint[k][Ch<D>(c, k)]; });
    return c;
}

// Moves each destination channel toward target by Factors weights of value/256 (product
// k), except that a 16-bit pixel whose only factor is the parameter goes through the
// 255-based difference row, truncating toward the destination.
template <class V, int Factors, bool ParamOnly = false>
ORVIK_SOFT_INLINE uint32_t MixToward(const PixelContext& cx, uint32_t d, uint32_t target,
                                     uint32_t k) {
    constexpr int D = V::depth;
    if constexpr (D == 32) return BlendMixPixel32(d, target, k, 8 * Factors);
    return Pack<D>([&](int i) {
        const uint32_t dc = Ch<D>(d, i), tc = Ch<D>(target, i);
        if constexpr (ParamOnly)
            return static_cast<uint32_t>(static_cast<int32_t>(dc) +
                                         cx.diff[static_cast<int32_t>(tc) - static_cast<int32_t>(dc)]);
        else
            return BlendMix(dc, tc, k, 8 * Factors);
    });
}

// The value added or subtracted by modes 2 and 3.
template <class V, bool UseA>
ORVIK_SOFT_INLINE uint32_t Scaled(const PixelContext& cx, uint32_t c, uint32_t a, uint32_t w) {
    constexpr int D = V::depth;
    const uint32_t t = Prepare<V>(cx, c);
    if constexpr (D == 32) {
        return Pack<D>([&](int k) -> uint32_t {
            const uint32_t tk = Ch<D>(t, k);
            if constexpr (!V::blend && !UseA) return cx.param[tk];
            else if constexpr (V::blend && UseA) return (tk * w * a * cx.p) >> 24;
            else return (tk * (V::blend ? w : a) * cx.p) >> 16;
        });
    } else {
        return Pack<D>([&](int k) -> uint32_t {
            uint32_t x;
            if constexpr (!V::blend && !UseA) {
                x = Ch<D>(t, k);
            } else if constexpr (!V::blend) {
                // Without a blend image the alpha scales the raw field and the tint follows.
                x = (Ch<D>(c, k) * a) >> 8;
                if constexpr (V::tint) x = cx.tint[k][x];
            } else if constexpr (!UseA) {
                x = (Ch<D>(t, k) * w) >> 8;
            } else {
                x = (Ch<D>(t, k) * w * a) >> 16;
            }
            return cx.param[x];
        });
    }
}

template <class V, bool UseA>
ORVIK_SOFT_INLINE void Combine(const PixelContext& cx, uint8_t* dst, uint32_t c, uint32_t a,
                               uint32_t w) {
    constexpr int D = V::depth;
    constexpr Kernel K = V::kernel;
    constexpr int weights = int(V::blend) + int(UseA);
    const uint32_t k = (V::blend ? w : 1u) * (UseA ? a : 1u);
    const uint32_t d = LoadDst<D>(dst);

    if constexpr (K == Kernel::Copy) {
        if constexpr (weights == 0 && !V::tint) StoreWhole<D>(dst, c);
        else if constexpr (weights == 0) StoreColour<D>(dst, d, Prepare<V>(cx, c));
        else StoreColour<D>(dst, d, MixToward<V, weights>(cx, d, Prepare<V>(cx, c), k));
    } else if constexpr (K == Kernel::Alpha || K == Kernel::InvertAlpha) {
        StoreColour<D>(dst, d,
                       MixToward<V, weights + 1, weights == 0>(cx, d, Prepare<V>(cx, c), k * cx.p));
    } else if constexpr (K == Kernel::HalfSum) {
        if constexpr (D == 32) StoreWhole<D>(dst, HalfSum32(d, c));
        else StoreWhole<D>(dst, HalfSum565(d, c));
    } else if constexpr (K == Kernel::Mix6) {
        StoreWhole<D>(dst, Pack<D>([&](int i) -> uint32_t {
                          return cx.mix6[(Ch<D>(c, i) << 6) | Ch<D>(d, i)];
                      }));
    } else if constexpr (K == Kernel::Add || K == Kernel::Subtract) {
        const uint32_t s = Scaled<V, UseA>(cx, c, a, w);
        if constexpr (K == Kernel::Add) StoreWhole<D>(dst, D == 32 ? PackedAdd32(d, s) : PackedAdd565(d, s));
        else StoreWhole<D>(dst, D == 32 ? PackedSub32(d, s) : PackedSub565(d, s));
    } else if constexpr (K == Kernel::AddNoLowBits) {
        if constexpr (D == 32) StoreWhole<D>(dst, PackedAdd32<false>(d, c));
        else StoreWhole<D>(dst, PackedAdd565<false>(d, c));
    } else if constexpr (K == Kernel::Multiply) {
        const uint32_t cc = Prepare<V>(cx, c);
        StoreColour<D>(dst, d, Pack<D>([&](int i) -> uint32_t {
                           return (Ch<D>(d, i) * Ch<D>(cc, i) * k) >>
                                  (Channels<D>::bits[i] + 8 * weights);
                       }));
    } else if constexpr (K == Kernel::MultiplyAlpha) {
        const uint32_t cc = Prepare<V>(cx, c);
        const uint32_t t = Pack<D>([&](int i) -> uint32_t {
            return (Ch<D>(d, i) * Ch<D>(cc, i)) >> Channels<D>::bits[i];
        });
        uint32_t r = MixToward<V, weights + 1, weights == 0>(cx, d, t, k * cx.p);
        if constexpr (V::flavour == Flavour::Textured && D == 16 && UseA && !V::tint && !V::blend) {
            // The textured loops keep the green product at five more bits.
            const uint32_t dg = Ch<D>(d, 1);
            const uint32_t g = (Ch<D>(cc, 1) * dg) >> 1;
            const uint32_t ap = a * cx.p;
            const uint32_t green = ((dg << 21) + g * ap - 32u * dg * ap) >> 21;
            r = (r & ~(0x3Fu << 5)) | (green << 5);
        }
        StoreColour<D>(dst, d, r);
    }
}

}  // namespace detail

// One destination pixel. src points at the source pixel (or the flat colour laid out as
// one), blend at its blend-image byte when the variant has a blend image.
template <class V>
ORVIK_SOFT_INLINE void BlendPixel(const PixelContext& cx, uint8_t* dst, const uint8_t* src,
                                  const uint8_t* blend) {
    static_assert(V::valid, "variant has no loop");
    const detail::Sample s = detail::Fetch<V>(cx, src);
    if constexpr (V::keyed && !V::alpha) {
        if (s.raw == cx.trans) return;
    }
    uint32_t w = 0;
    if constexpr (V::blend) w = cx.weight[*blend];
    if constexpr (V::alpha && V::keyed) {
        if (s.alpha == 255) return detail::Combine<V, false>(cx, dst, s.colour, 0, w);
        if constexpr (V::skipAlphaZero) {
            if (s.alpha == 0) return;
        }
        detail::Combine<V, true>(cx, dst, s.colour, s.alpha, w);
    } else {
        detail::Combine<V, V::alpha && !V::ignoreAlpha>(cx, dst, s.colour, s.alpha, w);
    }
}

// One destination pixel whose coverage the caller already knows (a run-coded opaque or
// partly transparent pixel): no keying test; WithAlpha picks the alpha-weighted form, and
// without it an alpha source counts as opaque.
template <class V, bool WithAlpha>
ORVIK_SOFT_INLINE void BlendCoveredPixel(const PixelContext& cx, uint8_t* dst, const uint8_t* src,
                                         const uint8_t* blend) {
    static_assert(V::valid, "variant has no loop");
    const detail::Sample s = detail::Fetch<V>(cx, src);
    uint32_t w = 0;
    if constexpr (V::blend) w = cx.weight[*blend];
    detail::Combine<V, WithAlpha && V::alpha>(cx, dst, s.colour, s.alpha, w);
}

}  // namespace orvik::soft
