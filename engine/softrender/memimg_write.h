// Putting pixels into memory images by painting one raw value over a rectangle.
#pragma once
#include <cstdint>

#include "engine/softrender/memimg.h"

namespace orvik {

// Stores the raw value into every pixel of rect (null: the whole image) clipped to img.
void PaintMemImgRect(MEMIMG* img, const int32_t* rect, uint32_t value);

}  // namespace orvik
