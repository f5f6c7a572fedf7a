// One-pixel lines of one colour under the current draw settings, from the first end
// point up to but not including the second, so that a chain of lines draws each joint once.
#pragma once
#include <cstdint>

#include "engine/softrender/pipeline/memimg.h"

namespace orvik {

// colour: a pixel value in the destination's layout (RGB565 in the low 16 bits for a
// 16-bit image). A destination with a palette or alpha is refused.
void DrawMemImgLine(MEMIMG* dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);

// records: count records of six integers x1, y1, x2, y2, colour and one unused word, drawn
// first to last.
void DrawMemImgLines(MEMIMG* dst, const int32_t* records, int32_t count);

}  // namespace orvik
