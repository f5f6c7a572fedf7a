#include "engine/graphics/handles/graph_soft.h"

#include <cmath>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/softrender/draws/draw_at.h"
#include "engine/softrender/draws/draw_rotated.h"
#include "engine/softrender/draws/draw_stretched.h"
#include "engine/softrender/draws/filled_rect.h"
#include "engine/softrender/draws/line.h"
#include "engine/softrender/pipeline/memimg_write.h"
#include "engine/softrender/draws/triangle.h"

namespace orvik {

namespace {

MEMIMG* Target() { return Draw().softTarget; }
const MEMIMG* Mask() { return Draw().softBlendMask; }

void RasterTriangle(const MEMIMG* source, const MemImgVertex (&corners)[3], int trans, uint32_t colour) {
    RasterMemImgTriangle(Target(), source, corners, trans, source ? Mask() : nullptr, colour);
}

}  // namespace

int TransferImageToMemImg(GraphRecord& record, const BaseImage* image, const BaseImage* alphaImage, int offsetX,
                          int offsetY, int x, int y, int width, int height) {
    // A palette image is keyed by index: the first entry of the image's palette in the
    // transparent colour, as the device keys the pixels of that colour (none: nothing is
    // keyed). Set before the write, which builds the transparent runs from it.
    MemImgStore* store = record.images->image.store;
    if (store && store->usePalette && image && image->format.bytesPerPixel == 1) {
        const uint32_t key = record.images->transColor;
        store->transColor = 65535;
        for (uint32_t i = 0; i < 256; ++i) {
            const PaletteEntry& e = image->format.palette[i];
            if ((uint32_t(e.red) << 16 | uint32_t(e.green) << 8 | e.blue) == key) {
                store->transColor = i;
                break;
            }
        }
    }
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
    RasterTriangle(&record.view, first, trans, 0);
    RasterTriangle(&record.view, second, trans, 0);
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
    RasterTriangle(nullptr, first, 0, color);
    RasterTriangle(nullptr, second, 0, color);
    return 0;
}

}  // namespace orvik
