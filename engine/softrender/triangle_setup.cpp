#include <utility>

#include "engine/platform/log.h"
#include "engine/platform/number.h"
#include "engine/softrender/triangle_walk.h"

namespace orvik::soft {
namespace {

constexpr int32_t kCoordMin = -8192, kCoordMax = 8191;

struct FixedVertex {
    int64_t x, y, u, v;
};

bool InRange(const MemImgVertex& p) {
    for (int32_t c : {p.x, p.y, p.u, p.v})
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
    s.slope = s.rows > 0 ? (q.x - startX) / s.rows : 0;
    return s;
}

uint32_t Gradient(int32_t numerator, int32_t area) {
    return static_cast<uint32_t>(
        DoubleToInt(static_cast<double>(numerator) * 262144.0 / static_cast<double>(area)));
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
    for (int i = 0; i < 3; ++i) {
        if (!InRange(vertices[i])) {
            AddLogFormat("triangle corner (%d, %d) texel (%d, %d) is out of range",
                         vertices[i].x, vertices[i].y, vertices[i].u, vertices[i].v);
            return false;
        }
    }
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
    const int32_t dx01 = a1.x - a0.x, dx02 = a2.x - a0.x, dy01 = a1.y - a0.y, dy02 = a2.y - a0.y;
    const int32_t du01 = a1.u - a0.u, du02 = a2.u - a0.u, dv01 = a1.v - a0.v, dv02 = a2.v - a0.v;
    const int32_t area = dy01 * dx02 - dy02 * dx01;
    if (area == 0) return false;
    out->uPerX = Gradient(dy01 * du02 - dy02 * du01, area);
    out->uPerY = Gradient(du01 * dx02 - du02 * dx01, area);
    out->vPerX = Gradient(dy01 * dv02 - dy02 * dv01, area);
    out->vPerY = Gradient(dv01 * dx02 - dv02 * dx01, area);
    out->x0 = static_cast<int32_t>(WholePixels(f[a[0]].x));
    out->y0 = static_cast<int32_t>(WholePixels(f[a[0]].y));
    out->u0 = static_cast<uint32_t>(f[a[0]].u);
    out->v0 = static_cast<uint32_t>(f[a[0]].v);
    SetUpEdges(f[o[0]], f[o[1]], f[o[2]], out);
    // A triangle with area has rows on every segment; the walk counts them down to 0.
    for (int i = 0; i < out->leftCount; ++i)
        if (out->left[i].rows <= 0) return false;
    for (int i = 0; i < out->rightCount; ++i)
        if (out->right[i].rows <= 0) return false;
    return true;
}

}  // namespace orvik::soft
