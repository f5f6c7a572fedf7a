#include "engine/softrender/draws/quad.h"

#include <algorithm>

#include "engine/platform/base/log.h"
#include "engine/platform/base/rect.h"
#include "engine/softrender/pipeline/draw_state.h"
#include "engine/softrender/draws/source_draw.h"
#include "engine/softrender/draws/triangle.h"

namespace orvik {

void RasterMemImgQuad(MEMIMG* dst, const MEMIMG* src, const int32_t* corners, int32_t transFlag,
                      const MEMIMG* blendImage) {
    if (corners == nullptr || !IsMemImgValid(src)) {
        AddLogText("RasterMemImgQuad: no corners or no valid source image");
        return;
    }
    // Cheap rejection: the corners' box, widened by 2 on the left and top and 4 on the
    // right and bottom, must meet the draw area.
    int64_t minX = corners[0], maxX = corners[0], minY = corners[1], maxY = corners[1];
    for (int i = 1; i < 4; ++i) {
        minX = std::min<int64_t>(minX, corners[2 * i]);
        maxX = std::max<int64_t>(maxX, corners[2 * i]);
        minY = std::min<int64_t>(minY, corners[2 * i + 1]);
        maxY = std::max<int64_t>(maxY, corners[2 * i + 1]);
    }
    Rect box = soft::RectFrom64(minX - 2, minY - 2, maxX + 4, maxY + 4);
    const Rect area = CurrentMemImgDrawState().clipRect;
    ClipRect(&box, &area);
    if (box.right == box.left || box.bottom == box.top) return;

    const int32_t w = src->width, h = src->height;
    const MemImgVertex topLeft{corners[0], corners[1], 0, 0};
    const MemImgVertex topRight{corners[2], corners[3], w, 0};
    const MemImgVertex bottomLeft{corners[4], corners[5], 0, h};
    const MemImgVertex bottomRight{corners[6], corners[7], w, h};
    const MemImgVertex first[3] = {topLeft, topRight, bottomLeft};
    const MemImgVertex second[3] = {topRight, bottomLeft, bottomRight};
    RasterMemImgTriangle(dst, src, first, transFlag, blendImage, 0);
    RasterMemImgTriangle(dst, src, second, transFlag, blendImage, 0);
}

}  // namespace orvik
