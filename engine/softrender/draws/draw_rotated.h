// Drawing a memory image turned and scaled about a destination point.
#pragma once
#include <cstdint>

#include "engine/softrender/pipeline/memimg.h"

namespace orvik {

// Centres src on (x, y), turned by angle radians (clockwise on the screen) and scaled by
// scale in both directions; a negative scale adds a half turn. Destination pixel (x, y)
// shows source pixel (width / 2, height / 2). With turnFlag the picture is also mirrored
// left to right and drawn as a quadrangle of two triangles. A scale of 0 and a non-finite
// angle or scale are refused.
void DrawMemImgRotated(MEMIMG* dst, const MEMIMG* src, int32_t x, int32_t y, float angle,
                       float scale, int32_t transFlag, int32_t turnFlag, const MEMIMG* blendImage);

}  // namespace orvik
