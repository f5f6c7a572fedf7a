// The triangle rasteriser's geometry: vertices in 18-bit fixed point standing at their
// pixels' middles, texel gradients, left and right edges of one or two segments each, and
// the row walk that yields each row's inclusive span clipped to the draw area.
#pragma once
#include <algorithm>
#include <cstdint>

#include "engine/platform/rect.h"
#include "engine/softrender/triangle.h"

namespace orvik::soft {

inline constexpr int64_t kFixedOne = 1 << 18;

// Fixed point to whole pixels, truncating toward 0 (-0.5 gives 0).
inline int64_t WholePixels(int64_t fixed) { return fixed / kFixedOne; }

struct EdgeSegment {
    int64_t x = 0;      // fixed-point x at the start row
    int64_t slope = 0;  // fixed-point x change per row
    int32_t rows = 0;
    int32_t startRow = 0;
};

struct TriangleSetup {
    // Texel mapping: the pixel (x0, y0) has texel (u0, v0), each pixel right adds the
    // per-x steps and each row down the per-y steps; all in wrapping 32-bit fixed point.
    uint32_t uPerX = 0, uPerY = 0, vPerX = 0, vPerY = 0;
    int32_t x0 = 0, y0 = 0;
    uint32_t u0 = 0, v0 = 0;
    EdgeSegment left[2], right[2];
    int leftCount = 0, rightCount = 0;
};

// False when the triangle has no area, or when a coordinate lies outside -8192..8191
// (which the fixed-point form cannot hold; logged).
bool SetUpTriangle(const MemImgVertex* vertices, TriangleSetup* out);

// The texel of pixel (x, row).
inline void TexelAt(const TriangleSetup& t, int32_t row, int32_t x, uint32_t* u, uint32_t* v) {
    const uint32_t dy = static_cast<uint32_t>(row - t.y0), dx = static_cast<uint32_t>(x - t.x0);
    *u = t.u0 + dy * t.uPerY + dx * t.uPerX;
    *v = t.v0 + dy * t.vPerY + dx * t.vPerX;
}

// Calls span(row, left, count) for every row's span that lies in the area, top row first.
// Rows above and below the area are walked (their edges must advance) but not drawn.
template <class Span>
void WalkTriangle(const TriangleSetup& t, const Rect& area, Span&& span) {
    int li = 0, ri = 0;
    int64_t lx = t.left[0].x, rx = t.right[0].x;
    int32_t row = t.left[0].startRow;
    int32_t leftRows = t.left[0].rows, rightRows = t.right[0].rows;
    for (;;) {
        int64_t l = WholePixels(lx);
        int64_t count = WholePixels(rx) - l + 1;
        if (l < area.left) {
            count -= area.left - l;
            l = area.left;
        }
        if (row >= area.top && row < area.bottom && l < area.right && count > 0)
            span(row, static_cast<int32_t>(l),
                 static_cast<int32_t>(std::min<int64_t>(count, area.right - l)));
        lx += t.left[li].slope;
        rx += t.right[ri].slope;
        ++row;
        --leftRows;
        --rightRows;
        if (leftRows == 0) {
            if (++li == t.leftCount) return;
            lx = t.left[li].x;
            row = t.left[li].startRow;
            leftRows = t.left[li].rows;
        }
        if (rightRows == 0) {
            if (++ri == t.rightCount) return;
            rx = t.right[ri].x;
            rightRows = t.right[ri].rows;
        }
    }
}

}  // namespace orvik::soft
