// Where a keyed source shows: the smallest rectangle holding every texel that is not the
// transparent value. A keyed draw leaves the pixels of all other texels untouched, so it
// may walk only this part of its source.
#pragma once
#include <cstdint>

#include "engine/platform/base/rect.h"
#include "engine/softrender/pipeline/memimg.h"

namespace orvik::soft {

// Texels are compared whole, `bytes` bytes each (the palette index, the 16-bit pixel or
// all four bytes), as keying compares them. An empty rectangle when every texel is
// transparent. The cost is the transparent margin's texels and a few per row.
Rect KeyedSourceBounds(const MEMIMG& src, int bytes, uint32_t trans);

}  // namespace orvik::soft
