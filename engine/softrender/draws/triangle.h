// One triangle into a memory image under the current draw settings: textured from a
// source image through texel coordinates at its corners, or filled with one colour.
#pragma once
#include <cstdint>

#include "engine/softrender/pipeline/memimg.h"

namespace orvik {

// A corner: destination pixel (x, y) and source texel (u, v); u = source width is the
// source's right edge. Coordinates within -8192..8191 take the 32-bit fixed point; beyond,
// a 64-bit form that holds corners out to 2^28 (a triangle reaching farther is drawn as its
// part within that reach) and texels of any value.
struct MemImgVertex {
    int32_t x, y, u, v;
};

// Three vertices in either winding. With src the triangle is textured (transFlag keys it,
// blendImage weights it); without, it is filled with colour, a pixel value in the
// destination's layout. Rows run from the top vertex's row down to, not including, the
// bottom vertex's; each row's span includes both its ends.
void RasterMemImgTriangle(MEMIMG* dst, const MEMIMG* src, const MemImgVertex* vertices,
                          int32_t transFlag, const MEMIMG* blendImage, uint32_t colour);

}  // namespace orvik
