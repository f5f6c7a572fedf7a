// The Y'CbCr rows on AVX2, sixteen pixels a step in 16-bit lanes, to the rule's exact
// values. A channel is (19070 y + C) / 16384 rounded down, C the chroma's weighted sum
// with the offsets. Split both at 2^14: 19070 y = 16384 q + r, C = 16384 w + c, and the
// channel is q + w, plus 1 where r + c reaches 16384. q and r come from the luma with one
// 16-bit multiplication each; w and the threshold r is compared with come from the chroma
// (pmaddwd takes both samples of a pixel at once), once for each sample and shared by
// the pixels it covers: in 4:2:0 pictures two rows are converted together for it.
// Compiled with -mavx2 on x86-64; without the flag this file converts nothing.
#include "host/d3d9/yuv_rows.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace host {

namespace {

constexpr int kStep = 16;
constexpr int32_t kBlack = kYuvLuma * 16;

// One channel's chroma part for sixteen pixels: the whole part w, and the threshold over
// which the luma's remainder carries, both in 16-bit lanes in pixel order. The threshold
// is kept with its sign bit flipped, as is the remainder, so a signed comparison orders
// them as unsigned numbers.
struct Term {
    __m256i whole, threshold;
};

struct Terms {
    Term b, g, r;
};

// For each chroma sample, a 32-bit lane of 4 C: its high word is w and its low word 4 c,
// whose complement (65535 - 4 c) the remainder 4 r must exceed to carry. The weights of
// Cb and Cr are applied to the samples as they are, the offsets of 128 and of black
// folded into one constant; `kScale` is 2 where the weight of Cb is halved to fit 16 bits.
template <int kScale>
__m256i ChromaSums(__m256i pairs, int16_t forU, int16_t forV, int32_t offset) {
    const __m256i weights = _mm256_set1_epi32(int32_t(uint32_t(uint16_t(forV)) << 16 | uint16_t(forU)));
    const __m256i sum = _mm256_madd_epi16(pairs, weights);
    const __m256i times4 = _mm256_add_epi32(_mm256_slli_epi32(sum, kScale == 2 ? 3 : 2), _mm256_set1_epi32(4 * offset));
    return _mm256_xor_si256(times4, _mm256_set1_epi32(0x7FFF));
}

template <int kScale>
__m256i ChannelSums(__m256i pairs, int16_t forU, int16_t forV) {
    return ChromaSums<kScale>(pairs, forU, forV, -128 * (kScale * forU + forV) - kBlack);
}

// The three channels' sums of the (Cb, Cr) pairs; blue's Cb weight (33062) is over 16 bits,
// and taken as twice its half.
template <class Split>
Terms TermsOf(Split split) {
    static_assert(kYuvBlueFromCb % 2 == 0);
    return {split([](__m256i p) { return ChannelSums<2>(p, kYuvBlueFromCb / 2, 0); }),
            split([](__m256i p) { return ChannelSums<1>(p, kYuvGreenFromCb, kYuvGreenFromCr); }),
            split([](__m256i p) { return ChannelSums<1>(p, 0, kYuvRedFromCr); })};
}

// The chroma of sixteen pixels: eight samples each serving two pixels (kShift 1), or
// sixteen samples, one a pixel (kShift 0).
template <int kShift>
Terms ChromaTerms(const uint8_t* u, const uint8_t* v) {
    if constexpr (kShift == 1) {
        const __m256i pairs = _mm256_cvtepu8_epi16(_mm_unpacklo_epi8(
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(u)), _mm_loadl_epi64(reinterpret_cast<const __m128i*>(v))));
        // Samples 0-3 | 4-7: each word taken twice, for pixels 0-7 | 8-15.
        const __m256i low = _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13));
        const __m256i high = _mm256_broadcastsi128_si256(_mm_setr_epi8(2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15));
        return TermsOf([&](auto sums) {
            const __m256i s = sums(pairs);
            return Term{_mm256_shuffle_epi8(s, high), _mm256_shuffle_epi8(s, low)};
        });
    } else {
        const __m256i cu = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(u)));
        const __m256i cv = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v)));
        // Samples 0-3 | 8-11 and 4-7 | 12-15, as the 16-bit unpacks leave them; the low
        // words of each gathered into its low half and the high words into its high half,
        // the halves of the two then joined in pixel order.
        const __m256i first = _mm256_unpacklo_epi16(cu, cv), second = _mm256_unpackhi_epi16(cu, cv);
        const __m256i apart = _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15));
        return TermsOf([&](auto sums) {
            const __m256i a = _mm256_shuffle_epi8(sums(first), apart), b = _mm256_shuffle_epi8(sums(second), apart);
            return Term{_mm256_unpackhi_epi64(a, b), _mm256_unpacklo_epi64(a, b)};
        });
    }
}

// 19070 y = 16384 q + r for sixteen pixels, r kept as 4 r with its sign bit flipped: with
// 4 y, the high and low words of the product are q and 4 r.
struct Luma {
    __m256i q, r;
};

Luma LumaOf(const uint8_t* y) {
    const __m256i y4 = _mm256_slli_epi16(_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y))), 2);
    const __m256i scale = _mm256_set1_epi16(kYuvLuma);
    return {_mm256_mulhi_epu16(y4, scale),
            _mm256_xor_si256(_mm256_mullo_epi16(y4, scale), _mm256_set1_epi16(int16_t(0x8000)))};
}

// q + w, plus 1 (less the comparison's -1) where the remainder carries; not yet clamped.
__m256i Channel(const Luma& l, const Term& t) {
    return _mm256_sub_epi16(_mm256_add_epi16(l.q, t.whole), _mm256_cmpgt_epi16(l.r, t.threshold));
}

// The packs saturate each channel to 0 ... 255.
void StoreXrgb(__m256i b, __m256i g, __m256i r, uint32_t* out) {
    const __m256i br = _mm256_packus_epi16(b, r);                     // b0-7 r0-7 | b8-15 r8-15
    const __m256i ga = _mm256_packus_epi16(g, _mm256_set1_epi16(255));  // g0-7, 255s | g8-15, 255s
    const __m256i bg = _mm256_unpacklo_epi8(br, ga), ra = _mm256_unpackhi_epi8(br, ga);
    const __m256i first = _mm256_unpacklo_epi16(bg, ra), second = _mm256_unpackhi_epi16(bg, ra);  // 0-3 | 8-11, 4-7 | 12-15
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permute2x128_si256(first, second, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 8), _mm256_permute2x128_si256(first, second, 0x31));
}

// Each half of sixteen pixels is 24 bytes: the first 16 (pixels 0-4 and the blue of 5)
// and the last 8 are shuffled out of the packed blues and greens and the packed reds.
void StoreBgr(__m256i b, __m256i g, __m256i r, uint8_t* out) {
    const __m256i bg = _mm256_packus_epi16(b, g);  // b0-7 g0-7 | b8-15 g8-15
    const __m256i rr = _mm256_packus_epi16(r, r);  // r0-7 r0-7 | r8-15 r8-15
    const __m256i headFromBg = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5));
    const __m256i headFromR = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1));
    const __m256i tailFromBg = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1));
    const __m256i tailFromR = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, -1, -1, -1, -1, -1, -1));
    const __m256i head = _mm256_or_si256(_mm256_shuffle_epi8(bg, headFromBg), _mm256_shuffle_epi8(rr, headFromR));
    const __m256i tail = _mm256_or_si256(_mm256_shuffle_epi8(bg, tailFromBg), _mm256_shuffle_epi8(rr, tailFromR));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(head));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16), _mm256_castsi256_si128(tail));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 24), _mm256_extracti128_si256(head, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 40), _mm256_extracti128_si256(tail, 1));
}

template <class Pixel>
void Store(const Luma& l, const Terms& t, Pixel* out) {
    const __m256i b = Channel(l, t.b), g = Channel(l, t.g), r = Channel(l, t.r);
    if constexpr (sizeof(Pixel) == 4)
        StoreXrgb(b, g, r, out);
    else
        StoreBgr(b, g, r, out);
}

// One row, or two (`y1` not null) over the same chroma row; out0 and out1 take
// `kPerPixel` elements a pixel. Flattened, so the steps keep their values in registers.
template <int kShift, int kPerPixel, class Pixel>
[[gnu::flatten]] int Rows(const uint8_t* y0, const uint8_t* y1, const uint8_t* u, const uint8_t* v, Pixel* out0, Pixel* out1,
         int width) {
    int x = 0;
    for (; x + kStep <= width; x += kStep) {
        const Terms t = ChromaTerms<kShift>(u + (x >> kShift), v + (x >> kShift));
        Store(LumaOf(y0 + x), t, out0 + kPerPixel * x);
        if (y1) Store(LumaOf(y1 + x), t, out1 + kPerPixel * x);
    }
    return x;
}

}  // namespace

int ConvertYuv420RowHeadAvx2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint32_t* out, int width) {
    return Rows<1, 1>(y, nullptr, u, v, out, out, width);
}

int ConvertYuvRowsToBgrHeadAvx2(const uint8_t* y0, const uint8_t* y1, const uint8_t* u, const uint8_t* v,
                                uint8_t* out0, uint8_t* out1, int width, int chromaShift) {
    return chromaShift ? Rows<1, 3>(y0, y1, u, v, out0, out1, width) : Rows<0, 3>(y0, y1, u, v, out0, out1, width);
}

}  // namespace host

#else

namespace host {
int ConvertYuv420RowHeadAvx2(const uint8_t*, const uint8_t*, const uint8_t*, uint32_t*, int) { return 0; }
int ConvertYuvRowsToBgrHeadAvx2(const uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, uint8_t*,
                                int, int) {
    return 0;
}
}  // namespace host

#endif
