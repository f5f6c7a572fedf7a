// The Y'CbCr rows written once over the host's lane operations (span_lanes.h), so that
// the SSE2 build (eight pixels a step) and the AVX2 build (sixteen) run the same steps to
// the rule's exact values, a pixel in each 16-bit lane.
//
// A channel is (19070 y + C) / 16384 rounded down, C the chroma's weighted sum with the
// offsets. Split both at 2^14: 19070 y = 16384 q + r, C = 16384 w + c, and the channel is
// q + w, plus 1 where r + c reaches 16384. q and r come from the luma with one 16-bit
// multiplication each; w and the threshold r is compared with come from the chroma
// (a multiply-add takes both samples of a pixel at once), once for each sample and
// shared by the pixels it covers: in 4:2:0 pictures two rows are converted together for it.
//
// Each translation unit including this names its own namespace (HOST_SPAN_ISA), so the
// copies built for different instruction sets never merge at link time.
#pragma once
#include <cstdint>

#include "host/d3d9/raster/span_lanes.h"
#include "host/d3d9/resources/yuv_rows.h"

namespace host::HOST_SPAN_ISA::yuv_rows {

constexpr int32_t kBlack = kYuvLuma * 16;

// One channel's chroma part for a step's pixels: the whole part w, and the threshold over
// which the luma's remainder carries, in pixel order. The threshold is kept with its sign
// bit flipped, as is the remainder, so a signed comparison orders them as unsigned numbers.
template <class V>
struct Term {
    typename V::T whole, threshold;
};

template <class V>
struct Terms {
    Term<V> b, g, r;
};

// For each chroma sample, a 32-bit lane of 4 C: its high word is w and its low word 4 c,
// whose complement (65535 - 4 c) the remainder 4 r must exceed to carry. The weights of
// Cb and Cr are applied to the samples as they are, the offsets of 128 and of black
// folded into one constant; `kScale` is 2 where the weight of Cb is halved to fit 16 bits.
template <class V, int kScale>
typename V::T ChannelSums(typename V::T pairs, int16_t forU, int16_t forV) {
    const int32_t offset = -128 * (kScale * forU + forV) - kBlack;
    const auto weights = V::Set32(uint32_t(uint16_t(forV)) << 16 | uint16_t(forU));
    const auto sum = V::MulAdd16(pairs, weights);
    const auto times4 = V::Add32(V::template Shl32<kScale == 2 ? 3 : 2>(sum), V::Set32(uint32_t(4 * offset)));
    return V::Xor(times4, V::Set32(0x7FFF));
}

// The three channels' sums of the (Cb, Cr) pairs; blue's Cb weight (33062) is over 16 bits,
// and taken as twice its half.
template <class V, class Split>
Terms<V> TermsOf(Split split) {
    static_assert(kYuvBlueFromCb % 2 == 0);
    using T = typename V::T;
    return {split([](T p) { return ChannelSums<V, 2>(p, kYuvBlueFromCb / 2, 0); }),
            split([](T p) { return ChannelSums<V, 1>(p, kYuvGreenFromCb, kYuvGreenFromCr); }),
            split([](T p) { return ChannelSums<V, 1>(p, 0, kYuvRedFromCr); })};
}

// The chroma of a step's pixels: kLanes samples each serving two pixels (kShift 1), or a
// sample a pixel (kShift 0).
template <class V, int kShift>
Terms<V> ChromaTerms(const uint8_t* u, const uint8_t* v) {
    using T = typename V::T;
    if constexpr (kShift == 1) {
        // A sample's lane in pixel order: its words each taken twice, for its two pixels.
        const T pairs = V::LoadBytePairs16(u, v);
        return TermsOf<V>([&](auto sums) {
            const T s = sums(pairs);
            return Term<V>{V::HighWordsTwice(s), V::LowWordsTwice(s)};
        });
    } else {
        // The zips pair the samples of the low and the high half of each 128 bits; the
        // packs put each word back in pixel order, within their bounds both.
        const T cu = V::LoadBytes16(u), cv = V::LoadBytes16(v);
        const T first = V::ZipLo16(cu, cv), second = V::ZipHi16(cu, cv);
        return TermsOf<V>([&](auto sums) {
            const T a = sums(first), b = sums(second);
            const auto low = [](T s) { return V::template Sar32<16>(V::template Shl32<16>(s)); };
            return Term<V>{V::PackSigned32(V::template Sar32<16>(a), V::template Sar32<16>(b)),
                           V::PackSigned32(low(a), low(b))};
        });
    }
}

// 19070 y = 16384 q + r for a step's pixels, r kept as 4 r with its sign bit flipped:
// with 4 y, the high and low words of the product are q and 4 r.
template <class V>
struct Luma {
    typename V::T q, r;
};

template <class V>
Luma<V> LumaOf(const uint8_t* y) {
    const auto y4 = V::template Shl16<2>(V::LoadBytes16(y));
    const auto scale = V::Set16(kYuvLuma);
    return {V::MulHigh16(y4, scale), V::Xor(V::Mul16(y4, scale), V::Set16(0x8000))};
}

// q + w, plus 1 (less the comparison's -1) where the remainder carries; not yet clamped.
template <class V>
typename V::T Channel(const Luma<V>& l, const Term<V>& t) {
    return V::Sub16(V::Add16(l.q, t.whole), V::Greater16(l.r, t.threshold));
}

// The packs saturate each channel to 0 ... 255.
template <class V>
void StoreXrgb(typename V::T b, typename V::T g, typename V::T r, uint32_t* out) {
    const auto br = V::Pack16(b, r), ga = V::Pack16(g, V::Set16(255));
    V::StoreZipped16(out, V::ZipLo8(br, ga), V::ZipHi8(br, ga));
}

template <class V, class Pixel>
void Store(const Luma<V>& l, const Terms<V>& t, Pixel* out) {
    const auto b = Channel(l, t.b), g = Channel(l, t.g), r = Channel(l, t.r);
    if constexpr (sizeof(Pixel) == 4)
        StoreXrgb<V>(b, g, r, out);
    else
        V::StoreBgr24(out, b, g, r);
}

// One row, or two (`y1` not null) over the same chroma row; out0 and out1 take
// `kPerPixel` elements a pixel. The pixels written in whole steps. Flattened, so the
// steps keep their values in registers.
template <class V, int kShift, int kPerPixel, class Pixel>
[[gnu::flatten]] int Rows(const uint8_t* y0, const uint8_t* y1, const uint8_t* u, const uint8_t* v, Pixel* out0,
                          Pixel* out1, int width) {
    constexpr int kStep = 2 * V::kLanes;
    int x = 0;
    for (; x + kStep <= width; x += kStep) {
        const Terms<V> t = ChromaTerms<V, kShift>(u + (x >> kShift), v + (x >> kShift));
        Store(LumaOf<V>(y0 + x), t, out0 + kPerPixel * x);
        if (y1) Store(LumaOf<V>(y1 + x), t, out1 + kPerPixel * x);
    }
    return x;
}

// The leading pixels of a 4:2:0 row as 0xFFRRGGBB.
template <class V>
int Yuv420RowHead(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint32_t* out, int width) {
    return Rows<V, 1, 1>(y, nullptr, u, v, out, out, width);
}

// The leading pixels of one row, or two over the same chroma row, as blue, green, red.
template <class V>
int BgrRowsHead(const uint8_t* y0, const uint8_t* y1, const uint8_t* u, const uint8_t* v, uint8_t* out0,
                uint8_t* out1, int width, int chromaShift) {
    return chromaShift ? Rows<V, 1, 3>(y0, y1, u, v, out0, out1, width) : Rows<V, 0, 3>(y0, y1, u, v, out0, out1, width);
}

}  // namespace host::HOST_SPAN_ISA::yuv_rows
