#include <algorithm>
#include <cstring>

#include "host/d3d9/raster.h"
#include "host/d3d9/raster_common.h"

namespace host {
namespace {

bool Same(const ScreenVertex& a, const ScreenVertex& b) { return std::memcmp(&a, &b, sizeof(ScreenVertex)) == 0; }

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

}  // namespace

bool RasterRectanglePair(const DrawState& st, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                         const ScreenVertex& d, const ScreenVertex& e, const ScreenVertex& f) {
    if (st.fillMode != D3DFILL_SOLID || !Same(e, c) || !Same(f, b)) return false;
    if (a.y != b.y || a.x != c.x || d.x != b.x || d.y != c.y || !AffineCorner(a, b, c, d)) return false;
    int64_t X[3], Y[3];
    const ScreenVertex* v[3] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i)
        if (!SnapPosition(v[i]->x, &X[i]) || !SnapPosition(v[i]->y, &Y[i])) return false;
    const int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0) return true;
    if ((st.cullMode == D3DCULL_CCW && area < 0) || (st.cullMode == D3DCULL_CW && area > 0)) return true;
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
