// Drawing a whole memory image unscaled at a point, under the current draw settings.
#pragma once
#include <cstdint>

#include "engine/softrender/pipeline/memimg.h"

namespace orvik {

// Puts src with its top-left pixel at (x, y) into dst, clipped to the draw area.
// transparency: 0 off, else keyed (1 also lets an image with valid run codes skip its
// transparent runs whole). blendImg: an 8-bit image weighting each source pixel, or null.
// Mismatched images and modes that draw nothing leave dst untouched.
void DrawMemImgAt(MEMIMG* dst, const MEMIMG* src, int32_t x, int32_t y, int32_t transparency,
                  const MEMIMG* blendImg);

}  // namespace orvik
