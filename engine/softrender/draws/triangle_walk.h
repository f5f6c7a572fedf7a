// The triangle rasteriser's geometry: vertices in 18-bit fixed point standing at their
// pixels' middles, texel gradients, left and right edges of one or two segments each, and
// the row walk that yields each row's inclusive span clipped to the draw area.
#pragma once
#include <algorithm>
#include <cstdint>

#include "engine/platform/base/rect.h"
#include "engine/softrender/draws/triangle.h"
#include "engine/softrender/simd/wide_span.h"

namespace orvik::soft {

inline constexpr int64_t kFixedOne = 1 << 18;

// Fixed point to whole pixels, truncating toward 0 (-0.5 gives 0).
inline int64_t WholePixels(int64_t fixed) { return fixed / kFixedOne; }

struct EdgeSegment {
    int64_t x = 0;      // fixed-point x at the start row
    int64_t slope = 0;  // fixed-point x change per row
    int64_t reach = 0;  // fixed-point x change over the whole segment
    int32_t rows = 0;
    int32_t startRow = 0;
};

struct TriangleSetup {
    // Texel mapping: the pixel (x0, y0) has texel (u0, v0), each pixel right adds the
    // per-x steps and each row down the per-y steps. The narrow form, for corners within
    // -8192..8191, works in wrapping 32-bit fixed point; the wide form in exact sums.
    int64_t uPerX = 0, uPerY = 0, vPerX = 0, vPerY = 0;
    // The gradients before their division by the area: the wide form's exact start values.
    int64_t uNumX = 0, uNumY = 0, vNumX = 0, vNumY = 0, area = 1;
    int32_t x0 = 0, y0 = 0;
    int64_t u0 = 0, v0 = 0;
    EdgeSegment left[2], right[2];
    int leftCount = 0, rightCount = 0;
    bool wide = false;
    // A wide gradient outgrew 60 bits (a sliver over a long stretch of texels): the
    // gradients are held inside the reach, and each pixel's texel is the exact quotient.
    bool pixelwise = false;
    // Wide form: pixels a span steps from one exact start before the next. A truncated
    // step loses under one unit a pixel, so this many steps move a texel edge by under
    // a pixel however far the picture is stretched.
    int32_t piece = INT32_MAX;
};

// False when the triangle has no area. Corners lie within the wide reach (kTriangleReach);
// texels may be any 32-bit values.
bool SetUpTriangle(const MemImgVertex* vertices, TriangleSetup* out);

// The texel of pixel (x, row), narrow form.
inline void TexelAt(const TriangleSetup& t, int32_t row, int32_t x, uint32_t* u, uint32_t* v) {
    const uint32_t dy = static_cast<uint32_t>(row - t.y0), dx = static_cast<uint32_t>(x - t.x0);
    *u = static_cast<uint32_t>(t.u0) + dy * static_cast<uint32_t>(t.uPerY) + dx * static_cast<uint32_t>(t.uPerX);
    *v = static_cast<uint32_t>(t.v0) + dy * static_cast<uint32_t>(t.vPerY) + dx * static_cast<uint32_t>(t.vPerX);
}

// Pixels no narrow triangle lies apart; the wide form keeps the narrow sums closer in.
inline constexpr int64_t kNarrowReach = 16384;

// The texel of pixel (x, row), wide form. Close to the texel origin it is the narrow
// form's sum of truncated gradients, without the wrap. Farther out, where a truncated
// gradient times the distance would drift by a texel or more, it is the exact quotient.
inline void WideTexelAt(const TriangleSetup& t, int32_t row, int32_t x, WideFixed* u, WideFixed* v) {
    const int64_t dy = int64_t{row} - t.y0, dx = int64_t{x} - t.x0;
    if (!t.pixelwise && dx > -kNarrowReach && dx < kNarrowReach && dy > -kNarrowReach && dy < kNarrowReach) {
        *u = t.u0 + WideFixed{dy} * t.uPerY + WideFixed{dx} * t.uPerX;
        *v = t.v0 + WideFixed{dy} * t.vPerY + WideFixed{dx} * t.vPerX;
        return;
    }
    constexpr WideFixed kOne = WideFixed{1} << 18;
    *u = t.u0 + (WideFixed{dy} * t.uNumY + WideFixed{dx} * t.uNumX) * kOne / t.area;
    *v = t.v0 + (WideFixed{dy} * t.vNumY + WideFixed{dx} * t.vNumX) * kOne / t.area;
}

// Rows a walk may pass over at once: those outside the area, short of the next segment
// change (within).
inline int32_t RowsToPass(int32_t row, const Rect& area, int32_t within) {
    if (row >= area.bottom) return within;
    if (row < area.top) return static_cast<int32_t>(std::min<int64_t>(int64_t{area.top} - row, within));
    return 0;
}

// An edge's x after passing rows more rows, rowsLeft being the rows its segment had left.
// Stepping by the truncated slope drifts by up to one fixed-point unit a row; a far
// corner of a wide triangle can sit more rows away than any narrow triangle has, so there
// the edge is put at its exact place for the row instead.
inline int64_t PassedEdge(const EdgeSegment& s, int64_t x, int32_t rowsLeft, int32_t rows, bool wide) {
    if (!wide || rows < kNarrowReach) return x + int64_t{rows} * s.slope;
    const int64_t done = int64_t{s.rows} - rowsLeft + rows;
    return s.x + static_cast<int64_t>(WideFixed{done} * s.reach / s.rows);
}

// Calls span(row, left, count) for every row's span that lies in the area, top row first.
// Rows above and below the area draw nothing: the edges pass over them in one step.
template <class Span>
void WalkTriangle(const TriangleSetup& t, const Rect& area, Span&& span) {
    int li = 0, ri = 0;
    int64_t lx = t.left[0].x, rx = t.right[0].x;
    int32_t row = t.left[0].startRow;
    int32_t leftRows = t.left[0].rows, rightRows = t.right[0].rows;
    for (;;) {
        const int32_t pass = row >= area.top && row < area.bottom
                                 ? 0
                                 : RowsToPass(row, area, std::min(leftRows, rightRows) - 1);
        if (pass > 0) [[unlikely]] {
            lx = PassedEdge(t.left[li], lx, leftRows, pass, t.wide);
            rx = PassedEdge(t.right[ri], rx, rightRows, pass, t.wide);
            row += pass;
            leftRows -= pass;
            rightRows -= pass;
        }
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
