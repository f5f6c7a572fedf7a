#include <algorithm>
#include <cstdlib>
#include <utility>

#include "engine/platform/base/number.h"
#include "engine/softrender/draws/triangle_walk.h"

namespace orvik::soft {
namespace {

// Corners within this range fit the 32-bit fixed point; the narrow form keeps its exact
// wrapping results there.
constexpr int32_t kCoordMin = -8192, kCoordMax = 8191;

struct FixedVertex {
    int64_t x, y, u, v;
};

bool WithinNarrowRange(const MemImgVertex* p) {
    for (int i = 0; i < 3; ++i)
        for (int32_t c : {p[i].x, p[i].y, p[i].u, p[i].v})
            if (c < kCoordMin || c > kCoordMax) return false;
    return true;
}

// The exchange sort of the three indices by key: equal keys keep their order.
template <class Key>
void Order(const FixedVertex* f, Key key, int idx[3]) {
    idx[0] = 0, idx[1] = 1, idx[2] = 2;
    for (int i = 0; i < 2; ++i)
        for (int j = i + 1; j < 3; ++j)
            if (key(f[idx[i]]) > key(f[idx[j]])) std::swap(idx[i], idx[j]);
}

EdgeSegment Segment(const FixedVertex& p, const FixedVertex& q, int64_t startX) {
    EdgeSegment s;
    s.x = startX;
    s.startRow = static_cast<int32_t>(WholePixels(p.y));
    s.rows = static_cast<int32_t>((q.y - p.y) / kFixedOne);
    s.reach = q.x - startX;
    s.slope = s.rows > 0 ? s.reach / s.rows : 0;
    return s;
}

// Texels per pixel, fixed point. The narrow form keeps the 32-bit conversion, whose
// out-of-range value stands for a gradient too steep for it; the wide form keeps up to
// 60 bits and, beyond, has each pixel's texel worked out on its own.
int64_t Gradient(int64_t numerator, int64_t area, TriangleSetup* out) {
    const double g = static_cast<double>(numerator) * 262144.0 / static_cast<double>(area);
    if (!out->wide) return DoubleToInt(g);
    int64_t wide = 0;
    if (WideFromDouble(g, &wide)) return wide;
    out->pixelwise = true;
    return WideHeld(g);
}

void SetUpEdges(const FixedVertex& t, const FixedVertex& m, const FixedVertex& b,
                TriangleSetup* out) {
    if (t.y == m.y) {
        const bool tLeft = t.x <= m.x;
        out->left[0] = Segment(tLeft ? t : m, b, (tLeft ? t : m).x);
        out->right[0] = Segment(tLeft ? m : t, b, (tLeft ? m : t).x);
        out->leftCount = out->rightCount = 1;
    } else if (m.y == b.y) {
        const bool mLeft = m.x <= b.x;
        out->left[0] = Segment(t, mLeft ? m : b, t.x);
        out->right[0] = Segment(t, mLeft ? b : m, t.x);
        out->leftCount = out->rightCount = 1;
    } else {
        const double toMiddle = static_cast<double>(m.x - t.x) / static_cast<double>((m.y - t.y) / kFixedOne);
        const double toBottom = static_cast<double>(b.x - t.x) / static_cast<double>((b.y - t.y) / kFixedOne);
        if (toMiddle < toBottom) {
            out->left[0] = Segment(t, m, t.x);
            out->left[1] = Segment(m, b, m.x);
            out->right[0] = Segment(t, b, t.x);
            out->leftCount = 2, out->rightCount = 1;
        } else {
            out->left[0] = Segment(t, b, t.x);
            out->right[0] = Segment(t, m, t.x);
            // One fixed-point unit right of the middle vertex.
            out->right[1] = Segment(m, b, m.x + 1);
            out->leftCount = 1, out->rightCount = 2;
        }
    }
}

}  // namespace

bool SetUpTriangle(const MemImgVertex* vertices, TriangleSetup* out) {
    out->wide = !WithinNarrowRange(vertices) || WideArithmeticForced();
    FixedVertex f[3];
    for (int i = 0; i < 3; ++i) {
        const MemImgVertex& p = vertices[i];
        f[i] = {int64_t{p.x} * kFixedOne + kFixedOne / 2, int64_t{p.y} * kFixedOne + kFixedOne / 2,
                int64_t{p.u} * kFixedOne, int64_t{p.v} * kFixedOne};
    }
    int a[3], o[3];
    Order(f, [](const FixedVertex& p) { return p.x; }, a);
    Order(f, [](const FixedVertex& p) { return p.y; }, o);

    // Whole-pixel differences of the x order are the integer arguments' differences.
    const MemImgVertex& a0 = vertices[a[0]];
    const MemImgVertex& a1 = vertices[a[1]];
    const MemImgVertex& a2 = vertices[a[2]];
    // In the narrow range every product here fits 32 bits, so 64-bit sums give the same;
    // in the wide one (corners within 2^28, texels anywhere in 32 bits) each product stays
    // within 2^61 and each difference of two within 2^62.
    const int64_t dx01 = int64_t{a1.x} - a0.x, dx02 = int64_t{a2.x} - a0.x;
    const int64_t dy01 = int64_t{a1.y} - a0.y, dy02 = int64_t{a2.y} - a0.y;
    const int64_t du01 = int64_t{a1.u} - a0.u, du02 = int64_t{a2.u} - a0.u;
    const int64_t dv01 = int64_t{a1.v} - a0.v, dv02 = int64_t{a2.v} - a0.v;
    const int64_t area = dy01 * dx02 - dy02 * dx01;
    if (area == 0) return false;
    out->uNumX = dy01 * du02 - dy02 * du01;
    out->uNumY = du01 * dx02 - du02 * dx01;
    out->vNumX = dy01 * dv02 - dy02 * dv01;
    out->vNumY = dv01 * dx02 - dv02 * dx01;
    out->area = area;
    out->uPerX = Gradient(out->uNumX, area, out);
    out->uPerY = Gradient(out->uNumY, area, out);
    out->vPerX = Gradient(out->vNumX, area, out);
    out->vPerY = Gradient(out->vNumY, area, out);
    if (out->pixelwise)
        out->piece = 1;
    else if (out->wide)
        for (const auto& [num, step] : {std::pair{out->uNumX, out->uPerX}, std::pair{out->vNumX, out->vPerX}})
            if (num != 0) out->piece = static_cast<int32_t>(std::clamp<int64_t>(std::abs(step), 1, out->piece));
    out->x0 = static_cast<int32_t>(WholePixels(f[a[0]].x));
    out->y0 = static_cast<int32_t>(WholePixels(f[a[0]].y));
    out->u0 = f[a[0]].u;
    out->v0 = f[a[0]].v;
    SetUpEdges(f[o[0]], f[o[1]], f[o[2]], out);
    // A triangle with area has rows on every segment; the walk counts them down to 0.
    for (int i = 0; i < out->leftCount; ++i)
        if (out->left[i].rows <= 0) return false;
    for (int i = 0; i < out->rightCount; ++i)
        if (out->right[i].rows <= 0) return false;
    return true;
}

}  // namespace orvik::soft
