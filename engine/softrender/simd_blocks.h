// Whole registers of pixels through one blend kernel: the row loops of the variants with
// no palette or blend image, tinted or not, on 32-bit and 16-bit pixels, with or without
// source alpha on 32-bit pixels. Written once over an instruction set I (Sse2, or the AVX2
// twin), each block gives exactly the per-pixel pipeline's bytes: the same floors, the
// same packed carries, the fourth byte kept or written as the pixel loop does.
//
// Per-channel work runs in 16-bit lanes: a 32-bit pixel's four bytes are widened in
// place, a 16-bit pixel is split into its blue, green and red fields. Products stay below
// 2^16 (255 * 256 at most) or are taken as their high half (alpha times parameter), and
// the divisions are exact multiply-and-shift forms:
//   floor(x / 255) = ((x + 1) * 257) >> 16             for x = a * b, a, b <= 255
//   floor(x / 63)  = ((x * 4162) >> 16) >> 2           for x <= 63 * 63
// The packed add and subtract run in 32-bit lanes on the same masks as the pixel loop.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "engine/softrender/pixel_pipeline.h"

namespace orvik::soft {

template <class I, class V>
class Blocks {
    using X = typename I::V;
    template <int B>
    using Bits = std::integral_constant<int, B>;

public:
    static constexpr int kPixels = I::kBytes / V::dstBytes;

    explicit Blocks(const PixelContext& cx)
        : p_(I::Set16(cx.p)),
          rest_(I::Set16(256 - cx.p)),
          k6_(I::Set16(cx.p >> 2)),
          k6rest_(I::Set16(63 - (cx.p >> 2))),
          trans_(V::depth == 32 ? I::Set32(cx.trans) : I::Set16(cx.trans)),
          // A 16-bit pixel never equals a transparent value above 16 bits.
          keyOn_(V::depth == 32 || cx.trans <= 0xFFFFu ? I::Set32(~0u) : I::Zero()) {
        if constexpr (V::tint) {
            // Each tint row holds c * bright / 255, so its entry 255 is the bright byte.
            const uint64_t b = cx.tint[0][255], g = cx.tint[1][255], r = cx.tint[2][255];
            if constexpr (V::depth == 32) {
                // Lanes blue, green, red and the fourth byte, which the tint keeps.
                tint_[0] = I::Set64(b | g << 16 | r << 32 | uint64_t{255} << 48);
            } else {
                tint_[0] = I::Set16(static_cast<uint32_t>(b));
                tint_[1] = I::Set16(static_cast<uint32_t>(g));
                tint_[2] = I::Set16(static_cast<uint32_t>(r));
            }
        }
    }

    X Run(X d, X c) const {
        X r = Blend(d, c);
        if constexpr (V::keyed && !V::alpha) r = Select(I::And(Same(c, trans_), keyOn_), d, r);
        return r;
    }

    // The last pixels of a row, fewer than a block: through a zeroed block on the stack,
    // of which only those pixels are written back.
    void Tail(uint8_t* dst, const uint8_t* src, int32_t count) const {
        alignas(32) uint8_t d[I::kBytes] = {}, s[I::kBytes] = {};
        const size_t bytes = static_cast<size_t>(count) * V::dstBytes;
        std::memcpy(d, dst, bytes);
        std::memcpy(s, src, bytes);
        I::Store(d, Run(I::Load(d), I::Load(s)));
        std::memcpy(dst, d, bytes);
    }

private:
    static X Select(X mask, X ifSet, X ifClear) {
        return I::Or(I::And(mask, ifSet), I::AndNot(mask, ifClear));
    }
    static X Same(X a, X b) {
        if constexpr (V::depth == 32) return I::Eq32(a, b);
        else return I::Eq16(a, b);
    }
    static X Div255(X x) { return I::MulHi16(I::Add16(x, I::Set16(1)), I::Set16(257)); }
    template <int B>
    static X Product(X d, X c) {
        return I::template Srl16<B>(I::Mul16(d, c));
    }
    // floor((d * (256 - k) + c * k) / 256), with rest = 256 - k.
    static X Mix(X d, X c, X k, X rest) {
        return I::template Srl16<8>(I::Add16(I::Mul16(d, rest), I::Mul16(c, k)));
    }

    // d moved toward t by the parameter: by p / 256 on 8-bit channels; on 16-bit pixels by
    // p * (t - d) / 255 truncated toward zero, as the difference row holds it.
    template <int B>
    X Toward(X d, X t) const {
        if constexpr (B == 8) {
            return Mix(d, t, p_, rest_);
        } else {
            // (v ^ m) - m negates v where m is all ones (the sign of t - d), else keeps it.
            const X gap = I::Sub16(t, d);
            const X m = I::template Sra16<15>(gap);
            const X q = Div255(I::Mul16(I::Sub16(I::Xor(gap, m), m), p_));
            return I::Add16(d, I::Sub16(I::Xor(q, m), m));
        }
    }

    // The blue, green and red fields of 16-bit pixels, each in its own 16-bit lanes.
    struct Fields {
        X b, g, r;
    };
    static Fields Split565(X v) {
        return {I::And(v, I::Set16(31)), I::And(I::template Srl16<5>(v), I::Set16(63)),
                I::template Srl16<11>(v)};
    }
    static X Join565(X b, X g, X r) {
        return I::Or(I::Or(b, I::template Sll16<5>(g)), I::template Sll16<11>(r));
    }

    // fn(d, c, Bits<n>) on every channel in 16-bit lanes, packed back into pixels.
    template <class Fn>
    static X PerChannel(X d, X c, Fn fn) {
        if constexpr (V::depth == 32) {
            return I::Narrow16(fn(I::Widen8Lo(d), I::Widen8Lo(c), Bits<8>{}),
                               fn(I::Widen8Hi(d), I::Widen8Hi(c), Bits<8>{}));
        } else {
            const Fields df = Split565(d), cf = Split565(c);
            return Join565(fn(df.b, cf.b, Bits<5>{}), fn(df.g, cf.g, Bits<6>{}),
                           fn(df.r, cf.r, Bits<5>{}));
        }
    }

    // The source colour a kernel works with: inverted for mode 10, then tinted (each
    // channel times its bright byte / 255). The fourth byte stays as it was.
    X Prepare(X c) const {
        if constexpr (V::kernel == Kernel::InvertAlpha)
            c = I::Xor(c, V::depth == 32 ? I::Set32(0x00FFFFFFu) : I::Set16(0xFFFFu));
        if constexpr (!V::tint) {
            return c;
        } else if constexpr (V::depth == 32) {
            return I::Narrow16(Div255(I::Mul16(I::Widen8Lo(c), tint_[0])),
                               Div255(I::Mul16(I::Widen8Hi(c), tint_[0])));
        } else {
            const Fields f = Split565(c);
            return Join565(Div255(I::Mul16(f.b, tint_[0])), Div255(I::Mul16(f.g, tint_[1])),
                           Div255(I::Mul16(f.r, tint_[2])));
        }
    }

    // The colour channels of r with the fourth byte of d.
    static X KeepFourth(X r, X d) {
        if constexpr (V::depth == 32) return Select(I::Set32(0xFF000000u), d, r);
        else return r;
    }

    // fn on whole pixels in 32-bit lanes; a 16-bit pixel keeps the low 16 bits.
    template <class Fn>
    static X Whole32(X d, X s, Fn fn) {
        if constexpr (V::depth == 32) return fn(d, s);
        else
            return I::Narrow32(fn(I::Widen16Lo(d), I::Widen16Lo(s)),
                               fn(I::Widen16Hi(d), I::Widen16Hi(s)));
    }

    // The masks of the packed add and subtract: the low bit of each upper channel is
    // cleared so it catches the carry or borrow of the channel below.
    static constexpr uint32_t kAddMask = V::depth == 32 ? 0x00FEFEFFu : 0xF7DEF7DFu;
    static constexpr uint32_t kSubMask = V::depth == 32 ? 0xFEFEFEFFu : 0xF7DEF7DFu;
    static constexpr uint32_t kCarries = V::depth == 32 ? 0x01010100u : 0x08210820u;
    static constexpr uint32_t kLowBits = V::depth == 32 ? 0x00010100u : 0x820u;
    static constexpr int kFill = V::depth == 32 ? 8 : 5;

    template <bool KeepLowBits>
    static X PackedAdd(X d, X s) {
        return Whole32(d, s, [](X d, X s) {
            const X u = I::Add32(I::And(d, I::Set32(kAddMask)), I::And(s, I::Set32(kAddMask)));
            const X v = I::And(u, I::Set32(kCarries));
            X r = I::Or(I::Sub32(v, I::template Srl32<kFill>(v)), u);
            if constexpr (KeepLowBits) r = I::Or(r, I::And(I::Or(d, s), I::Set32(kLowBits)));
            return r;
        });
    }
    static X PackedSub(X d, X s) {
        return Whole32(d, s, [](X d, X s) {
            const X t = I::Sub32(I::Or(d, I::Set32(kCarries)), I::And(s, I::Set32(kSubMask)));
            const X v = I::And(t, I::Set32(kCarries));
            return I::And(I::Sub32(v, I::template Srl32<kFill>(v)), t);
        });
    }

    // The value modes 2 and 3 add or subtract: each colour channel times p / 255.
    X Scaled(X c) const {
        const X s = PerChannel(c, c, [&](X, X x, auto) { return Div255(I::Mul16(x, p_)); });
        if constexpr (V::depth == 32) return I::And(s, I::Set32(0x00FFFFFFu));
        else return s;
    }

    // fn(d, c, a) on the 16-bit lanes of 32-bit pixels, a being each pixel's alpha.
    template <class Fn>
    static X WithAlpha(X d, X c, Fn fn) {
        auto half = [&](X dh, X ch) { return fn(dh, ch, I::SpreadFourth16(ch)); };
        return I::Narrow16(half(I::Widen8Lo(d), I::Widen8Lo(c)), half(I::Widen8Hi(d), I::Widen8Hi(c)));
    }

    // d + floor((t - d) * k / 2^16) for k up to 255 * 255. The signed high product reads
    // a k of 2^15 or more as k - 2^16, which takes (t - d) off the result: added back.
    static X TowardWide(X d, X t, X k) {
        const X gap = I::Sub16(t, d);
        const X hi = I::Add16(I::MulHiSigned16(gap, k), I::And(I::template Sra16<15>(k), gap));
        return I::Add16(d, hi);
    }

    // A 32-bit source pixel weighted by its alpha a (mode 0 by a / 256, the others by
    // a * p / 2^16).
    X Weighted(X d, X c) const {
        constexpr Kernel K = V::kernel;
        c = Prepare(c);
        if constexpr (K == Kernel::Add || K == Kernel::Subtract) {
            const X s = I::And(WithAlpha(c, c, [&](X, X x, X a) { return I::MulHi16(x, I::Mul16(a, p_)); }),
                               I::Set32(0x00FFFFFFu));
            if constexpr (K == Kernel::Add) return PackedAdd<true>(d, s);
            else return PackedSub(d, s);
        } else {
            return KeepFourth(WithAlpha(d, c, [&](X dc, X cc, X a) {
                                  if constexpr (K == Kernel::Copy)
                                      return Mix(dc, cc, a, I::Sub16(I::Set16(256), a));
                                  else if constexpr (K == Kernel::Multiply)
                                      return I::MulHi16(I::Mul16(dc, cc), a);
                                  else if constexpr (K == Kernel::MultiplyAlpha)
                                      return TowardWide(dc, Product<8>(dc, cc), I::Mul16(a, p_));
                                  else
                                      return TowardWide(dc, cc, I::Mul16(a, p_));
                              }), d);
        }
    }

    // A source with alpha. Keyed, alpha 255 draws as if there were no alpha and, in the
    // kernels that skip them, alpha 0 leaves the destination; other pixels are weighted.
    X AlphaSource(X d, X c) const {
        if constexpr (V::ignoreAlpha) {
            return c;
        } else if constexpr (V::keyed) {
            const X a = I::template Srl32<24>(c);
            const X opaque = I::Eq32(a, I::Set32(255)), clear = I::Eq32(a, I::Zero());
            // Sprites are mostly wholly opaque or wholly clear: such blocks need no weights.
            if (I::AllSet(opaque)) return Unweighted(d, c);
            if (V::skipAlphaZero && I::AllSet(clear)) return d;
            const X r = Select(opaque, Unweighted(d, c), Weighted(d, c));
            if constexpr (V::skipAlphaZero) return Select(clear, d, r);
            else return r;
        } else {
            return Weighted(d, c);
        }
    }

    X Blend(X d, X c) const {
        if constexpr (V::alpha) return AlphaSource(d, c);
        else return Unweighted(d, c);
    }

    X Unweighted(X d, X c) const {
        constexpr Kernel K = V::kernel;
        auto toward = [&]<int B>(X dc, X cc, Bits<B>) { return Toward<B>(dc, cc); };
        if constexpr (K == Kernel::Copy) {
            // A tinted copy keeps the destination's fourth byte.
            if constexpr (V::tint) return KeepFourth(Prepare(c), d);
            else return c;
        } else if constexpr (K == Kernel::Alpha || K == Kernel::InvertAlpha) {
            return KeepFourth(PerChannel(d, Prepare(c), toward), d);
        } else if constexpr (K == Kernel::HalfSum) {
            if constexpr (V::depth == 32)
                return I::Add32(I::And(I::template Srl32<1>(d), I::Set32(0x7F7F7Fu)),
                                I::And(I::template Srl32<1>(c), I::Set32(0x7F7F7Fu)));
            else
                return I::Add16(I::And(I::template Srl16<1>(d), I::Set16(0x7BEFu)),
                                I::And(I::template Srl16<1>(c), I::Set16(0x7BEFu)));
        } else if constexpr (K == Kernel::Mix6) {
            return PerChannel(d, c, [&](X dc, X cc, auto) {
                const X sum = I::Add16(I::Mul16(cc, k6_), I::Mul16(dc, k6rest_));
                return I::template Srl16<2>(I::MulHi16(sum, I::Set16(4162)));
            });
        } else if constexpr (K == Kernel::Add) {
            return PackedAdd<true>(d, Scaled(Prepare(c)));
        } else if constexpr (K == Kernel::AddNoLowBits) {
            return PackedAdd<false>(d, c);
        } else if constexpr (K == Kernel::Subtract) {
            return PackedSub(d, Scaled(Prepare(c)));
        } else if constexpr (K == Kernel::Multiply) {
            return KeepFourth(PerChannel(d, Prepare(c), []<int B>(X dc, X cc, Bits<B>) {
                                  return Product<B>(dc, cc);
                              }), d);
        } else {
            static_assert(K == Kernel::MultiplyAlpha);
            return KeepFourth(PerChannel(d, Prepare(c), [&]<int B>(X dc, X cc, Bits<B>) {
                                  return Toward<B>(dc, Product<B>(dc, cc));
                              }), d);
        }
    }

    X p_, rest_, k6_, k6rest_, trans_, keyOn_;
    X tint_[3] = {};  // bright bytes: 32-bit pixels use the first, 16-bit pixels one each
};

// Rows of blocks; the source has the destination's layout.
template <class I, class V>
void BlockRows(const PixelContext& cx, uint8_t* dst, ptrdiff_t dstPitch, const uint8_t* src,
               ptrdiff_t srcPitch, int32_t width, int32_t height) {
    static_assert(V::srcBytes == V::dstBytes);
    const Blocks<I, V> k(cx);
    constexpr int n = Blocks<I, V>::kPixels, bytes = V::dstBytes;
    const int32_t whole = width - width % n;
    for (int32_t y = 0; y < height; ++y, dst += dstPitch, src += srcPitch) {
        for (int32_t x = 0; x < whole; x += n) {
            uint8_t* at = dst + ptrdiff_t{x} * bytes;
            I::Store(at, k.Run(I::Load(at), I::Load(src + ptrdiff_t{x} * bytes)));
        }
        if (whole < width)
            k.Tail(dst + ptrdiff_t{whole} * bytes, src + ptrdiff_t{whole} * bytes, width - whole);
    }
}

}  // namespace orvik::soft
