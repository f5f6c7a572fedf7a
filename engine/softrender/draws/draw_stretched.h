// Drawing a whole memory image scaled into a rectangle, mirrored when its corners come
// in reverse order.
#pragma once
#include <cstdint>

#include "engine/softrender/pipeline/memimg.h"

namespace orvik {

// rect: x1, y1, x2, y2; the larger x and y are exclusive edges; x1 > x2 mirrors left to
// right, y1 > y2 top to bottom. A rectangle of the source's own size, not mirrored, is
// drawn exactly as DrawMemImgAt draws it.
void DrawMemImgStretched(MEMIMG* dst, const MEMIMG* src, const int32_t* rect, int32_t transparency,
                         const MEMIMG* blendImg);

// The same with the corners as separate arguments.
inline void DrawMemImgStretched(MEMIMG* dst, const MEMIMG* src, int32_t x1, int32_t y1, int32_t x2,
                                int32_t y2, int32_t transparency, const MEMIMG* blendImg) {
    const int32_t rect[4] = {x1, y1, x2, y2};
    DrawMemImgStretched(dst, src, rect, transparency, blendImg);
}

}  // namespace orvik
