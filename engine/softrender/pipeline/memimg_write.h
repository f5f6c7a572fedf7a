// Putting pixels into memory images: from a base image (with an optional alpha image),
// from another memory image, and by painting one raw value over a rectangle.
#pragma once
#include <cstdint>

#include "engine/softrender/pipeline/memimg.h"

namespace orvik {

struct BaseImage;

// Writes the width x height rectangle of src at (srcX, srcY) into img at (destX, destY),
// converting to img's format; alpha from alphaSrc when given. Negative on failure.
int WriteBaseImageToMemImg(const BaseImage* src, const BaseImage* alphaSrc, MEMIMG* img,
                           int32_t srcX, int32_t srcY, int32_t width, int32_t height,
                           int32_t destX, int32_t destY, int32_t transFlag);
// srcRect: left, top, right, bottom (right and bottom exclusive), or null for all of src.
int CopyMemImgRect(MEMIMG* dst, const MEMIMG* src, const int32_t* srcRect, int32_t destX,
                   int32_t destY);
// Stores the raw value into every pixel of rect (null: the whole image) clipped to img.
void PaintMemImgRect(MEMIMG* img, const int32_t* rect, uint32_t value);

}  // namespace orvik
