// The screen rectangle a draw can touch, for the passes that have to work on the
// destination around a draw (the subtraction emulated by inverting the destination).
#pragma once
#include <cstdint>

namespace orvik {

struct DrawBounds {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // x2 and y2 exclusive
};

// Truncated toward 0 and held inside int (NaN gives 0): a point far off any target
// lands at the limit instead of overflowing the conversion.
int TruncToInt(float v);
// A coordinate sum made in 64 bits, held inside int: a draw placed near the limit stays
// off the screen instead of wrapping onto it.
int SaturatedInt(int64_t v);
// Two corners put in order.
DrawBounds OrderedBounds(int x1, int y1, int x2, int y2);
// The box one pixel wider to the right and below, stopping at the int limit.
DrawBounds WidenedByOne(DrawBounds bounds);
// The smallest box around the points, each widened by `widen` on every side, truncated
// toward 0.
DrawBounds PointsBounds(const float (*points)[2], int count, float widen);
// A w x h graphic rotated by angle and scaled about (x, y): the four corners' box widened
// by 5 pixels on each side.
DrawBounds RotatedBounds(float x, float y, double scale, double angle, int width, int height);

// Blend mode 3 on a device without blend operations: the destination in the rectangle
// is inverted, the graphic is added, and the rectangle inverted back, which leaves the
// destination minus the source.
int BeginEmulatedSubtractBlend(const DrawBounds& bounds);
int EndEmulatedSubtractBlend(const DrawBounds& bounds);
bool NeedsEmulatedSubtract(bool deviceDraw);

template <class Bounds, class Work>
int WithSubtractEmulation(bool deviceDraw, Bounds bounds, Work work) {
    if (!NeedsEmulatedSubtract(deviceDraw)) return work();
    const DrawBounds b = bounds();
    BeginEmulatedSubtractBlend(b);
    const int result = work();
    EndEmulatedSubtractBlend(b);
    return result;
}

}  // namespace orvik
