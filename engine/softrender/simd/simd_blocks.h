// Whole registers of pixels through one blend kernel: the row loops of the variants with
// no palette or blend image, tinted or not, on 32-bit and 16-bit pixels, with or without
// source alpha (a 16-bit pixel with alpha is four bytes: its colour, then its alpha). Written once over an instruction set I (Sse2, or the AVX2
// twin), each block gives exactly the per-pixel pipeline's bytes: the same floors, the
// same packed carries, the fourth byte kept or written as the pixel loop does.
//
// Per-channel work runs in 16-bit lanes: a 32-bit pixel's four bytes are widened in
// place, a 16-bit pixel is split into its blue, green and red fields, and a kernel works
// on them from the source's split to the destination's join without packing between
// steps. Products stay below 2^16 (255 * 256 at most) or are taken as their high half
// (alpha times parameter), and the divisions are exact multiply-and-shift forms, those
// of simd_scale.h and
//   floor(x / 255) = (x * 32897) >> 23                  for x < 66052
//   floor(x / 63)  = ((x * 4162) >> 16) >> 2            for x <= 63 * 63
// The packed add and subtract use the pixel loop's masks.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "engine/softrender/pipeline/pixel_pipeline.h"
#include "engine/softrender/simd/simd_packed.h"
#include "engine/softrender/simd/simd_scale.h"

namespace orvik::soft {

// Steps: whether some byte product of the draw is by 255, which has a step; without, no
// step is added.
template <class I, class V, bool Steps = true>
class Blocks {
    using X = typename I::V;
    template <int B>
    using Bits = std::integral_constant<int, B>;
    static constexpr bool k32 = V::depth == 32;
    using Packed = PackedBlocks<I, V::depth>;
    using Scale = ScaleBy255<I>;

    // A block's channels in 16-bit lanes: the low and high halves of 32-bit pixels with
    // their bytes widened, or the blue, green and red fields of 16-bit pixels.
    static constexpr size_t kSets = k32 ? 2 : 3;
    struct Lanes {
        X v[kSets];
        const X& operator[](size_t i) const { return v[i]; }
    };
    template <size_t i>
    static constexpr int kBitsOf = k32 ? 8 : i == 1 ? 6 : 5;
    // The blue, green and red lanes of a widened 32-bit pixel, not its fourth byte.
    static constexpr uint64_t kColourLanes = 0x0000FFFFFFFFFFFFull;

public:
    static constexpr int kPixels = I::kBytes / V::dstBytes;

    // Whether the kernel takes bytes times a bright byte or the parameter over 255, and
    // whether the draw has one of them at 255.
    static constexpr bool kByteProducts =
        k32 && (V::tint || V::kernel == Kernel::Add || V::kernel == Kernel::Subtract);
    static bool HasByteSteps(const PixelContext& cx) {
        bool any = false;
        if constexpr (V::tint)
            for (const uint32_t* row : cx.tint) any = any || row[255] == 255;
        if constexpr (V::kernel == Kernel::Add || V::kernel == Kernel::Subtract) any = any || cx.p == 255;
        return any;
    }

    explicit Blocks(const PixelContext& cx)
        : p_(I::Set16(cx.p)),
          pColour_(I::Set64(cx.p * 0x0000000100010001ull)),
          restColour_(I::Set64((256 - cx.p) * 0x0000000100010001ull | uint64_t{256} << 48)),
          keep255_(I::Set16(255 - cx.p)),
          pScale_(k32 ? Scale::ByteMultipliers(cx.p, cx.p, cx.p) : Scale::Field(cx.p)),
          pStep_(Scale::ByteSteps(cx.p, cx.p, cx.p)),
          k6_(I::Set16(cx.p >> 2)),
          k6rest_(I::Set16(63 - (cx.p >> 2))),
          trans_(k32 ? I::Set32(cx.trans) : I::Set16(cx.trans)),
          // A 16-bit pixel never equals a transparent value above 16 bits.
          keyOn_(k32 || cx.trans <= 0xFFFFu ? I::Set32(~0u) : I::Zero()) {
        if constexpr (V::tint) {
            // Each tint row holds c * bright / 255, so its entry 255 is the bright byte.
            const uint64_t b = cx.tint[0][255], g = cx.tint[1][255], r = cx.tint[2][255];
            if constexpr (k32) {
                tint_[0] = Scale::ByteMultipliers(b, g, r);
                tint_[1] = Scale::ByteSteps(b, g, r);
            } else {
                tint_[0] = Scale::Field(static_cast<uint32_t>(b));
                tint_[1] = Scale::Field(static_cast<uint32_t>(g));
                tint_[2] = Scale::Field(static_cast<uint32_t>(r));
            }
        }
    }

    // A block of source pixels: their colour in the destination's layout and, for 16-bit
    // pixels with alpha, their alpha bytes in the matching 16-bit lanes.
    struct Source {
        X c, a;
    };
    static Source Fetch(const uint8_t* src) {
        int32_t at = 0;
        return FetchFrom([&] { return I::Load(src + I::kBytes * at++); });
    }
    // The same from registers of source bytes that next() gives one after the other.
    template <class Next>
    static Source FetchFrom(Next&& next) {
        if constexpr (V::srcBytes == V::dstBytes) {
            return {next(), I::Zero()};
        } else {
            // Two registers of four-byte pixels: the low two bytes hold the colour, the
            // third the alpha; each taken to a signed 16-bit value that packs unchanged.
            const X lo = next();
            const X hi = next();
            const auto colour = [](X v) { return I::template Sra32<16>(I::template Sll32<16>(v)); };
            const auto alpha = [](X v) { return I::template Srl32<24>(I::template Sll32<8>(v)); };
            return {I::NarrowSigned32(colour(lo), colour(hi)), I::NarrowSigned32(alpha(lo), alpha(hi))};
        }
    }

    X Run(X d, const Source& s) const {
        const X c = s.c;
        X r = Blend(d, s);
        if constexpr (V::keyed && !V::alpha) {
            const X key = Same(c, trans_);
            r = Select(k32 ? key : I::And(key, keyOn_), d, r);
        }
        return r;
    }

    // One row of pixels. A row of a block or more that does not end on a block ends with
    // one that overlaps the block before it: worked out from the destination as it was and
    // stored last, it writes the pixels both hold with the values they already have.
    void Row(uint8_t* dst, const uint8_t* src, int32_t width) const {
        if (width < kPixels) return Tail(dst, src, width);
        WholeBlocks(dst, width, [&](int32_t x) { return Fetch(src + ptrdiff_t{x} * V::srcBytes); });
    }
    // The same for a row of at least a block, source(x) giving the source block of the
    // pixels from x on.
    template <class SourceAt>
    void WholeBlocks(uint8_t* dst, int32_t width, SourceAt&& source) const {
        constexpr int bytes = V::dstBytes;
        const auto block = [&](int32_t x) { return Run(I::Load(dst + ptrdiff_t{x} * bytes), source(x)); };
        const int32_t whole = width - width % kPixels;
        if (whole == width) {
            for (int32_t x = 0; x < width; x += kPixels) I::Store(dst + ptrdiff_t{x} * bytes, block(x));
        } else {
            const X end = block(width - kPixels);
            for (int32_t x = 0; x < whole; x += kPixels) I::Store(dst + ptrdiff_t{x} * bytes, block(x));
            I::Store(dst + ptrdiff_t{width - kPixels} * bytes, end);
        }
    }

    // The last pixels of a row, fewer than a block: through a zeroed block on the stack,
    // of which only those pixels are written back.
    void Tail(uint8_t* dst, const uint8_t* src, int32_t count) const {
        alignas(32) uint8_t d[I::kBytes] = {}, s[kPixels * V::srcBytes] = {};
        const size_t n = static_cast<size_t>(count);
        std::memcpy(d, dst, n * V::dstBytes);
        std::memcpy(s, src, n * V::srcBytes);
        I::Store(d, Run(I::Load(d), Fetch(s)));
        std::memcpy(dst, d, n * V::dstBytes);
    }

private:
    static X Select(X mask, X ifSet, X ifClear) {
        return I::Or(I::And(mask, ifSet), I::AndNot(mask, ifClear));
    }
    static X Same(X a, X b) {
        if constexpr (k32) return I::Eq32(a, b);
        else return I::Eq16(a, b);
    }
    template <int B>
    static X Product(X d, X c) {
        return I::template Srl16<B>(I::Mul16(d, c));
    }
    // floor((d * (256 - k) + c * k) / 256), with rest = 256 - k.
    static X Mix(X d, X c, X k, X rest) {
        return I::template Srl16<8>(I::Add16(I::Mul16(d, rest), I::Mul16(c, k)));
    }

    static Lanes Split(X v) {
        if constexpr (k32)
            return {{I::Widen8Lo(v), I::Widen8Hi(v)}};
        else
            return {{I::And(v, I::Set16(31)), I::And(I::template Srl16<5>(v), I::Set16(63)),
                     I::template Srl16<11>(v)}};
    }
    static X Join(const Lanes& l) {
        if constexpr (k32)
            return I::Narrow16(l[0], l[1]);
        else
            return I::Or(I::Or(l[0], I::template Sll16<5>(l[1])), I::template Sll16<11>(l[2]));
    }
    // fn(d, c, Bits<n>) on each set of lanes.
    template <class Fn>
    static Lanes Map(const Lanes& d, const Lanes& c, Fn fn) {
        return [&]<size_t... i>(std::index_sequence<i...>) {
            return Lanes{{fn(d[i], c[i], Bits<kBitsOf<i>>{})...}};
        }(std::make_index_sequence<kSets>{});
    }

    // d moved toward t by the parameter: on 8-bit channels by p / 256 (the fourth byte by
    // nothing); on 16-bit pixels by p * (t - d) / 255 truncated toward d, as the
    // difference row holds it: that is floor(n / 255) of n = d * (255 - p) + t * p when
    // t >= d, and its ceiling, floor((n + 254) / 255), when t < d. With Down the caller
    // knows t <= d, where the ceiling serves both (n = 255 d when t = d).
    template <int B, bool Down = false>
    X Toward(X d, X t) const {
        if constexpr (B == 8) {
            return Mix(d, t, pColour_, restColour_);
        } else {
            const X n = I::Add16(I::Mul16(d, keep255_), I::Mul16(t, p_));
            const X up = Down ? I::Set16(254) : I::And(I::Gt16(d, t), I::Set16(254));
            return I::template Srl16<7>(I::MulHi16(I::Add16(n, up), I::Set16(32897)));
        }
    }

    // The source colour a kernel works with, in lanes: inverted for mode 10, then tinted
    // (each channel times its bright byte / 255). The tint takes a 32-bit pixel's fourth
    // byte to 0: no kernel reads it from here.
    Lanes Prepare(X c) const {
        if constexpr (V::kernel == Kernel::InvertAlpha)
            c = I::Xor(c, k32 ? I::Set32(0x00FFFFFFu) : I::Set16(0xFFFFu));
        if constexpr (!V::tint) {
            return Split(c);
        } else if constexpr (k32) {
            const Lanes l = Split(c);
            return {{Scale::template Bytes<Steps>(l[0], tint_[1], tint_[0]),
                     Scale::template Bytes<Steps>(l[1], tint_[1], tint_[0])}};
        } else {
            // The fields split out doubled, for the high product with the bright's scale.
            return {{I::MulHi16(I::And(I::template Sll16<1>(c), I::Set16(62)), tint_[0]),
                     I::MulHi16(I::And(I::template Srl16<4>(c), I::Set16(126)), tint_[1]),
                     I::MulHi16(I::And(I::template Srl16<10>(c), I::Set16(62)), tint_[2])}};
        }
    }

    // The colour channels of r with the fourth byte of d.
    static X KeepFourth(X r, X d) {
        if constexpr (k32) return Select(I::Set32(0xFF000000u), d, r);
        else return r;
    }

    // The value modes 2 and 3 add or subtract: each colour channel times p / 255 (the
    // fourth byte of a 32-bit pixel times 0).
    X Scaled(const Lanes& c) const {
        return Join(Map(c, c, [&](X, X x, auto) {
            if constexpr (k32) return Scale::template Bytes<Steps>(x, pStep_, pScale_);
            else return I::MulHi16(I::Add16(x, x), pScale_);
        }));
    }

    // The weight of each 32-bit pixel's alpha in all its colour lanes, 0 in the fourth;
    // with OpaquePlain alpha 255 weighs 256, which in the kernels of kOneWeighting gives
    // exactly what the pixel gives drawn without alpha.
    template <bool OpaquePlain>
    static X AlphaWeight(X ch) {
        const X a = I::And(I::SpreadFourth16(ch), I::Set64(kColourLanes));
        if constexpr (OpaquePlain) return I::Add16(a, I::template Srl16<8>(I::Add16(a, I::Set16(1))));
        else return a;
    }
    static constexpr bool kOneWeighting = k32 && (V::kernel == Kernel::Alpha || V::kernel == Kernel::InvertAlpha ||
                                          V::kernel == Kernel::Multiply || V::kernel == Kernel::MultiplyAlpha);

    // d + floor((t - d) * k / 2^16) for k up to 255 * 255. The signed high product reads
    // a k of 2^15 or more as k - 2^16, which takes (t - d) off the result: added back.
    static X TowardWide(X d, X t, X k) {
        const X gap = I::Sub16(t, d);
        const X hi = I::Add16(I::MulHiSigned16(gap, k), I::And(I::template Sra16<15>(k), gap));
        return I::Add16(d, hi);
    }

    // A source pixel weighted by its alpha a: a 32-bit pixel as read before the tint,
    // in mode 0 by a / 256, in the others by a * p / 2^16. A weight of 0 keeps the fourth
    // byte, except in multiply.
    template <bool OpaquePlain>
    X Weighted(X d, const Source& s) const {
        if constexpr (k32) return Weighted32<OpaquePlain>(d, s.c);
        else return Weighted16(d, s.c, s.a);
    }
    template <bool OpaquePlain>
    X Weighted32(X d, X c) const {
        constexpr Kernel K = V::kernel;
        const Lanes cl = Prepare(c), dl = Split(d), al = V::tint ? Split(c) : cl;
        Lanes r;
        for (size_t i = 0; i < kSets; ++i) {
            const X a = AlphaWeight<OpaquePlain>(al[i]), dc = dl[i], cc = cl[i];
            if constexpr (K == Kernel::Add || K == Kernel::Subtract)
                r.v[i] = I::MulHi16(cc, I::Mul16(a, p_));
            else if constexpr (K == Kernel::Copy)
                r.v[i] = Mix(dc, cc, a, I::Sub16(I::Set16(256), a));
            else if constexpr (K == Kernel::Multiply)
                r.v[i] = I::MulHi16(I::Mul16(dc, cc), a);
            else if constexpr (K == Kernel::MultiplyAlpha)
                r.v[i] = TowardWide(dc, Product<8>(dc, cc), I::Mul16(a, p_));
            else
                r.v[i] = TowardWide(dc, cc, I::Mul16(a, p_));
        }
        if constexpr (K == Kernel::Add) return Packed::template Add<true>(d, Join(r));
        else if constexpr (K == Kernel::Subtract) return Packed::Sub(d, Join(r));
        else if constexpr (K == Kernel::Multiply) return KeepFourth(Join(r), d);
        else return Join(r);
    }

    // 16-bit pixels: the same weights on the fields, except that modes 2 and 3 weigh the
    // field as stored by a / 256 before the tint, and multiply shifts its product of
    // three by the field's width and 8.
    X Weighted16(X d, X c, X a) const {
        constexpr Kernel K = V::kernel;
        if constexpr (K == Kernel::Add || K == Kernel::Subtract) {
            const Lanes f = Split(c);
            Lanes x;
            for (size_t i = 0; i < kSets; ++i) {
                X v = I::template Srl16<8>(I::Mul16(f[i], a));
                if constexpr (V::tint) v = I::MulHi16(I::Add16(v, v), tint_[i]);
                x.v[i] = I::MulHi16(I::Add16(v, v), pScale_);
            }
            if constexpr (K == Kernel::Add) return Packed::template Add<true>(d, Join(x));
            else return Packed::Sub(d, Join(x));
        } else {
            const X k = I::Mul16(a, p_);
            return Join(Map(Split(d), Prepare(c), [&]<int B>(X dc, X cc, Bits<B>) {
                if constexpr (K == Kernel::Copy)
                    return Mix(dc, cc, a, I::Sub16(I::Set16(256), a));
                else if constexpr (K == Kernel::Multiply)
                    return I::MulHi16(I::Mul16(dc, cc), I::template Sll16<8 - B>(a));
                else if constexpr (K == Kernel::MultiplyAlpha)
                    return TowardWide(dc, Product<B>(dc, cc), k);
                else
                    return TowardWide(dc, cc, k);
            }));
        }
    }

    // Alpha 0 leaves the destination where the kernel skips such pixels, and also where
    // their weight of 0 moves nothing (the fourth byte included).
    static constexpr bool kClearKeeps = V::skipAlphaZero || V::kernel == Kernel::Alpha ||
                                        V::kernel == Kernel::InvertAlpha ||
                                        V::kernel == Kernel::MultiplyAlpha;

    // A source with alpha. Keyed, alpha 255 draws as if there were no alpha and, in the
    // kernels that skip them, alpha 0 leaves the destination; other pixels are weighted.
    X AlphaSource(X d, const Source& s) const {
        const X c = s.c;
        if constexpr (V::ignoreAlpha) {
            return c;
        } else if constexpr (V::keyed) {
            const X a = k32 ? I::template Srl32<24>(c) : s.a;
            const X opaque = k32 ? I::Eq32(a, I::Set32(255)) : I::Eq16(a, I::Set16(255));
            const X clear = k32 ? I::Eq32(a, I::Zero()) : I::Eq16(a, I::Zero());
            // Sprites are mostly wholly opaque or wholly clear: such blocks need no weights.
            if (I::AllSet(opaque)) return Unweighted(d, c);
            if (kClearKeeps && I::AllSet(clear)) return d;
            X r;
            if constexpr (kOneWeighting) r = Weighted<true>(d, s);
            else r = Select(opaque, Unweighted(d, c), Weighted<false>(d, s));
            if constexpr (V::skipAlphaZero) return Select(clear, d, r);
            else return r;
        } else {
            return Weighted<false>(d, s);
        }
    }

    X Blend(X d, const Source& s) const {
        if constexpr (V::alpha) return AlphaSource(d, s);
        else return Unweighted(d, s.c);
    }

    X Unweighted(X d, X c) const {
        constexpr Kernel K = V::kernel;
        if constexpr (K == Kernel::Copy) {
            // A tinted copy keeps the destination's fourth byte.
            if constexpr (V::tint) return KeepFourth(Join(Prepare(c)), d);
            else return c;
        } else if constexpr (K == Kernel::Alpha || K == Kernel::InvertAlpha) {
            return Join(Map(Split(d), Prepare(c),
                            [&]<int B>(X dc, X cc, Bits<B>) { return Toward<B>(dc, cc); }));
        } else if constexpr (K == Kernel::HalfSum) {
            if constexpr (k32)
                return I::Add32(I::And(I::template Srl32<1>(d), I::Set32(0x7F7F7Fu)),
                                I::And(I::template Srl32<1>(c), I::Set32(0x7F7F7Fu)));
            else
                return I::Add16(I::And(I::template Srl16<1>(d), I::Set16(0x7BEFu)),
                                I::And(I::template Srl16<1>(c), I::Set16(0x7BEFu)));
        } else if constexpr (K == Kernel::Mix6) {
            return Join(Map(Split(d), Split(c), [&](X dc, X cc, auto) {
                const X sum = I::Add16(I::Mul16(cc, k6_), I::Mul16(dc, k6rest_));
                return I::template Srl16<2>(I::MulHi16(sum, I::Set16(4162)));
            }));
        } else if constexpr (K == Kernel::Add) {
            return Packed::template Add<true>(d, Scaled(Prepare(c)));
        } else if constexpr (K == Kernel::AddNoLowBits) {
            return Packed::template Add<false>(d, c);
        } else if constexpr (K == Kernel::Subtract) {
            return Packed::Sub(d, Scaled(Prepare(c)));
        } else if constexpr (K == Kernel::Multiply) {
            return KeepFourth(Join(Map(Split(d), Prepare(c), []<int B>(X dc, X cc, Bits<B>) {
                                  return Product<B>(dc, cc);
                              })), d);
        } else {
            static_assert(K == Kernel::MultiplyAlpha);
            return Join(Map(Split(d), Prepare(c), [&]<int B>(X dc, X cc, Bits<B>) {
                // The product of a field by one below 2^B is at most the field.
                return Toward<B, true>(dc, Product<B>(dc, cc));
            }));
        }
    }

    // p in every lane; p in the colour lanes of widened 32-bit pixels and 0 in the fourth,
    // with 256 - p and 256 beside it; 255 - p; the multiplier (and, on 32-bit pixels, the
    // step) for floor(c * p / 255).
    X p_, pColour_, restColour_, keep255_, pScale_, pStep_;
    X k6_, k6rest_, trans_, keyOn_;
    // The bright bytes' multipliers: 32-bit pixels the lanes' multipliers then steps,
    // 16-bit pixels one per field.
    X tint_[3] = {};
};

// Calls fn(blocks) with the kernels of the draw: without the steps when no byte product of
// the draw is by 255. The run-coded draw's stretches go through it; the rows below keep
// their own loop, whose code the compiler lays out best for long rows.
template <class I, class V, class Fn>
void WithBlocks(const PixelContext& cx, Fn&& fn) {
    if constexpr (Blocks<I, V>::kByteProducts)
        if (!Blocks<I, V>::HasByteSteps(cx)) return fn(Blocks<I, V, false>(cx));
    fn(Blocks<I, V, true>(cx));
}

// Rows of blocks; the source has the destination's layout, or is 16-bit with alpha.
template <class I, class V, bool Steps>
void BlockRowsOf(const PixelContext& cx, uint8_t* dst, ptrdiff_t dstPitch, const uint8_t* src,
                 ptrdiff_t srcPitch, int32_t width, int32_t height) {
    const Blocks<I, V, Steps> k(cx);
    constexpr int n = Blocks<I, V, Steps>::kPixels, bytes = V::dstBytes;
    const int32_t whole = width - width % n;
    for (int32_t y = 0; y < height; ++y, dst += dstPitch, src += srcPitch) {
        for (int32_t x = 0; x < whole; x += n) {
            uint8_t* at = dst + ptrdiff_t{x} * bytes;
            I::Store(at, k.Run(I::Load(at), k.Fetch(src + ptrdiff_t{x} * V::srcBytes)));
        }
        if (whole < width)
            k.Tail(dst + ptrdiff_t{whole} * bytes, src + ptrdiff_t{whole} * V::srcBytes, width - whole);
    }
}

// The rows of a draw with no byte product by 255 skip the steps.
template <class I, class V>
void BlockRows(const PixelContext& cx, uint8_t* dst, ptrdiff_t dstPitch, const uint8_t* src,
               ptrdiff_t srcPitch, int32_t width, int32_t height) {
    if constexpr (Blocks<I, V>::kByteProducts)
        if (!Blocks<I, V>::HasByteSteps(cx))
            return BlockRowsOf<I, V, false>(cx, dst, dstPitch, src, srcPitch, width, height);
    BlockRowsOf<I, V, true>(cx, dst, dstPitch, src, srcPitch, width, height);
}

}  // namespace orvik::soft
