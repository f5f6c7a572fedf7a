// Draws one span of destination pixels whose source texel moves by a fixed step per
// pixel, in 18-bit fixed point: the row walk of the triangle and of the rotated draw.
// Coordinates wrap as unsigned 32-bit values, so one compare per axis rejects a texel
// left, right, above or below the source before anything is read.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "engine/softrender/pipeline/memimg.h"
#include "engine/softrender/pipeline/pipeline_dispatch.h"
#include "engine/softrender/pipeline/pixel_context.h"
#include "engine/softrender/simd/simd_rows.h"

namespace orvik::soft {

inline constexpr int kTexelShift = 18;

struct TexelJob {
    PixelContext cx;
    const uint8_t* src = nullptr;
    ptrdiff_t srcPitch = 0;
    const uint8_t* blend = nullptr;  // read at the texel's own column and row
    ptrdiff_t blendPitch = 0;
    uint64_t uLimit = 0;  // source width << 18
    uint64_t vLimit = 0;  // source height << 18
    uint32_t du = 0;      // texel step per destination pixel
    uint32_t dv = 0;
};

using TexelSpanFn = void (*)(const TexelJob&, uint8_t* dst, int32_t count, uint32_t u, uint32_t v);

template <class V>
struct TexelWalker {
    static constexpr bool applies = true;

    static void Run(const TexelJob& j, uint8_t* dst, int32_t count, uint32_t u, uint32_t v) {
        if constexpr (kSimdRows<V>) {
            if (!GenericPathForced()) return GatheredRuns(j, dst, count, u, v);
        }
        const PixelContext cx = j.cx;
        for (; count > 0; --count, dst += V::dstBytes, u += j.du, v += j.dv) {
            if (u >= j.uLimit || v >= j.vLimit) continue;
            const ptrdiff_t col = u >> kTexelShift, row = v >> kTexelShift;
            BlendPixel<V>(cx, dst, j.src + row * j.srcPitch + col * V::srcBytes,
                          V::blend ? j.blend + row * j.blendPitch + col : nullptr);
        }
    }

    // Each run of pixels whose texels lie in the source has its texels gathered into a
    // row, which the block loops then draw as the point draw draws its source rows. Steps
    // of whole texels (a picture turned by quarter turns, not scaled or scaled by whole
    // numbers) move a pointer, and one texel at a time to the right reads the source row
    // where it lies.
    static void GatheredRuns(const TexelJob& j, uint8_t* dst, int32_t count, uint32_t u, uint32_t v) {
        constexpr uint32_t kFraction = (1u << kTexelShift) - 1;
        const uint32_t du = j.du, dv = j.dv;
        if (((du | dv) & kFraction) != 0) return Runs<false>(j, dst, count, u, v);
        if (dv == 0 && du == 1u << kTexelShift) return Runs<true>(j, dst, count, u, v);
        Runs<false, true>(j, dst, count, u, v);
    }

    template <bool InPlace, bool WholeSteps = InPlace>
    static void Runs(const TexelJob& j, uint8_t* dst, int32_t count, uint32_t u, uint32_t v) {
        using Texel = std::conditional_t<V::srcBytes == 2, uint16_t, uint32_t>;
        static_assert(sizeof(Texel) == V::srcBytes);
        constexpr int32_t kRun = 256;
        Texel run[kRun];
        const SimdRowFn rows = PickSimdRows<V>();
        // Locals: the gathered stores cannot alias them, so they stay in registers.
        const uint8_t* const src = j.src;
        const ptrdiff_t pitch = j.srcPitch;
        const uint64_t uLimit = j.uLimit, vLimit = j.vLimit;
        const uint32_t du = j.du, dv = j.dv;
        const ptrdiff_t step = ptrdiff_t{static_cast<int32_t>(du) >> kTexelShift} * V::srcBytes +
                               ptrdiff_t{static_cast<int32_t>(dv) >> kTexelShift} * pitch;
        auto at = [&] { return src + ptrdiff_t{v >> kTexelShift} * pitch + ptrdiff_t{u >> kTexelShift} * V::srcBytes; };
        int32_t i = 0;
        while (i < count) {
            for (; i < count && (u >= uLimit || v >= vLimit); ++i) u += du, v += dv;
            if (i == count) return;
            const int32_t start = i;
            const uint8_t* first = at();
            int32_t n = 0;
            if constexpr (InPlace) {
                for (; i < count && u < uLimit; ++i, ++n) u += du;
                rows(j.cx, dst + ptrdiff_t{start} * V::dstBytes, 0, first, 0, n, 1);
                continue;
            }
            for (const uint8_t* p = first; i < count && n < kRun && u < uLimit && v < vLimit; ++i, ++n) {
                std::memcpy(&run[n], WholeSteps ? p : at(), V::srcBytes);
                u += du, v += dv, p += step;
            }
            rows(j.cx, dst + ptrdiff_t{start} * V::dstBytes, 0, reinterpret_cast<const uint8_t*>(run), 0, n, 1);
        }
    }
};

TexelSpanFn FindTexelLoop(const VariantKey& key);

// A job for src under the chosen variant; blend may be null.
TexelJob MakeTexelJob(const PixelContext& cx, const MEMIMG& src, const MEMIMG* blend);

}  // namespace orvik::soft
