// Two triangles sharing an edge that form a convex quadrangle, as rotated and scaled
// sprites come, drawn as one shape: one span per row instead of one per triangle and
// row. The top-left rule gives each pixel centre on the shared edge to exactly one of the
// two, and at every corner the two cover together what the quadrangle's outer edges
// cover, so the pixels are the same; this is done only where both triangles take the
// fast spans with the same colour and the same fixed-point texture stepping, so their
// values are the same too.
#include <algorithm>

#include "host/d3d9/raster.h"
#include "host/d3d9/raster_common.h"

namespace host {
namespace {

// What RasterTriangle makes of one triangle before shading it: snapped, turned clockwise
// and set up from its first drawn row. False where it draws nothing or is not solid.
bool Prepare(const DrawState& st, const ScreenVertex* const corners[3], TriangleSetup* t) {
    const ScreenVertex* v[3] = {corners[0], corners[1], corners[2]};
    int64_t X[3], Y[3];
    for (int i = 0; i < 3; ++i)
        if (!SnapPosition(v[i]->x, &X[i]) || !SnapPosition(v[i]->y, &Y[i])) return false;
    const int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0 || (st.cullMode == D3DCULL_CCW && area < 0) || (st.cullMode == D3DCULL_CW && area > 0)) return false;
    if (area < 0) {
        std::swap(v[1], v[2]);
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
    }
    int y0, y1;
    if (!RowsOf(st, std::min({Y[0], Y[1], Y[2]}), std::max({Y[0], Y[1], Y[2]}), &y0, &y1)) return false;
    return t->Build(st, *v[0], *v[1], *v[2], *corners[0], X, Y, y0);
}

// Both shade every pixel alike: the same fast span, colour and texture steps, and the
// same texture coordinates at one pixel (the rest follow by the same integer steps).
bool SameShading(const TriangleSetup& a, const TriangleSetup& b) {
    if (!a.fast || !b.fast || a.fastUnit != b.fastUnit || a.diffuse != b.diffuse || a.fastTextures != b.fastTextures)
        return false;
    for (int s = 0; s < a.fastTextures; ++s)
        for (int axis = 0; axis < 2; ++axis)
            if (a.texStep[s][axis] != b.texStep[s][axis] || a.texStepY[s][axis] != b.texStepY[s][axis] ||
                a.TexelStart(s, axis, 0, a.rowRef) != b.TexelStart(s, axis, 0, a.rowRef))
                return false;
    return true;
}

int64_t Turn(const int64_t X[4], const int64_t Y[4], int i) {
    const int j = (i + 1) % 4, k = (i + 2) % 4;
    return (X[j] - X[i]) * (Y[k] - Y[i]) - (X[k] - X[i]) * (Y[j] - Y[i]);
}

}  // namespace

bool RasterConvexPair(const DrawState& st, const ScreenVertex* const first[3], const ScreenVertex* const second[3],
                      const ScreenVertex& own, const ScreenVertex& b, const ScreenVertex& c,
                      const ScreenVertex& opposite) {
    // The outline in the first triangle's order: own, b, then the second's far corner, c.
    const ScreenVertex* outline[4] = {&own, &b, &opposite, &c};
    int64_t X[4], Y[4];
    for (int i = 0; i < 4; ++i)
        if (!SnapPosition(outline[i]->x, &X[i]) || !SnapPosition(outline[i]->y, &Y[i])) return false;
    // Every corner turns the same way, and none is straight: convex.
    const int64_t turn = Turn(X, Y, 0);
    if (turn == 0) return false;
    for (int i = 1; i < 4; ++i) {
        const int64_t next = Turn(X, Y, i);
        if (next == 0 || (next > 0) != (turn > 0)) return false;
    }
    TriangleSetup t, other;
    if (!Prepare(st, first, &t) || !Prepare(st, second, &other) || !SameShading(t, other)) return false;
    if (turn < 0) {
        std::swap(X[1], X[3]);
        std::swap(Y[1], Y[3]);
    }
    int y0, y1;
    if (!RowsOf(st, *std::min_element(Y, Y + 4), *std::max_element(Y, Y + 4), &y0, &y1)) return true;
    EdgeWalk edges[4];
    for (int i = 0; i < 4; ++i) edges[i].Setup(X[i], Y[i], X[(i + 1) % 4], Y[(i + 1) % 4], y0);
    FastSpan fast;
    t.FillFastSpan(st, &fast);
    ShadeEdges(st, t, fast, edges, 4, y0, y1);
    return true;
}

}  // namespace host
