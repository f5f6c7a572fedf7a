// Draws one span of destination pixels whose source texel moves by a fixed step per
// pixel, in 18-bit fixed point: the row walk of the triangle and of the rotated draw.
// Coordinates wrap as unsigned 32-bit values, so one compare per axis rejects a texel
// left, right, above or below the source before anything is read.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/softrender/pipeline/memimg.h"
#include "engine/softrender/pipeline/pipeline_dispatch.h"
#include "engine/softrender/pipeline/pixel_context.h"
#include "engine/softrender/simd/simd_rows.h"

namespace orvik::soft {

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

// The walk through the AVX2 block loops of a textured variant's slot; null when it has none
// or the build has no AVX2. Call only when Avx2RowsInUse().
TexelSpanFn Avx2TexelSpans(size_t slot);

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

    // The same with each run of pixels whose texels lie in the source through the block
    // loops of instruction set I (variants with kSimdRows<V>). Everything it calls is built
    // into it: no other instruction set's build can stand in for a part of it.
    template <class I>
    [[gnu::flatten]] static void Blocks(const TexelJob& j, uint8_t* dst, int32_t count, uint32_t u, uint32_t v) {
        const auto draw = [&](int32_t first, uint32_t fu, uint32_t fv, int32_t n) {
            TexelBlocks<I, V>(j.cx, dst + ptrdiff_t{first} * V::dstBytes, TexelRun{j.src, j.srcPitch, fu, fv, j.du, j.dv}, n);
        };
        // Locals, kept in registers through the walk.
        const uint64_t uLimit = j.uLimit, vLimit = j.vLimit;
        const uint32_t du = j.du, dv = j.dv;
        if (Straight(u, du, uLimit, count) && Straight(v, dv, vLimit, count)) {
            // The pixels inside are one run: only its ends need finding, and a span's ends
            // lie at most a pixel or so outside.
            const auto inside = [&](int32_t k) {
                return u + static_cast<uint32_t>(k) * du < uLimit && v + static_cast<uint32_t>(k) * dv < vLimit;
            };
            int32_t first = 0, end = count;
            while (first < end && !inside(first)) ++first;
            while (end > first && !inside(end - 1)) --end;
            if (first < end)
                draw(first, u + static_cast<uint32_t>(first) * du, v + static_cast<uint32_t>(first) * dv, end - first);
            return;
        }
        int32_t i = 0;
        while (i < count) {
            for (; i < count && (u >= uLimit || v >= vLimit); ++i) u += du, v += dv;
            if (i == count) return;
            const int32_t start = i;
            const uint32_t su = u, sv = v;
            for (; i < count && u < uLimit && v < vLimit; ++i) u += du, v += dv;
            draw(start, su, sv, i - start);
        }
    }

    // Whether a coordinate runs along the span without wrapping, as a signed value against
    // a limit below 2^31: then its pixels inside the limit are one run.
    static bool Straight(uint32_t s, uint32_t d, uint64_t limit, int32_t count) {
        const int64_t last = int64_t{static_cast<int32_t>(s)} + int64_t{count - 1} * static_cast<int32_t>(d);
        return limit <= uint64_t{INT32_MAX} && last >= INT32_MIN && last <= INT32_MAX;
    }
};

TexelSpanFn FindTexelLoop(const VariantKey& key);

// A job for src under the chosen variant; blend may be null.
TexelJob MakeTexelJob(const PixelContext& cx, const MEMIMG& src, const MEMIMG* blend);

}  // namespace orvik::soft
