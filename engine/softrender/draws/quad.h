// A whole source image mapped onto four free corners, drawn as two textured triangles.
#pragma once
#include <cstdint>

#include "engine/softrender/pipeline/memimg.h"

namespace orvik {

// corners: eight integers, x then y, for the source's top-left, top-right, bottom-left and
// bottom-right corners. The two triangles share the top-right to bottom-left diagonal, so
// its pixels are drawn twice.
void RasterMemImgQuad(MEMIMG* dst, const MEMIMG* src, const int32_t* corners, int32_t transFlag,
                      const MEMIMG* blendImage);

}  // namespace orvik
