// Steps one flat colour along a line: one pixel per step on the major axis, a step on
// the minor axis whenever the error term reaches the major length.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/softrender/pipeline/pipeline_dispatch.h"

namespace orvik::soft {

struct LineJob {
    PixelContext cx;
    uint8_t* start = nullptr;  // first pixel
    ptrdiff_t majorStep = 0;   // bytes
    ptrdiff_t minorStep = 0;
    int32_t major = 0;  // pixels drawn
    int32_t minor = 0;
    uint32_t colour = 0;  // already tinted, in the destination's layout
};

using LineFn = void (*)(const LineJob&);

template <class V>
struct LineWalker {
    static constexpr bool applies = !V::pal && V::plain && !V::keyed;
    static void Run(const LineJob& j) {
        uint8_t colour[4];
        std::memcpy(colour, &j.colour, 4);
        const PixelContext cx = j.cx;
        // An offset, not a pointer: the step after the last pixel may leave the image.
        ptrdiff_t at = 0;
        int32_t e = 0;
        for (int32_t k = 0; k < j.major; ++k) {
            BlendPixel<V>(cx, j.start + at, colour, nullptr);
            at += j.majorStep;
            e += j.minor;
            if (e >= j.major) {
                at += j.minorStep;
                e -= j.major;
            }
        }
    }
};

// Like the filled rectangle, lines take the textured draws' rules.
LineFn FindLineLoop(int depth, Kernel kernel);

}  // namespace orvik::soft
