// A rectangle of one colour under the current blend mode, parameter and bright.
#pragma once
#include <cstdint>

#include "engine/softrender/pipeline/memimg.h"

namespace orvik {

// rect: x1, y1, x2, y2 in any corner order (the larger edges exclusive), or null for the
// whole destination; colour: a pixel value in the destination's layout.
void DrawMemImgFilledRect(MEMIMG* dst, const int32_t* rect, uint32_t colour);

}  // namespace orvik
