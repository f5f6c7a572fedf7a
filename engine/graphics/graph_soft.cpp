#include "engine/graphics/graph_soft.h"

#include <cmath>

#include "engine/graphics/draw_settings.h"
#include "engine/softrender/draw_at.h"
#include "engine/softrender/draw_rotated.h"
#include "engine/softrender/draw_stretched.h"
#include "engine/softrender/filled_rect.h"
#include "engine/softrender/line.h"
#include "engine/softrender/memimg_write.h"
#include "engine/softrender/triangle.h"

namespace orvik {

namespace {

MEMIMG* Target() { return Draw().softTarget; }
const MEMIMG* Mask() { return Draw().softBlendMask; }

}  // namespace

int TransferImageToMemImg(GraphRecord& record, const BaseImage* image, const BaseImage* alphaImage, int offsetX,
                          int offsetY, int x, int y, int width, int height) {
    return WriteBaseImageToMemImg(image, alphaImage, &record.images->image, x + offsetX, y + offsetY, width, height, x,
                                  y, 0) < 0
               ? -1
               : 0;
}

int DrawGraphMemImg(int x, int y, GraphRecord& record, int trans) {
    if (!Target()) return -1;
    DrawMemImgAt(Target(), &record.view, x, y, trans, Mask());
    return 0;
}

int DrawGraphStretchedMemImg(int x1, int y1, int x2, int y2, GraphRecord& record, int trans) {
    if (!Target()) return -1;
    DrawMemImgStretched(Target(), &record.view, x1, y1, x2, y2, trans, Mask());
    return 0;
}

int DrawGraphRotatedMemImg(float x, float y, double scale, double angle, GraphRecord& record, int trans, int turn) {
    if (!Target()) return -1;
    DrawMemImgRotated(Target(), &record.view, int32_t(std::trunc(x)), int32_t(std::trunc(y)), float(angle),
                      float(scale), trans, turn, Mask());
    return 0;
}

int DrawGraphQuadMemImg(const float (&corners)[4][2], GraphRecord& record, int trans) {
    if (!Target()) return -1;
    const int32_t w = record.width, h = record.height;
    auto at = [&](int i, int32_t u, int32_t v) {
        return MemImgVertex{int32_t(std::trunc(corners[i][0])), int32_t(std::trunc(corners[i][1])), u, v};
    };
    // Top-left, top-right, bottom-left; then top-right, bottom-left, bottom-right.
    const MemImgVertex first[3] = {at(0, 0, 0), at(1, w, 0), at(2, 0, h)};
    const MemImgVertex second[3] = {at(1, w, 0), at(2, 0, h), at(3, w, h)};
    RasterMemImgTriangle(Target(), &record.view, first, trans, Mask(), 0);
    RasterMemImgTriangle(Target(), &record.view, second, trans, Mask(), 0);
    return 0;
}

int DrawBoxMemImg(int x1, int y1, int x2, int y2, uint32_t color) {
    if (!Target()) return -1;
    const int32_t rect[4] = {x1, y1, x2, y2};
    DrawMemImgFilledRect(Target(), rect, color);
    return 0;
}

int DrawLineBoxMemImg(int x1, int y1, int x2, int y2, uint32_t color) {
    if (!Target()) return -1;
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    const int32_t c = int32_t(color);
    const int32_t lines[4][6] = {{x1, y1, x2 - 1, y1, c, 0},
                                 {x2 - 1, y1, x2 - 1, y2 - 1, c, 0},
                                 {x2 - 1, y2 - 1, x1, y2 - 1, c, 0},
                                 {x1, y2 - 1, x1, y1, c, 0}};
    DrawMemImgLines(Target(), &lines[0][0], 4);
    return 0;
}

int DrawLineMemImg(int x1, int y1, int x2, int y2, uint32_t color) {
    if (!Target()) return -1;
    DrawMemImgLine(Target(), x1, y1, x2, y2, color);
    return 0;
}

int DrawPolygonMemImg(const int32_t (&corners)[4][2], uint32_t color) {
    if (!Target()) return -1;
    auto at = [&](int i) { return MemImgVertex{corners[i][0], corners[i][1], 0, 0}; };
    const MemImgVertex first[3] = {at(0), at(1), at(2)}, second[3] = {at(1), at(2), at(3)};
    RasterMemImgTriangle(Target(), nullptr, first, 0, nullptr, color);
    RasterMemImgTriangle(Target(), nullptr, second, 0, nullptr, color);
    return 0;
}

}  // namespace orvik
