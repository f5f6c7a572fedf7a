#include "host/d3d9/fast_span.h"

#include <algorithm>
#include <array>
#include <utility>

#include "host/d3d9/color_math.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace host {
namespace {

#if defined(__SSE2__)
// Four pixels at a time in 16-bit lanes, with the same rounding as the scalar loop:
// Div255 is exact on every lane value that occurs (at most 65025 + 128).
__m128i Div255Epi16(__m128i x) {
    x = _mm_add_epi16(x, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
}

__m128i BroadcastAlpha(__m128i lanes) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(lanes, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
}

// Shades 4 * n pixels and returns how many were done.
template <FastSource C, FastSource A, FastBlend B, bool Unit>
int SpanSimd(uint32_t* dst, int count, const FastSpan& f) {
    constexpr bool kReadsTexel = C != FastSource::Diffuse || A != FastSource::Diffuse;
    const __m128i zero = _mm_setzero_si128();
    const uint32_t color = f.color;
    // Per-lane multiplier (255 keeps the texel's channel) and the diffuse lanes that
    // replace channels taken from the diffuse colour.
    const uint32_t mulRgb = C == FastSource::Product ? color & 0xFFFFFFu : 0xFFFFFFu;
    const uint32_t mulA = A == FastSource::Product ? color >> 24 : 255u;
    const __m128i mul = _mm_unpacklo_epi8(_mm_set1_epi32(int(mulRgb | mulA << 24)), zero);
    const bool multiply = (mulRgb | mulA << 24) != 0xFFFFFFFFu;
    const uint32_t keep = (C == FastSource::Diffuse ? 0u : 0xFFFFFFu) | (A == FastSource::Diffuse ? 0u : 0xFF000000u);
    const __m128i keepMask = _mm_set1_epi32(int(keep));
    const __m128i diffuse = _mm_set1_epi32(int(color & ~keep));
    const __m128i alphaOr = _mm_set1_epi32(int(f.alphaOr));
    const __m128i targetOr = _mm_set1_epi32(int(f.targetAlphaOr));
    const __m128i threshold = _mm_set1_epi32(f.alphaPassFrom - 1);
    int64_t tu = f.tu, tv = f.tv;
    const uint32_t* row = nullptr;
    if constexpr (Unit && kReadsTexel) row = f.texels + size_t(tv >> 32) * f.pitch + size_t(tu >> 32);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i t = zero;
        if constexpr (kReadsTexel) {
            if constexpr (Unit) {
                t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
            } else {
                alignas(16) uint32_t texels[4];
                for (int k = 0; k < 4; ++k) {
                    const int64_t x = std::clamp<int64_t>(tu >> 32, 0, f.width - 1);
                    const int64_t y = std::clamp<int64_t>(tv >> 32, 0, f.height - 1);
                    texels[k] = f.texels[size_t(y) * f.pitch + size_t(x)];
                    tu += f.dtu;
                    tv += f.dtv;
                }
                t = _mm_load_si128(reinterpret_cast<const __m128i*>(texels));
            }
            t = _mm_or_si128(t, alphaOr);
        }
        __m128i src = t;
        if (multiply) {
            const __m128i lo = Div255Epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(t, zero), mul));
            const __m128i hi = Div255Epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(t, zero), mul));
            src = _mm_packus_epi16(lo, hi);
        }
        src = _mm_or_si128(_mm_and_si128(src, keepMask), diffuse);
        // All four bytes of a pixel are set where its alpha passes the test.
        const __m128i pass = _mm_cmpgt_epi32(_mm_srli_epi32(src, 24), threshold);
        __m128i* out = reinterpret_cast<__m128i*>(dst + i);
        const __m128i d = _mm_loadu_si128(out);
        __m128i result;
        if constexpr (B == FastBlend::None) {
            result = src;
        } else if constexpr (B == FastBlend::Alpha) {
            const __m128i lo = _mm_unpacklo_epi8(src, zero), hi = _mm_unpackhi_epi8(src, zero);
            const __m128i alo = BroadcastAlpha(lo), ahi = BroadcastAlpha(hi);
            const __m128i inv = _mm_set1_epi16(255);
            const __m128i dlo = _mm_unpacklo_epi8(d, zero), dhi = _mm_unpackhi_epi8(d, zero);
            const __m128i rlo = Div255Epi16(
                _mm_add_epi16(_mm_mullo_epi16(lo, alo), _mm_mullo_epi16(dlo, _mm_sub_epi16(inv, alo))));
            const __m128i rhi = Div255Epi16(
                _mm_add_epi16(_mm_mullo_epi16(hi, ahi), _mm_mullo_epi16(dhi, _mm_sub_epi16(inv, ahi))));
            result = _mm_packus_epi16(rlo, rhi);
        } else {
            const __m128i lo = _mm_unpacklo_epi8(src, zero), hi = _mm_unpackhi_epi8(src, zero);
            const __m128i alo = BroadcastAlpha(lo), ahi = BroadcastAlpha(hi);
            const __m128i plo = Div255Epi16(_mm_mullo_epi16(lo, alo));
            const __m128i phi = Div255Epi16(_mm_mullo_epi16(hi, ahi));
            result = _mm_adds_epu8(_mm_packus_epi16(plo, phi), d);
        }
        result = _mm_or_si128(result, targetOr);
        _mm_storeu_si128(out, _mm_or_si128(_mm_and_si128(pass, result), _mm_andnot_si128(pass, d)));
    }
    return i;
}
#endif

template <FastSource C, FastSource A, FastBlend B, bool Unit>
void Span(uint32_t* dst, int count, const FastSpan& f) {
    constexpr bool kReadsTexel = C != FastSource::Diffuse || A != FastSource::Diffuse;
    int i = 0;
#if defined(__SSE2__)
    if (f.alphaPassFrom >= 0) i = SpanSimd<C, A, B, Unit>(dst, count, f);
#endif
    int64_t tu = f.tu + i * f.dtu, tv = f.tv + i * f.dtv;
    const uint32_t* row = nullptr;
    if constexpr (Unit && kReadsTexel) row = f.texels + size_t(f.tv >> 32) * f.pitch + size_t(f.tu >> 32);
    const uint32_t color = f.color;
    for (; i < count; ++i) {
        uint32_t t = 0;
        if constexpr (kReadsTexel) {
            if constexpr (Unit) {
                t = row[i] | f.alphaOr;
            } else {
                const int64_t x = std::clamp<int64_t>(tu >> 32, 0, f.width - 1);
                const int64_t y = std::clamp<int64_t>(tv >> 32, 0, f.height - 1);
                t = f.texels[size_t(y) * f.pitch + size_t(x)] | f.alphaOr;
                tu += f.dtu;
                tv += f.dtv;
            }
        }
        uint32_t rgb;
        if constexpr (C == FastSource::Texel) rgb = t & 0xFFFFFFu;
        else if constexpr (C == FastSource::Diffuse) rgb = color & 0xFFFFFFu;
        else rgb = ModulatePixel(t, color) & 0xFFFFFFu;
        uint32_t a;
        if constexpr (A == FastSource::Texel) a = t >> 24;
        else if constexpr (A == FastSource::Diffuse) a = color >> 24;
        else a = Mul8(t >> 24, color >> 24);
        if (!f.alphaPass[a]) continue;
        const uint32_t src = a << 24 | rgb;
        if constexpr (B == FastBlend::None) dst[i] = src | f.targetAlphaOr;
        else if constexpr (B == FastBlend::Alpha) dst[i] = BlendLerp(src, dst[i], a) | f.targetAlphaOr;
        else dst[i] = BlendAdd(src, dst[i], a) | f.targetAlphaOr;
    }
}

constexpr FastSource kSources[] = {FastSource::Texel, FastSource::Diffuse, FastSource::Product};
constexpr FastBlend kBlends[] = {FastBlend::None, FastBlend::Alpha, FastBlend::Add};

template <size_t I>
constexpr FastSpanFn Entry() {
    constexpr size_t unit = I % 2, b = I / 2 % 3, a = I / 6 % 3, c = I / 18;
    return &Span<kSources[c], kSources[a], kBlends[b], unit != 0>;
}

template <size_t... I>
constexpr auto MakeTable(std::index_sequence<I...>) {
    return std::array<FastSpanFn, sizeof...(I)>{Entry<I>()...};
}

constexpr auto kTable = MakeTable(std::make_index_sequence<54>());

}  // namespace

int AlphaPassFrom(const bool pass[256]) {
    int from = 0;
    while (from < 256 && !pass[from]) ++from;
    for (int a = from; a < 256; ++a)
        if (!pass[a]) return -1;
    return from;
}

FastSpanFn SelectFastSpan(FastSource color, FastSource alpha, FastBlend blend, bool unit) {
    const size_t index = ((size_t(color) * 3 + size_t(alpha)) * 3 + size_t(blend)) * 2 + (unit ? 1 : 0);
    return kTable[index];
}

}  // namespace host
