#include "engine/graphics/draw/draw_bounds.h"

#include <orvik/graphics.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "engine/graphics/draw/color_data.h"
#include "engine/graphics/draw/draw_d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/device/graphics_system.h"

namespace orvik {

int TruncToInt(float v) {
    if (std::isnan(v)) return 0;
    // 2147483520 is the largest float below 2^31.
    return int(std::trunc(std::clamp(v, -2147483648.0f, 2147483520.0f)));
}

int SaturatedInt(int64_t v) { return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

DrawBounds OrderedBounds(int x1, int y1, int x2, int y2) {
    return DrawBounds{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

DrawBounds WidenedByOne(DrawBounds b) {
    if (b.x2 < INT_MAX) ++b.x2;
    if (b.y2 < INT_MAX) ++b.y2;
    return b;
}

DrawBounds PointsBounds(const float (*points)[2], int count, float widen) {
    if (!points || count <= 0) return DrawBounds{};
    float x1 = points[0][0], y1 = points[0][1], x2 = x1, y2 = y1;
    for (int i = 1; i < count; ++i) {
        x1 = std::min(x1, points[i][0]), x2 = std::max(x2, points[i][0]);
        y1 = std::min(y1, points[i][1]), y2 = std::max(y2, points[i][1]);
    }
    return DrawBounds{TruncToInt(x1 - widen), TruncToInt(y1 - widen), TruncToInt(x2 + widen), TruncToInt(y2 + widen)};
}

DrawBounds RotatedBounds(float x, float y, double scale, double angle, int width, int height) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double left = -(width / 2), right = width - width / 2;
    const double top = -(height / 2), bottom = height - height / 2;
    const double cx = std::trunc(x), cy = std::trunc(y);
    float corners[4][2];
    const double xs[4] = {left, right, left, right}, ys[4] = {top, top, bottom, bottom};
    for (int i = 0; i < 4; ++i) {
        corners[i][0] = float((xs[i] * c - ys[i] * s) * scale + cx);
        corners[i][1] = float((xs[i] * s + ys[i] * c) * scale + cy);
    }
    return PointsBounds(corners, 4, 5.0f);
}

namespace {

// A white box in blend mode 3 at full strength: the device set-up makes it invert the
// destination when it has no subtraction of its own.
void InvertRect(const DrawBounds& b) {
    const uint32_t bright = Draw().bright;
    SetDrawBrightRGB(0xFFFFFF);
    SetBlendMode(3, 255);
    DrawFilledBoxD3D(b.x1, b.y1, b.x2, b.y2, GetColorValue(255, 255, 255));
    SetDrawBrightRGB(bright);
}

}  // namespace

bool NeedsEmulatedSubtract(bool deviceDraw) {
    return deviceDraw && Draw().blendMode == 3 && Graphics().direct3DMode && !Graphics().dev.blendOpCaps;
}

int BeginEmulatedSubtractBlend(const DrawBounds& bounds) {
    const int param = Draw().blendParam;
    InvertRect(bounds);
    SetBlendMode(5, param);
    return 0;
}

int EndEmulatedSubtractBlend(const DrawBounds& bounds) {
    const int param = Draw().blendParam;
    InvertRect(bounds);
    SetBlendMode(3, param);
    return 0;
}

}  // namespace orvik
