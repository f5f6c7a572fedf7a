#include "engine/graphics/graph_soft.h"

#include <cmath>
#include <vector>

#include "engine/graphics/base_image.h"
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

// The rasteriser's widest fixed point holds corners out to 2^28 pixels and refuses a
// triangle with one beyond; a triangle reaching out of that box is cut to it first, so a
// line or a quadrangle running far off the target still draws its part on the target.
constexpr double kReachLow = -double(1 << 28), kReachHigh = double(1 << 28);

struct ClipPoint {
    double x, y, u, v;
};

bool WithinReach(const MemImgVertex& p) {
    return p.x >= kReachLow && p.x <= kReachHigh && p.y >= kReachLow && p.y <= kReachHigh;
}

// The polygon's part on the inner side of one edge of the box (Sutherland-Hodgman); the
// texel coordinates are interpolated along the cut edges, as the affine mapping does.
std::vector<ClipPoint> CutBy(const std::vector<ClipPoint>& in, bool vertical, double limit, bool keepBelow) {
    std::vector<ClipPoint> out;
    auto coord = [&](const ClipPoint& p) { return vertical ? p.x : p.y; };
    auto inside = [&](const ClipPoint& p) { return keepBelow ? coord(p) <= limit : coord(p) >= limit; };
    for (size_t i = 0; i < in.size(); ++i) {
        const ClipPoint& a = in[i];
        const ClipPoint& b = in[(i + 1) % in.size()];
        if (inside(a)) out.push_back(a);
        if (inside(a) == inside(b)) continue;
        const double t = (limit - coord(a)) / (coord(b) - coord(a));
        out.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.u + (b.u - a.u) * t, a.v + (b.v - a.v) * t});
    }
    return out;
}

MemImgVertex Rounded(const ClipPoint& p) {
    return {int32_t(std::lround(p.x)), int32_t(std::lround(p.y)), int32_t(std::lround(p.u)), int32_t(std::lround(p.v))};
}

void RasterWithinReach(const MEMIMG* source, const MemImgVertex (&corners)[3], int trans, uint32_t colour) {
    const MEMIMG* mask = source ? Mask() : nullptr;
    if (WithinReach(corners[0]) && WithinReach(corners[1]) && WithinReach(corners[2])) {
        RasterMemImgTriangle(Target(), source, corners, trans, mask, colour);
        return;
    }
    std::vector<ClipPoint> polygon;
    for (const MemImgVertex& c : corners) polygon.push_back({double(c.x), double(c.y), double(c.u), double(c.v)});
    polygon = CutBy(polygon, true, kReachLow, false);
    polygon = CutBy(polygon, true, kReachHigh, true);
    polygon = CutBy(polygon, false, kReachLow, false);
    polygon = CutBy(polygon, false, kReachHigh, true);
    for (size_t i = 1; i + 1 < polygon.size(); ++i) {
        const MemImgVertex fan[3] = {Rounded(polygon[0]), Rounded(polygon[i]), Rounded(polygon[i + 1])};
        RasterMemImgTriangle(Target(), source, fan, trans, mask, colour);
    }
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
    RasterWithinReach(&record.view, first, trans, 0);
    RasterWithinReach(&record.view, second, trans, 0);
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
    RasterWithinReach(nullptr, first, 0, color);
    RasterWithinReach(nullptr, second, 0, color);
    return 0;
}

}  // namespace orvik
