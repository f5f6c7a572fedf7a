// Draws one span of destination pixels whose source texel moves by a fixed step per
// pixel, in 18-bit fixed point: the row walk of the triangle and of the rotated draw.
// Coordinates wrap as unsigned 32-bit values, so one compare per axis rejects a texel
// left, right, above or below the source before anything is read.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "engine/softrender/memimg.h"
#include "engine/softrender/pipeline_dispatch.h"
#include "engine/softrender/pixel_context.h"
#include "engine/softrender/simd_rows.h"

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
    // row, which the block loops then draw as the point draw draws its source rows.
    static void GatheredRuns(const TexelJob& j, uint8_t* dst, int32_t count, uint32_t u, uint32_t v) {
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
        int32_t i = 0;
        while (i < count) {
            for (; i < count && (u >= uLimit || v >= vLimit); ++i) u += du, v += dv;
            const int32_t start = i;
            int32_t n = 0;
            for (; i < count && n < kRun && u < uLimit && v < vLimit; ++i, ++n, u += du, v += dv)
                std::memcpy(&run[n], src + ptrdiff_t{v >> kTexelShift} * pitch + ptrdiff_t{u >> kTexelShift} * V::srcBytes,
                            V::srcBytes);
            if (n > 0)
                rows(j.cx, dst + ptrdiff_t{start} * V::dstBytes, 0, reinterpret_cast<const uint8_t*>(run), 0, n, 1);
        }
    }
};

TexelSpanFn FindTexelLoop(const VariantKey& key);

// A job for src under the chosen variant; blend may be null.
TexelJob MakeTexelJob(const PixelContext& cx, const MEMIMG& src, const MEMIMG* blend);

}  // namespace orvik::soft
