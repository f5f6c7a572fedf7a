// Draws one span of destination pixels whose source texel moves by a fixed step per
// pixel, in 18-bit fixed point: the row walk of the triangle and of the rotated draw.
// Coordinates wrap as unsigned 32-bit values, so one compare per axis rejects a texel
// left, right, above or below the source before anything is read.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/softrender/memimg.h"
#include "engine/softrender/pipeline_dispatch.h"

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
        const PixelContext cx = j.cx;
        for (; count > 0; --count, dst += V::dstBytes, u += j.du, v += j.dv) {
            if (u >= j.uLimit || v >= j.vLimit) continue;
            const ptrdiff_t col = u >> kTexelShift, row = v >> kTexelShift;
            BlendPixel<V>(cx, dst, j.src + row * j.srcPitch + col * V::srcBytes,
                          V::blend ? j.blend + row * j.blendPitch + col : nullptr);
        }
    }
};

TexelSpanFn FindTexelLoop(const VariantKey& key);

// A job for src under the chosen variant; blend may be null.
TexelJob MakeTexelJob(const PixelContext& cx, const MEMIMG& src, const MEMIMG* blend);

}  // namespace orvik::soft
