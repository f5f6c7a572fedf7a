// The lane kernels (shader_lane_kernels.h) written once over the compiler's vector types,
// N lanes a step: four in the baseline build, eight in the AVX2 one, doubles in two
// vectors of N / 2. Each is the scalar steps' operations in the same order, without
// contraction, so each lane gets their bits. As with span_vector.h, every translation
// unit including this names its own namespace (HOST_SPAN_ISA) and nothing here calls
// inline functions of other headers, so copies built for different instruction sets
// never merge at link time.
#pragma once
#include <cstdint>

#include "host/d3d9/shader/shader_lane_kernels.h"
#if defined(__SSE2__)
#include "host/d3d9/raster/span_vector.h"
#endif

#ifndef HOST_SPAN_ISA
#error "HOST_SPAN_ISA names the namespace of this copy of the lane kernels"
#endif

namespace host::HOST_SPAN_ISA::lane_detail {

#if defined(__AVX2__)
constexpr int N = 8;
#else
constexpr int N = 4;
#endif
using Floats = float __attribute__((vector_size(4 * N)));
using Ints = int32_t __attribute__((vector_size(4 * N)));
using Uints = uint32_t __attribute__((vector_size(4 * N)));
using Doubles = double __attribute__((vector_size(4 * N)));  // N / 2 lanes

template <class T>
T Load(const void* p) {
    T v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}
template <class T>
void Store(void* p, const T& v) {
    __builtin_memcpy(p, &v, sizeof v);
}

// a > b ? a : b and a < b ? a : b, as maxpd and minpd choose (b where either is NaN);
// lanes widened to doubles in two halves and narrowed back (rounded to the nearest float,
// or truncated to integers), as the scalar conversions do.
#if defined(__AVX2__)
inline Doubles Max(Doubles a, Doubles b) { return Doubles(_mm256_max_pd(__m256d(a), __m256d(b))); }
inline Doubles Min(Doubles a, Doubles b) { return Doubles(_mm256_min_pd(__m256d(a), __m256d(b))); }
inline Floats Max(Floats a, Floats b) { return Floats(_mm256_max_ps(__m256(a), __m256(b))); }
inline Floats Min(Floats a, Floats b) { return Floats(_mm256_min_ps(__m256(a), __m256(b))); }
inline void Widen(Floats f, Doubles* lo, Doubles* hi) {
    *lo = Doubles(_mm256_cvtps_pd(_mm256_castps256_ps128(__m256(f))));
    *hi = Doubles(_mm256_cvtps_pd(_mm256_extractf128_ps(__m256(f), 1)));
}
inline void Widen(Ints i, Doubles* lo, Doubles* hi) {
    *lo = Doubles(_mm256_cvtepi32_pd(_mm256_castsi256_si128(__m256i(i))));
    *hi = Doubles(_mm256_cvtepi32_pd(_mm256_extracti128_si256(__m256i(i), 1)));
}
inline Floats NarrowFloats(Doubles lo, Doubles hi) {
    return Floats(_mm256_set_m128(_mm256_cvtpd_ps(__m256d(hi)), _mm256_cvtpd_ps(__m256d(lo))));
}
inline Ints TruncatedInts(Doubles lo, Doubles hi) {
    return Ints(_mm256_set_m128i(_mm256_cvttpd_epi32(__m256d(hi)), _mm256_cvttpd_epi32(__m256d(lo))));
}
#elif defined(__SSE2__)
inline Doubles Max(Doubles a, Doubles b) { return Doubles(_mm_max_pd(__m128d(a), __m128d(b))); }
inline Doubles Min(Doubles a, Doubles b) { return Doubles(_mm_min_pd(__m128d(a), __m128d(b))); }
inline Floats Max(Floats a, Floats b) { return Floats(_mm_max_ps(__m128(a), __m128(b))); }
inline Floats Min(Floats a, Floats b) { return Floats(_mm_min_ps(__m128(a), __m128(b))); }
inline void Widen(Floats f, Doubles* lo, Doubles* hi) {
    *lo = Doubles(_mm_cvtps_pd(__m128(f)));
    *hi = Doubles(_mm_cvtps_pd(_mm_movehl_ps(__m128(f), __m128(f))));
}
inline void Widen(Ints i, Doubles* lo, Doubles* hi) {
    *lo = Doubles(_mm_cvtepi32_pd(__m128i(i)));
    *hi = Doubles(_mm_cvtepi32_pd(_mm_shuffle_epi32(__m128i(i), 0xEE)));
}
inline Floats NarrowFloats(Doubles lo, Doubles hi) {
    return Floats(_mm_movelh_ps(_mm_cvtpd_ps(__m128d(lo)), _mm_cvtpd_ps(__m128d(hi))));
}
inline Ints TruncatedInts(Doubles lo, Doubles hi) {
    return Ints(_mm_unpacklo_epi64(_mm_cvttpd_epi32(__m128d(lo)), _mm_cvttpd_epi32(__m128d(hi))));
}
#else
template <class T>
T Max(T a, T b) {
    return a > b ? a : b;
}
template <class T>
T Min(T a, T b) {
    return a < b ? a : b;
}
template <class T>
void Widen(T v, Doubles* lo, Doubles* hi) {
    for (int j = 0; j < N / 2; ++j) (*lo)[j] = double(v[j]), (*hi)[j] = double(v[j + N / 2]);
}
inline Floats NarrowFloats(Doubles lo, Doubles hi) {
    Floats f;
    for (int j = 0; j < N / 2; ++j) f[j] = float(lo[j]), f[j + N / 2] = float(hi[j]);
    return f;
}
inline Ints TruncatedInts(Doubles lo, Doubles hi) {
    Ints v;
    for (int j = 0; j < N / 2; ++j) v[j] = int32_t(lo[j]), v[j + N / 2] = int32_t(hi[j]);
    return v;
}
#endif

// The shaders' saturation: NaN and below 0 give 0.
inline Floats Saturate(Floats x) { return Min(Max(x, Floats{}), Floats{} + 1.0f); }

inline Uints Gather(const uint32_t* base, Ints index) {
#if defined(__AVX2__)
    return Uints(_mm256_i32gather_epi32(reinterpret_cast<const int*>(base), __m256i(index), 4));
#else
    Uints v;
    for (int j = 0; j < N; ++j) v[j] = base[index[j]];
    return v;
#endif
}

// ToFixed32's whole part of texel positions s, clamped to 0 .. last: for s >= 0 it is
// floor(s + 2^-33), the sum exact while s < 2^20, from where `last` (below 2^20) is the
// answer anyway; a negative s or NaN gives 0.
inline Doubles TexelPlace(Doubles s, Doubles last) { return Min(Max(s, Doubles{}) + 0x1p-33, last); }

inline Ints TexelIndex(Doubles lo, Doubles hi, Doubles last) {
    return TruncatedInts(TexelPlace(lo, last), TexelPlace(hi, last));
}

// Plane::At at the pixels of N lanes, in two halves.
inline void PlaneAt(const Plane& p, const int* x, const int* y, Doubles at[2]) {
    Doubles px[2], py[2];
    Widen(Load<Ints>(x), &px[0], &px[1]);
    Widen(Load<Ints>(y), &py[0], &py[1]);
    for (int h = 0; h < 2; ++h) at[h] = p.base + p.dx * (px[h] - p.x0) + p.dy * (py[h] - p.y0);
}

inline void ClampedTexels(const TexelLevel& level, const LaneValue& coord, bool projected, int count,
                          uint32_t out[kLanes]) {
    const Doubles width = Doubles{} + double(level.width), height = Doubles{} + double(level.height);
    const Doubles lastX = width - 1.0, lastY = height - 1.0;
    const int32_t pitch = int32_t(level.pitch);
    for (int i = 0; i < count; i += N) {
        Doubles u[2], v[2], q[2];
        Widen(Load<Floats>(coord.c[0]->v + i), &u[0], &u[1]);
        Widen(Load<Floats>(coord.c[1]->v + i), &v[0], &v[1]);
        if (projected) {
            Widen(Load<Floats>(coord.c[3]->v + i), &q[0], &q[1]);
            for (int h = 0; h < 2; ++h) u[h] /= q[h], v[h] /= q[h];
        }
        const Ints x = TexelIndex(u[0] * width, u[1] * width, lastX);
        const Ints y = TexelIndex(v[0] * height, v[1] * height, lastY);
        Store(out + i, Gather(level.texels, y * pitch + x) | level.alphaOr);
    }
}

inline void PlaneFloats(const Plane& plane, const int* x, const int* y, const double* inv, bool saturate,
                        int count, LaneRow* out) {
    for (int i = 0; i < count; i += N) {
        Doubles at[2];
        PlaneAt(plane, x + i, y + i, at);
        if (inv)
            for (int h = 0; h < 2; ++h) at[h] *= Load<Doubles>(inv + i + h * N / 2);
        const Floats f = NarrowFloats(at[0], at[1]);
        Store(out->v + i, saturate ? Saturate(f) : f);
    }
}

inline void PlaneReciprocals(const Plane& plane, const int* x, const int* y, int count, double* out) {
    for (int i = 0; i < count; i += N) {
        Doubles at[2];
        PlaneAt(plane, x + i, y + i, at);
        for (int h = 0; h < 2; ++h) Store(out + i + h * N / 2, 1.0 / at[h]);
    }
}

// A channel (at `Shift` in the colours) of texels as 0 to 1, times the factor's lanes
// where there is a factor, as its nearest byte in place.
template <int Shift>
Ints ProductChannel(Ints texels, const LaneRow* factor, int i) {
    Floats v = __builtin_convertvector((texels >> Shift) & 255, Floats) / 255.0f;
    if (factor) v *= Load<Floats>(factor->v + i);
    return __builtin_convertvector(Saturate(v) * 255.0f + 0.5f, Ints) << Shift;
}

inline void ProductColors(const uint32_t* texels, const LaneValue* factor, int count, uint32_t* colors) {
    const LaneRow* const rows[4] = {factor ? factor->c[0] : nullptr, factor ? factor->c[1] : nullptr,
                                    factor ? factor->c[2] : nullptr, factor ? factor->c[3] : nullptr};
    for (int i = 0; i < count; i += N) {
        const Ints t = Load<Ints>(texels + i);
        Store(colors + i, ProductChannel<16>(t, rows[0], i) | ProductChannel<8>(t, rows[1], i) |
                              ProductChannel<0>(t, rows[2], i) | ProductChannel<24>(t, rows[3], i));
    }
}

#if defined(__SSE2__)
#if defined(__AVX2__)
using V = Avx2;
#else
using V = Sse2;
#endif

// (W is V, a parameter so that the masked last step is made only where it exists.)
template <FastBlend B, class W = V>
int BlendRow(uint32_t* dst, const uint32_t* colors, int n, int alphaPassFrom, uint32_t targetAlphaOr) {
    using namespace span_detail;
    const typename W::T threshold = W::Set32(uint32_t(alphaPassFrom - 1)), targetOr = W::Set32(targetAlphaOr);
    int i = 0;
    auto step = [&](const auto& lanes) {
        const typename W::T src = lanes.Load(colors + i);
        const typename W::T pass = lanes.Only(W::Greater32(W::Shr32By24(src), threshold));
        if (W::ByteMask(pass) == 0) return;
        const typename W::T d = lanes.Load(dst + i);
        const typename W::T result = W::Or(Blend<W, B>(src, d), targetOr);
        lanes.Store(dst + i, W::Or(W::And(pass, result), W::AndNot(pass, d)));
    };
    for (; i + W::kLanes <= n; i += W::kLanes) step(AllLanes<W>{});
    if constexpr (W::kMaskedTail) {
        if (i < n) step(FirstLanes<W>{W::LeadingMask(n - i), n - i});
        return n;
    }
    return i;
}
#endif

// The kernels of this build.
constexpr LaneKernels kKernels = {
    &ClampedTexels, &PlaneFloats, &PlaneReciprocals, &ProductColors,
#if defined(__SSE2__)
    {&BlendRow<FastBlend::None>, &BlendRow<FastBlend::Alpha>, &BlendRow<FastBlend::Add>},
#else
    {nullptr, nullptr, nullptr},
#endif
};

}  // namespace host::HOST_SPAN_ISA::lane_detail
