// Walks a destination rectangle while stepping through the source in 16.16 fixed point:
// the stretched draw. Mirroring is a negative step, clipping a start counter; a counter
// at 0 or below moves on to the next source pixel.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/softrender/pipeline/pipeline_dispatch.h"

namespace orvik::soft {

struct StretchAxis {
    int32_t start = 0;    // first source column (row)
    int32_t step = 1;     // +1, or -1 when mirrored
    int64_t scale = 0;    // destination pixels per source pixel, 16.16
    int64_t counter = 0;  // counter start: scale minus the clipped remainder
};

struct StretchJob {
    PixelContext cx;
    uint8_t* dst = nullptr;
    ptrdiff_t dstPitch = 0;
    const uint8_t* src = nullptr;  // source pixel (0, 0)
    ptrdiff_t srcPitch = 0;
    const uint8_t* blend = nullptr;  // blend byte of source pixel (0, 0), or null
    ptrdiff_t blendPitch = 0;
    int32_t width = 0;  // clipped destination size
    int32_t height = 0;
    StretchAxis x, y;
};

using StretchFn = void (*)(const StretchJob&);

template <class V>
struct StretchWalker {
    static constexpr bool applies = true;

    static void Run(const StretchJob& j) {
        const PixelContext cx = j.cx;
        int32_t row = j.y.start;
        int64_t yCount = j.y.counter;
        uint8_t* dRow = j.dst;
        for (int32_t line = 0;;) {
            const uint8_t* sRow = j.src + ptrdiff_t{row} * j.srcPitch;
            const uint8_t* bRow = V::blend ? j.blend + ptrdiff_t{row} * j.blendPitch : nullptr;
            int32_t col = j.x.start;
            int64_t xCount = j.x.counter;
            for (int32_t i = 0;;) {
                BlendPixel<V>(cx, dRow + ptrdiff_t{i} * V::dstBytes,
                              sRow + ptrdiff_t{col} * V::srcBytes, V::blend ? bRow + col : nullptr);
                if (++i == j.width) break;
                for (xCount -= 65536; xCount <= 0; xCount += j.x.scale) col += j.x.step;
            }
            if (++line == j.height) return;
            dRow += j.dstPitch;
            for (yCount -= 65536; yCount <= 0; yCount += j.y.scale) row += j.y.step;
        }
    }
};

StretchFn FindStretchLoop(const VariantKey& key);

}  // namespace orvik::soft
