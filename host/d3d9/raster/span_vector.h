// The vector half of the fast spans, written once over a small set of lane operations so
// that the SSE2 build (4 pixels a step) and the AVX2 build (8 pixels) run the same steps
// and give the same bits as the scalar loop. Pixels are widened to 16-bit lanes; Div255
// is exact on every lane value that occurs (at most 65025 + 128).
//
// Each translation unit including this names its own namespace (HOST_SPAN_ISA), so the
// copies built for different instruction sets never merge at link time; nothing here
// calls inline functions from other headers for the same reason.
#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "host/d3d9/raster/fast_span.h"
#include "host/d3d9/raster/span_lanes.h"

namespace host::HOST_SPAN_ISA {

namespace span_detail {

inline int64_t Clamp(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : v > hi ? hi : v; }

template <class V>
typename V::T Div255(typename V::T x) {
    x = V::Add16(x, V::Set16(128));
    return V::Shr16By8(V::Add16(x, V::Shr16By8(x)));
}

// a * b / 255 per channel of whole pixels, rounded.
template <class V>
typename V::T Modulate(typename V::T a, typename V::T b) {
    const auto lo = Div255<V>(V::Mul16(V::Lo8(a), V::Lo8(b)));
    const auto hi = Div255<V>(V::Mul16(V::Hi8(a), V::Hi8(b)));
    return V::Pack16(lo, hi);
}

// The pixels of a vector a step shades: all of them, or the first `n` (a span's last step,
// where the instruction set has masked loads and stores).
template <class V>
struct AllLanes {
    static constexpr bool kPartial = false;
    typename V::T Load(const uint32_t* p) const { return V::Load(p); }
    void Store(uint32_t* p, typename V::T v) const { V::Store(p, v); }
    typename V::T Only(typename V::T pass) const { return pass; }
    int Count() const { return V::kLanes; }
};

template <class V>
struct FirstLanes {
    static constexpr bool kPartial = true;
    typename V::T mask;
    int n;
    typename V::T Load(const uint32_t* p) const { return V::MaskLoad(p, mask); }
    void Store(uint32_t* p, typename V::T v) const { V::MaskStore(p, mask, v); }
    typename V::T Only(typename V::T pass) const { return V::And(pass, mask); }
    int Count() const { return n; }
};

// Texels of one texture along the first `count` pixels of the span, a vector at a time.
template <class V, bool Unit>
class TexelRun {
public:
    TexelRun(const FastTexture& t, int count)
        : t_(t), tu_(t.tu), tv_(t.tv), dtu_(t.dtu), dtv_(t.dtv), split_(t.split), alphaOr_(V::Set32(t.alphaOr)) {
        if constexpr (Unit) row_ = t.texels + size_t(t.tv >> 32) * t.pitch + size_t(t.tu >> 32);
        // Coordinates move in a straight line, so with both ends inside every point between
        // is; a span split between two triangles is clamped throughout.
        const int64_t last = count > 0 ? count - 1 : 0;
        clamp_ = split_ < count ||
                 !(Inside(tu_ >> 32, t.width) && Inside((tu_ + last * t.dtu) >> 32, t.width) &&
                   Inside(tv_ >> 32, t.height) && Inside((tv_ + last * t.dtv) >> 32, t.height));
    }
    // Inlined, as every step of the span calls it: an out-of-line copy (the span's masked
    // last step) would keep the reader's state in memory for the whole loop.
    template <class Lanes>
    [[gnu::always_inline]] typename V::T At(int i, const Lanes& lanes) {
        if constexpr (Unit) return V::Or(lanes.Load(row_ + i), alphaOr_);
        uint32_t texels[V::kLanes];
        if constexpr (Lanes::kPartial)
            for (uint32_t& t : texels) t = 0;
        for (int k = 0; k < lanes.Count(); ++k) {
            if (i + k == split_) Restart(0);
            int64_t x = tu_ >> 32, y = tv_ >> 32;
            if (clamp_) x = Clamp(x, 0, t_.width - 1), y = Clamp(y, 0, t_.height - 1);
            texels[k] = t_.texels[size_t(y) * t_.pitch + size_t(x)];
            tu_ += dtu_;
            tv_ += dtv_;
        }
        // Built lane by lane in registers: a vector load of pixels just stored one at a
        // time waits for the stores to drain.
        return V::Or(V::FromLanes(texels), alphaOr_);
    }
    // Passes over the texels of the vector at pixel i without reading them.
    void Skip(int i) {
        if constexpr (!Unit) {
            if (i + V::kLanes > split_) {
                Restart(i + V::kLanes - split_);
                return;
            }
            tu_ += V::kLanes * dtu_;
            tv_ += V::kLanes * dtv_;
        }
    }

private:
    static bool Inside(int64_t v, int32_t size) { return v >= 0 && v < size; }
    // Takes the second triangle's coordinates, `pixels` past the split.
    void Restart(int64_t pixels) {
        dtu_ = t_.splitDtu;
        dtv_ = t_.splitDtv;
        tu_ = t_.splitTu + pixels * dtu_;
        tv_ = t_.splitTv + pixels * dtv_;
        split_ = FastTexture::kNoSplit;
    }

    const FastTexture& t_;
    int64_t tu_, tv_, dtu_, dtv_;
    int split_;
    const uint32_t* row_ = nullptr;
    bool clamp_ = true;
    typename V::T alphaOr_;
};

#if defined(__AVX2__)
// The texels of a stepped (not unit) span with AVX2: the eight pixels' coordinates are
// kept in 64-bit lanes, their whole parts (the high halves) clamped and turned into
// indices together, and the texels gathered. The same integers as TexelRun's, so the
// same texels; clamping every step costs less than deciding per span whether it is
// needed, and changes nothing where the coordinates are inside.
class GatherRun {
public:
    // Inlined into the span: made for every span, and its lanes then stay in registers.
    // The texture's constants; Start gives a span's coordinates.
    [[gnu::always_inline]] explicit GatherRun(const FastTexture& t)
        : t_(t),
          texels_(reinterpret_cast<const int*>(t.texels)),
          alphaOr_(_mm256_set1_epi32(int(t.alphaOr))),
          pitch_(_mm256_set1_epi32(int(t.pitch))),
          maxX_(_mm256_set1_epi32(t.width - 1)),
          maxY_(_mm256_set1_epi32(t.height - 1)),
          firstStepU_(_mm256_set1_epi64x(8 * t.dtu)),
          firstStepV_(_mm256_set1_epi64x(8 * t.dtv)),
          // Lane k of the first vector is pixel k, of the second pixel k + 4.
          laneU_{FourLanes(0, t.dtu), FourLanes(4 * t.dtu, t.dtu)},
          laneV_{FourLanes(0, t.dtv), FourLanes(4 * t.dtv, t.dtv)} {}
    [[gnu::always_inline]] GatherRun(const FastTexture& t, int) : GatherRun(t) {
        Start(t.tu, t.tv, t.split, t.splitTu, t.splitTv);
    }
    // A span from (tu, tv) whose coordinates are the second triangle's from pixel `split`
    // on, (splitTu, splitTv) there: each lane the same integer its pixel's own sum gives.
    [[gnu::always_inline]] void Start(int64_t tu, int64_t tv, int split, int64_t splitTu, int64_t splitTv) {
        const __m256i u = _mm256_set1_epi64x(tu), v = _mm256_set1_epi64x(tv);
        for (int h = 0; h < 2; ++h) {
            u_[h] = _mm256_add_epi64(u, laneU_[h]);
            v_[h] = _mm256_add_epi64(v, laneV_[h]);
        }
        stepU_ = firstStepU_;
        stepV_ = firstStepV_;
        split_ = split;
        splitTu_ = splitTu;
        splitTv_ = splitTv;
        // One texel row, stepped at most a texel a pixel (a sprite stretched along its
        // rows): a vector's eight texels lie within eight neighbours of its first.
        constexpr int64_t kOne = int64_t(1) << 32;
        row_ = nullptr;
        if (split == FastTexture::kNoSplit && t_.dtv == 0 && t_.dtu > 0 && t_.dtu <= kOne)
            row_ = texels_ + size_t(Clamp(tv >> 32, 0, t_.height - 1)) * t_.pitch;
    }
    // Inlined for the same reason as TexelRun::At.
    template <class Lanes>
    [[gnu::always_inline]] __m256i At(int i, const Lanes& lanes) {
        __m256i u[2] = {u_[0], u_[1]}, v[2] = {v_[0], v_[1]};
        if (i + 8 > split_) {
            // The lanes from the split on take the second triangle's coordinates, which
            // every later vector keeps.
            const __m256i lastFirst = _mm256_set1_epi64x(split_ - i - 1);
            Restart(i);
            for (int h = 0; h < 2; ++h) {
                const __m256i lane = _mm256_setr_epi64x(4 * h, 4 * h + 1, 4 * h + 2, 4 * h + 3);
                const __m256i second = _mm256_cmpgt_epi64(lane, lastFirst);
                u[h] = _mm256_blendv_epi8(u[h], u_[h], second);
                v[h] = _mm256_blendv_epi8(v[h], v_[h], second);
            }
        }
        const __m256i zero = _mm256_setzero_si256();
        const __m256i x = _mm256_min_epi32(_mm256_max_epi32(WholeParts(u[0], u[1]), zero), maxX_);
        if (row_) {
            Advance();
            return _mm256_or_si256(FromRow(x, lanes), alphaOr_);
        }
        const __m256i y = _mm256_min_epi32(_mm256_max_epi32(WholeParts(v[0], v[1]), zero), maxY_);
        const __m256i index = _mm256_add_epi32(_mm256_mullo_epi32(y, pitch_), x);
        Advance();
        __m256i texels;
        if constexpr (Lanes::kPartial)
            texels = _mm256_mask_i32gather_epi32(zero, texels_, index, lanes.mask, 4);
        else
            texels = _mm256_i32gather_epi32(texels_, index, 4);
        return _mm256_or_si256(texels, alphaOr_);
    }
    // Passes over the texels of the vector at pixel i without reading them.
    void Skip(int i) {
        if (i + 8 > split_) Restart(i);
        Advance();
    }

private:
    // The texels of row_ at columns x (from the first lane's on, rising by at most one a
    // lane, none past the last column): those eight columns loaded at once and each lane
    // picked from them, the same texels a gather reads. Lanes a partial step leaves out
    // are 0, as a masked gather leaves them.
    template <class Lanes>
    [[gnu::always_inline]] __m256i FromRow(__m256i x, const Lanes& lanes) const {
        const int first = _mm256_cvtsi256_si32(x);
        const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        const __m256i inside = _mm256_cmpgt_epi32(_mm256_sub_epi32(maxX_, _mm256_set1_epi32(first - 1)), lane);
        const __m256i neighbours = _mm256_maskload_epi32(row_ + first, inside);
        const __m256i texels = _mm256_permutevar8x32_epi32(neighbours, _mm256_sub_epi32(x, _mm256_set1_epi32(first)));
        if constexpr (Lanes::kPartial) return _mm256_and_si256(texels, lanes.mask);
        return texels;
    }
    static __m256i FourLanes(int64_t first, int64_t step) {
        return _mm256_setr_epi64x(first, first + step, first + 2 * step, first + 3 * step);
    }
    // The high halves of pixels 0-3 (in lo) and 4-7 (in hi) as eight 32-bit lanes: each
    // pixel's coordinate shifted right by 32 with its sign.
    static __m256i WholeParts(__m256i lo, __m256i hi) {
        const __m256i odd = _mm256_setr_epi32(1, 3, 5, 7, 1, 3, 5, 7);
        return _mm256_blend_epi32(_mm256_permutevar8x32_epi32(lo, odd), _mm256_permutevar8x32_epi32(hi, odd), 0xF0);
    }
    void Advance() {
        for (__m256i& u : u_) u = _mm256_add_epi64(u, stepU_);
        for (__m256i& v : v_) v = _mm256_add_epi64(v, stepV_);
    }
    // The second triangle's coordinates for the vector at pixel i, and its steps.
    void Restart(int i) {
        const int64_t from = i - split_, du = t_.splitDtu, dv = t_.splitDtv;
        u_[0] = FourLanes(splitTu_ + from * du, du);
        u_[1] = FourLanes(splitTu_ + (from + 4) * du, du);
        v_[0] = FourLanes(splitTv_ + from * dv, dv);
        v_[1] = FourLanes(splitTv_ + (from + 4) * dv, dv);
        stepU_ = _mm256_set1_epi64x(8 * du);
        stepV_ = _mm256_set1_epi64x(8 * dv);
        split_ = FastTexture::kNoSplit;
    }

    const FastTexture& t_;
    const int* texels_;
    const int* row_ = nullptr;  // the one texel row the span reads, where that is all
    int split_ = FastTexture::kNoSplit;
    int64_t splitTu_ = 0, splitTv_ = 0;
    __m256i alphaOr_, pitch_, maxX_, maxY_, firstStepU_, firstStepV_, stepU_, stepV_;
    __m256i laneU_[2], laneV_[2], u_[2], v_[2];
};

template <class V, bool Unit>
struct TexelsFor {
    using Type = TexelRun<V, Unit>;
};
template <>
struct TexelsFor<Avx2, false> {
    using Type = GatherRun;
};
#else
template <class V, bool Unit>
struct TexelsFor {
    using Type = TexelRun<V, Unit>;
};
#endif

// Stands for stage 1's texels where the span does not read them.
struct NoTexels {
    explicit NoTexels(const FastTexture&) {}
    NoTexels(const FastTexture&, int) {}
    void Start(int64_t, int64_t, int, int64_t, int64_t) {}
};

// src * a + d * (255 - a), or d + src * a saturated, per channel. Where every alpha is 0
// or 255 (a keyed sprite's edge) the products are exact, src * 255 / 255 = src and 0:
// alpha blending picks src or d, and the add takes src where the alpha is 255.
template <class V, FastBlend B>
[[gnu::always_inline]] inline typename V::T Blend(typename V::T src, typename V::T d) {
    if constexpr (B == FastBlend::None) {
        return src;
    } else {
        const auto alpha = V::Shr32By24(src);
        const auto clear = V::Equal32(alpha, V::Zero()), full = V::Equal32(alpha, V::Set32(255));
        const int clearBytes = V::ByteMask(clear), fullBytes = V::ByteMask(full);
        if (clearBytes == V::kAllBytes) return d;
        if ((clearBytes | fullBytes) == V::kAllBytes) {
            if constexpr (B == FastBlend::Alpha) return V::Or(V::And(full, src), V::AndNot(full, d));
            else return V::AddSaturate8(V::And(full, src), d);
        }
        const auto lo = V::Lo8(src), hi = V::Hi8(src);
        const auto alo = V::AlphaToLanes16(lo), ahi = V::AlphaToLanes16(hi);
        if constexpr (B == FastBlend::Alpha) {
            const auto inv = V::Set16(255);
            const auto rlo = Div255<V>(V::Add16(V::Mul16(lo, alo), V::Mul16(V::Lo8(d), V::Sub16(inv, alo))));
            const auto rhi = Div255<V>(V::Add16(V::Mul16(hi, ahi), V::Mul16(V::Hi8(d), V::Sub16(inv, ahi))));
            return V::Pack16(rlo, rhi);
        } else {
            return V::AddSaturate8(V::Pack16(Div255<V>(V::Mul16(lo, alo)), Div255<V>(V::Mul16(hi, ahi))), d);
        }
    }
}

}  // namespace span_detail

// The vector loop of one span state, its constants made once so that a rectangle's rows
// share them.
template <class V, FastSource C, FastSource A, FastBlend B, bool Unit>
class SpanShader {
    using T = typename V::T;
    static constexpr bool kReadsTexel = C != FastSource::Diffuse || (A != FastSource::Diffuse && A != FastSource::Second);
    static constexpr bool kSecond = A == FastSource::Second;
    // Blended texels whose alpha is 0 leave the target as it is, whatever their colour.
    static constexpr bool kClearTexelsKeep =
        B != FastBlend::None && (A == FastSource::Texel || A == FastSource::Product);
    // Per-channel multiplier (255 keeps the texel's channel) and the diffuse channels that
    // replace channels taken from the diffuse colour.
    static constexpr uint32_t kKeep = (C == FastSource::Diffuse ? 0u : 0xFFFFFFu) |
                                      (A == FastSource::Texel || A == FastSource::Product ? 0xFF000000u : 0u);
    static uint32_t MulOf(uint32_t color) {
        const uint32_t mulRgb = C == FastSource::Product ? color & 0xFFFFFFu : 0xFFFFFFu;
        const uint32_t mulA = A == FastSource::Product ? color >> 24 : 255u;
        return mulRgb | mulA << 24;
    }

public:
    explicit SpanShader(const FastSpan& f)
        : mul_(V::Set32(MulOf(f.color))),
          keepMask_(V::Set32(kKeep)),
          diffuse_(V::Set32(f.color & ~kKeep & (kSecond ? 0xFFFFFFu : 0xFFFFFFFFu))),
          secondXor_(V::Set32(f.secondXor << 24)),
          alphaByte_(V::Set32(0xFF000000u)),
          targetOr_(V::Set32(f.targetAlphaOr)),
          threshold_(V::Set32(uint32_t(f.alphaPassFrom - 1))),
          clearPass_(V::Greater32(V::Zero(), threshold_)),
          alphaMul_(V::Set32(MulOf(f.color) >> 24)),
          multiply_(MulOf(f.color) != 0xFFFFFFFFu),
          // Only the alpha is multiplied when the colour is the texel's own.
          alphaOnly_(multiply_ && (MulOf(f.color) & 0xFFFFFFu) == 0xFFFFFFu) {}

    // Shades the span's pixels a vector at a time and returns how many were done: all of
    // them where the last few can be shaded under a mask, else kLanes * n.
    int Run(uint32_t* dst, int count, const FastSpan& f) const {
        using Texels = typename span_detail::TexelsFor<V, Unit>::Type;
        const int shaded = V::kMaskedTail ? count : count / V::kLanes * V::kLanes;
        Texels first(f.tex[0], shaded);
        std::conditional_t<kSecond, Texels, span_detail::NoTexels> second(f.tex[1], shaded);
        return Shade(dst, count, f.alphaPassFrom == 0, first, second);
    }

    // The same with the texel readers already started at the span's first pixel, so that
    // the rows of one shape share their set-up. `passAll`: no alpha test.
    template <class First, class Second>
    [[gnu::always_inline]] int Shade(uint32_t* dst, int count, bool passAll, First& first, Second& second) const {
        using namespace span_detail;
        // The constants in locals: the vector stores below may alias any memory, so members
        // would be read again after each one.
        const T mul = mul_, keepMask = keepMask_, diffuse = diffuse_, secondXor = secondXor_,
                alphaByte = alphaByte_, targetOr = targetOr_, threshold = threshold_, clearPass = clearPass_,
                alphaMul = alphaMul_;
        const bool multiply = multiply_, alphaOnly = alphaOnly_;
        const int vectorCount = count / V::kLanes * V::kLanes;
        // Inlined, as the readers' At is: out of line the readers' lanes live in memory.
        auto step = [&](uint32_t* at, int i, const auto& lanes) __attribute__((always_inline)) {
            // Stage 1's alpha first: where it fails the test everywhere nothing else is read.
            T secondAlpha = V::Zero();
            if constexpr (kSecond) {
                secondAlpha = V::And(V::Xor(second.At(i, lanes), secondXor), alphaByte);
                if (V::ByteMask(V::Greater32(V::Shr32By24(secondAlpha), threshold)) == 0) {
                    first.Skip(i);
                    return;
                }
            }
            T src = V::Zero();
            if constexpr (kReadsTexel) src = first.At(i, lanes);
            if constexpr (kClearTexelsKeep) {
                if (V::ByteMask(V::Equal32(V::Shr32By24(src), V::Zero())) == V::kAllBytes) {
                    const T d = lanes.Load(at);
                    lanes.Store(at, V::Or(V::And(clearPass, V::Or(d, targetOr)), V::AndNot(clearPass, d)));
                    return;
                }
            }
            if (alphaOnly) {
                // Alphas below 256 times a factor below 256 fit each pixel's low 16-bit lane.
                const T alpha = Div255<V>(V::Mul16(V::Shr32By24(src), alphaMul));
                src = V::Or(V::And(src, V::Set32(0xFFFFFFu)), V::Shl32By24(alpha));
            } else if (multiply) {
                src = Modulate<V>(src, mul);
            }
            // Nothing to replace where colour and alpha are the texel's own.
            if constexpr (kKeep != 0xFFFFFFFFu) src = V::Or(V::And(src, keepMask), diffuse);
            if constexpr (kSecond) src = V::Or(src, secondAlpha);
            if constexpr (B == FastBlend::None) {
                // Without an alpha test every pixel is written.
                if (passAll) {
                    lanes.Store(at, V::Or(src, targetOr));
                    return;
                }
            }
            // All four bytes of a pixel are set where its alpha passes the test.
            const T pass = lanes.Only(V::Greater32(V::Shr32By24(src), threshold));
            if constexpr (B == FastBlend::None && !Unit) {
                // Stepped spans (turned sprites) cross their texels' edges at every angle, so
                // which pixels pass is hard to foresee: no branch on it. With masked stores
                // the passing pixels are stored alone, without reading the target.
                const T value = V::Or(src, targetOr);
                if constexpr (V::kMaskedTail) V::MaskStore(at, pass, value);
                else lanes.Store(at, V::Or(V::And(pass, value), V::AndNot(pass, lanes.Load(at))));
                return;
            }
            const int passing = V::ByteMask(pass);
            if (passing == 0) return;
            if constexpr (B == FastBlend::None) {
                if (passing == V::kAllBytes) {
                    lanes.Store(at, V::Or(src, targetOr));
                    return;
                }
                // A keyed sprite's edge: the passing pixels stored alone, so the step does not
                // wait to read target pixels that are mostly not in the cache.
                if constexpr (V::kMaskedTail) {
                    V::MaskStore(at, pass, V::Or(src, targetOr));
                    return;
                }
            }
            const T d = lanes.Load(at);
            const T result = V::Or(Blend<V, B>(src, d), targetOr);
            lanes.Store(at, V::Or(V::And(pass, result), V::AndNot(pass, d)));
        };
        int i = 0;
        for (; i < vectorCount; i += V::kLanes) step(dst + i, i, AllLanes<V>{});
        if constexpr (V::kMaskedTail) {
            if (i < count) step(dst + i, i, FirstLanes<V>{V::LeadingMask(count - i), count - i});
            return count;
        }
        return i;
    }

private:
    T mul_, keepMask_, diffuse_, secondXor_, alphaByte_, targetOr_, threshold_, clearPass_, alphaMul_;
    bool multiply_, alphaOnly_;
};

template <class V, FastSource C, FastSource A, FastBlend B, bool Unit>
int SpanVector(uint32_t* dst, int count, const FastSpan& f) {
    return SpanShader<V, C, A, B, Unit>(f).Run(dst, count, f);
}

#if defined(__AVX2__)
// The stepped spans of one shape's rows (a turned sprite's), every pixel of each: the
// shader's constants and the texel readers' lanes made once, and each row only starting
// its coordinates.
template <class V, FastSource C, FastSource A, FastBlend B>
void SteppedRowsVector(const SteppedRow* rows, int n, const FastSpan& f) {
    static_assert(V::kMaskedTail, "each row is shaded to its last pixel");
    using span_detail::GatherRun;
    const SpanShader<V, C, A, B, false> shader(f);
    GatherRun first(f.tex[0]);
    std::conditional_t<A == FastSource::Second, GatherRun, span_detail::NoTexels> second(f.tex[1]);
    const bool passAll = f.alphaPassFrom == 0;
    for (int r = 0; r < n; ++r) {
        const SteppedRow& row = rows[r];
        first.Start(row.tu[0], row.tv[0], row.split, row.splitTu[0], row.splitTv[0]);
        second.Start(row.tu[1], row.tv[1], row.split, row.splitTu[1], row.splitTv[1]);
        shader.Shade(row.dst, row.count, passAll, first, second);
    }
}
#endif

// The rows of the mask screen's composite (the first texture's colour with the second's
// alpha, unblended): the pixels whose alpha passes take the texel's colour with that
// alpha, the others stay. The general shader gives the same bits, but its set-up for
// every row outweighs the few steps of each vector on a sprite's short rows.
template <class V>
int SelectRowsVector(uint32_t* dst, size_t pitch, int rows, int count, const FastSpan& f, const int64_t rowStep[2]) {
    using namespace span_detail;
    using T = typename V::T;
    const T rgb = V::Set32(0xFFFFFFu), alphaByte = V::Set32(0xFF000000u), alphaOr = V::Set32(f.tex[1].alphaOr),
            flip = V::Set32(f.secondXor << 24), targetOr = V::Set32(f.targetAlphaOr),
            threshold = V::Set32(uint32_t(f.alphaPassFrom - 1));
    const int vectorCount = count / V::kLanes * V::kLanes;
    FastTexture colour = f.tex[0], mask = f.tex[1];
    for (int y = 0; y < rows; ++y) {
        const uint32_t* c = colour.texels + size_t(colour.tv >> 32) * colour.pitch + size_t(colour.tu >> 32);
        const uint32_t* m = mask.texels + size_t(mask.tv >> 32) * mask.pitch + size_t(mask.tu >> 32);
        auto step = [&](int i, const auto& lanes) {
            const T alpha = V::And(V::Xor(V::Or(lanes.Load(m + i), alphaOr), flip), alphaByte);
            const T pass = lanes.Only(V::Greater32(V::Shr32By24(alpha), threshold));
            const int passing = V::ByteMask(pass);
            if (passing == 0) return;
            const T src = V::Or(V::Or(V::And(lanes.Load(c + i), rgb), alpha), targetOr);
            if (passing == V::kAllBytes) return lanes.Store(dst + i, src);
            // Where stores can be masked, the passing pixels go in without reading the row.
            if constexpr (V::kMaskedTail) return V::MaskStore(dst + i, pass, src);
            lanes.Store(dst + i, V::Or(V::And(pass, src), V::AndNot(pass, lanes.Load(dst + i))));
        };
        int i = 0;
        for (; i < vectorCount; i += V::kLanes) step(i, AllLanes<V>{});
        if constexpr (V::kMaskedTail) {
            if (i < count) step(i, FirstLanes<V>{V::LeadingMask(count - i), count - i});
        }
        dst = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(dst) + pitch);
        colour.tv += rowStep[0];
        mask.tv += rowStep[1];
    }
    return V::kMaskedTail ? count : vectorCount;
}

// The rows of a rectangle read one texel per pixel whose texels are drawn as they are,
// every pixel written (a map's opaque tiles): each row a copy of its texels, with the
// alpha the texture and the target force.
template <class V>
int CopyRowsVector(uint32_t* dst, size_t pitch, int rows, int count, const FastSpan& f, int64_t rowStep) {
    using namespace span_detail;
    const typename V::T alphaOr = V::Set32(f.tex[0].alphaOr | f.targetAlphaOr);
    const int vectorCount = count / V::kLanes * V::kLanes;
    const FastTexture& t = f.tex[0];
    int64_t tv = t.tv;
    for (int y = 0; y < rows; ++y) {
        const uint32_t* src = t.texels + size_t(tv >> 32) * t.pitch + size_t(t.tu >> 32);
        auto copy = [&](int i, const auto& lanes) { lanes.Store(dst + i, V::Or(lanes.Load(src + i), alphaOr)); };
        int i = 0;
        for (; i < vectorCount; i += V::kLanes) copy(i, AllLanes<V>{});
        if constexpr (V::kMaskedTail) {
            if (i < count) copy(i, FirstLanes<V>{V::LeadingMask(count - i), count - i});
        }
        dst = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(dst) + pitch);
        tv += rowStep;
    }
    return V::kMaskedTail ? count : vectorCount;
}

// The same for the rows of a rectangle read one texel per pixel: `rows` rows `pitch`
// bytes apart, each texture's row coordinate moving by its `rowStep` from one to the
// next. Every row has the same count, so the same number is done in each.
template <class V, FastSource C, FastSource A, FastBlend B>
int RowsVector(uint32_t* dst, size_t pitch, int rows, int count, const FastSpan& f, const int64_t rowStep[2]) {
    if constexpr (C == FastSource::Texel && A == FastSource::Second && B == FastBlend::None)
        return SelectRowsVector<V>(dst, pitch, rows, count, f, rowStep);
    if constexpr (C == FastSource::Texel && A == FastSource::Texel && B == FastBlend::None)
        if (f.alphaPassFrom == 0) return CopyRowsVector<V>(dst, pitch, rows, count, f, rowStep[0]);
    const SpanShader<V, C, A, B, true> shader(f);
    FastSpan row = f;
    int done = 0;
    for (int y = 0; y < rows; ++y) {
        done = shader.Run(dst, count, row);
        dst = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(dst) + pitch);
        row.tex[0].tv += rowStep[0];
        row.tex[1].tv += rowStep[1];
    }
    return done;
}

}  // namespace host::HOST_SPAN_ISA
