// Spans for the common 2D state: one constant diffuse colour, affine point-sampled
// texture with clamping, a 32-bit target, and no blending, source-alpha blending or
// additive blending. They give the same bits as the general pixel path.
#pragma once
#include <cstddef>
#include <cstdint>

#include "host/d3d9/draw_state.h"

namespace host {

struct FastSpan {
    const uint32_t* texels = nullptr;
    size_t pitch = 0;
    int32_t width = 1, height = 1;
    uint32_t alphaOr = 0;
    int64_t tu = 0, tv = 0, dtu = 0, dtv = 0;  // texels, 32 fraction bits
    uint32_t color = 0xFFFFFFFFu;             // the constant diffuse colour
    const bool* alphaPass = nullptr;
    // When the alpha test passes exactly the alphas from this value up (0 for no test),
    // four pixels are shaded at a time; -1 otherwise.
    int alphaPassFrom = -1;
    uint32_t targetAlphaOr = 0;
};

// The value for FastSpan::alphaPassFrom from a pass table.
int AlphaPassFrom(const bool pass[256]);

using FastSpanFn = void (*)(uint32_t* dst, int count, const FastSpan& span);

// `unit`: the span steps exactly one texel to the right per pixel and every texel it
// reads lies inside the texture, so no clamping is needed.
FastSpanFn SelectFastSpan(FastSource color, FastSource alpha, FastBlend blend, bool unit);

}  // namespace host
