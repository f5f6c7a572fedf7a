// Walks a rectangle whose source and destination pixels advance together, one row at a
// time: the point draw's normal path. Instantiated per pipeline variant.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/softrender/pipeline/pipeline_dispatch.h"
#include "engine/softrender/pipeline/pixel_context.h"
#include "engine/softrender/simd/simd_rows.h"

namespace orvik::soft {

struct RowJob {
    PixelContext cx;
    uint8_t* dst = nullptr;
    ptrdiff_t dstPitch = 0;
    const uint8_t* src = nullptr;
    ptrdiff_t srcPitch = 0;
    const uint8_t* blend = nullptr;  // blend byte of the first source pixel, or null
    ptrdiff_t blendPitch = 0;
    int32_t width = 0;
    int32_t height = 0;
};

using RowFn = void (*)(const RowJob&);

template <class V>
struct RowWalker {
    static constexpr bool applies = true;
    // A plain unkeyed copy between identical layouts is a block copy of each row.
    static constexpr bool kRowCopy = V::kernel == Kernel::Copy && !V::pal && !V::blend &&
                                     !V::tint && !V::keyed && (!V::alpha || V::ignoreAlpha) &&
                                     V::srcBytes == V::dstBytes;

    static void Run(const RowJob& j) {
        uint8_t* d = j.dst;
        const uint8_t* s = j.src;
        const uint8_t* b = j.blend;
        if constexpr (kRowCopy) {
            if (!GenericPathForced()) {
                for (int32_t y = 0; y < j.height; ++y, d += j.dstPitch, s += j.srcPitch)
                    std::memcpy(d, s, static_cast<size_t>(j.width) * V::dstBytes);
                return;
            }
        }
        // A local copy: pixel stores cannot alias it, so its fields stay in registers.
        const PixelContext cx = j.cx;
        if constexpr (kSimdRows<V>) {
            if (!GenericPathForced())
                return PickSimdRows<V>()(cx, d, j.dstPitch, s, j.srcPitch, j.width, j.height);
        }
        for (int32_t y = 0; y < j.height; ++y) {
            for (int32_t x = 0; x < j.width; ++x)
                BlendPixel<V>(cx, d + x * V::dstBytes, s + x * V::srcBytes,
                              V::blend ? b + x : nullptr);
            d += j.dstPitch;
            s += j.srcPitch;
            if constexpr (V::blend) b += j.blendPitch;
        }
    }
};

template <Flavour F>
using RowTable = DispatchTable<RowWalker, F, RowFn>;

// The point draw's loops (its own rules and shortcuts); null for a variant without one.
RowFn FindPointRowLoop(const VariantKey& key);

}  // namespace orvik::soft
