// Walks a rectangle of a destination with one flat colour: the filled rectangle. The
// colour goes through the same kernels as a source pixel that never changes.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/softrender/pipeline/pipeline_dispatch.h"
#include "engine/softrender/pipeline/pixel_context.h"
#include "engine/softrender/pipeline/pixel_fill.h"
#include "engine/softrender/simd/simd_rows.h"

namespace orvik::soft {

struct FlatJob {
    PixelContext cx;
    uint8_t* dst = nullptr;
    ptrdiff_t pitch = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t colour = 0;  // already tinted, in the destination's layout
};

using FlatFn = void (*)(const FlatJob&);

template <class V>
struct FlatWalker {
    static constexpr bool applies = !V::pal && V::plain && !V::keyed;
    static void Run(const FlatJob& j) {
        if constexpr (V::kernel == Kernel::Copy && V::plain) {
            if (!GenericPathForced()) return FillRows(j);
        } else if constexpr (kSimdRows<V>) {
            if (!GenericPathForced()) return BlendRows(j);
        }
        uint8_t colour[4];
        std::memcpy(colour, &j.colour, 4);
        const PixelContext cx = j.cx;  // kept in registers, as in the row walker
        uint8_t* row = j.dst;
        for (int32_t y = 0; y < j.height; ++y, row += j.pitch)
            for (int32_t x = 0; x < j.width; ++x)
                BlendPixel<V>(cx, row + x * V::dstBytes, colour, nullptr);
    }

    // The block loops with a source of one run of the colour, read again on every row.
    static void BlendRows(const FlatJob& j) {
        constexpr int32_t kRun = 256;
        uint8_t run[kRun * V::dstBytes];
        for (int32_t i = 0; i < kRun; ++i) std::memcpy(run + i * V::dstBytes, &j.colour, V::dstBytes);
        const SimdRowFn rows = PickSimdRows<V>();
        for (int32_t x = 0; x < j.width; x += kRun)
            rows(j.cx, j.dst + ptrdiff_t{x} * V::dstBytes, j.pitch, run, 0, std::min(kRun, j.width - x),
                 j.height);
    }

    static void FillRows(const FlatJob& j) {
        FillPixelRows(j.dst, j.pitch, j.width, j.height, V::dstBytes, j.colour);
    }
};

// Flat draws have no palette, blend image, source alpha, keying or per-pixel tint; they
// follow the textured draws' rules.
FlatFn FindFlatLoop(int depth, Kernel kernel);

}  // namespace orvik::soft
