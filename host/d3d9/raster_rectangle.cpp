#include <algorithm>
#include <cstring>

#include "host/d3d9/raster.h"
#include "host/d3d9/raster_common.h"

namespace host {
namespace {

// The position first: most pairs of corners differ there, and it is cheap to compare.
bool Same(const ScreenVertex& a, const ScreenVertex& b) {
    return a.x == b.x && a.y == b.y && std::memcmp(&a, &b, sizeof(ScreenVertex)) == 0;
}

// d carries what the plane through a, b and c gives at its corner.
bool AffineCorner(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, const ScreenVertex& d) {
    if (a.rhw != b.rhw || a.rhw != c.rhw || a.rhw != d.rhw || a.z != b.z || a.z != c.z || a.z != d.z) return false;
    if (a.diffuse != b.diffuse || a.diffuse != c.diffuse || a.diffuse != d.diffuse || a.specular != b.specular ||
        a.specular != c.specular || a.specular != d.specular)
        return false;
    for (int s = 0; s < kMaxTexCoordSets; ++s)
        for (int k = 0; k < 2; ++k)
            if (double(b.tc[s][k]) + double(c.tc[s][k]) - double(a.tc[s][k]) != double(d.tc[s][k])) return false;
    return true;
}

// Puts the corner of `other` that `t` lacks in *opposite, and t's corner missing from
// `other` in *own, with t's other two corners (the shared diagonal) in *b and *c; false
// unless exactly two corners are shared.
bool SplitPair(const ScreenVertex* const t[3], const ScreenVertex* const other[3], const ScreenVertex** own,
               const ScreenVertex** b, const ScreenVertex** c, const ScreenVertex** opposite) {
    int sharedMask = 0, otherShared = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (Same(*t[i], *other[j])) sharedMask |= 1 << i, otherShared |= 1 << j;
    static constexpr int kLone[8] = {-1, -1, -1, 2, -1, 1, 0, -1};  // the index outside a 2-of-3 mask
    if (kLone[sharedMask] < 0 || kLone[otherShared] < 0) return false;
    const int i = kLone[sharedMask];
    *own = t[i];
    *b = t[(i + 1) % 3];
    *c = t[(i + 2) % 3];
    *opposite = other[kLone[otherShared]];
    return true;
}

int64_t SnappedArea(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    int64_t X[3], Y[3];
    const ScreenVertex* v[3] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i)
        if (!SnapPosition(v[i]->x, &X[i]) || !SnapPosition(v[i]->y, &Y[i])) return 0;
    return (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
}

}  // namespace

bool RasterRectanglePair(const DrawState& st, const ScreenVertex* const first[3],
                         const ScreenVertex* const second[3]) {
    if (st.fillMode != D3DFILL_SOLID) return false;
    const ScreenVertex *pa, *pb, *pc, *pd;
    if (!SplitPair(first, second, &pa, &pb, &pc, &pd)) return false;
    if (pa->y != pb->y) std::swap(pb, pc);
    const ScreenVertex &a = *pa, &b = *pb, &c = *pc, &d = *pd;
    if (a.y != b.y || a.x != c.x || d.x != b.x || d.y != c.y || !AffineCorner(a, b, c, d)) return false;
    // Both halves must face the same way, or culling would keep one without the other.
    const int64_t firstArea = SnappedArea(*first[0], *first[1], *first[2]);
    const int64_t secondArea = SnappedArea(*second[0], *second[1], *second[2]);
    if ((firstArea < 0) != (secondArea < 0)) return false;
    if (firstArea == 0) return true;
    if ((st.cullMode == D3DCULL_CCW && firstArea < 0) || (st.cullMode == D3DCULL_CW && firstArea > 0)) return true;
    int64_t X[3], Y[3];
    const ScreenVertex* v[3] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i)
        if (!SnapPosition(v[i]->x, &X[i]) || !SnapPosition(v[i]->y, &Y[i])) return false;
    const int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    // Left and top edges are in, right and bottom edges out, whichever way the corners run.
    const int64_t xMin = std::min(X[0], X[1]), xMax = std::max(X[0], X[1]);
    const int64_t yMin = std::min(Y[0], Y[2]), yMax = std::max(Y[0], Y[2]);
    const int x0 = int(std::max<int64_t>(st.clipX0, -FloorDivide(-xMin, kSubPixels)));
    const int x1 = int(std::min<int64_t>(st.clipX1, -FloorDivide(-xMax, kSubPixels))) - 1;
    const int y0 = int(std::max<int64_t>(st.clipY0, -FloorDivide(-yMin, kSubPixels)));
    const int y1 = int(std::min<int64_t>(st.clipY1, -FloorDivide(-yMax, kSubPixels))) - 1;
    if (x0 > x1 || y0 > y1) return true;
    if (area < 0) {
        std::swap(v[1], v[2]);
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
    }
    TriangleSetup t;
    if (!t.Build(st, *v[0], *v[1], *v[2], a, X, Y, y0)) return true;
    FastSpan fast;
    if (t.fast) t.FillFastSpan(st, &fast);
    for (int y = y0; y <= y1; ++y) ShadeSpan(st, t, fast, x0, x1, y);
    return true;
}

}  // namespace host
