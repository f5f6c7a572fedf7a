#include <algorithm>
#include <cstring>

#include "host/d3d9/d3d9_host.h"
#include "host/d3d9/raster.h"
#include "host/d3d9/raster_common.h"

namespace host {
namespace {

// A strip's shared corners are one vertex; otherwise the position first: most pairs of
// corners differ there, and it is cheap to compare.
bool Same(const ScreenVertex& a, const ScreenVertex& b) {
    return &a == &b || (a.x == b.x && a.y == b.y && std::memcmp(&a, &b, sizeof(ScreenVertex)) == 0);
}

// d carries what the plane through a, b and c gives at its corner, in every texture
// coordinate set a stage reads (the others change no pixel).
bool AffineCorner(const DrawState& st, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                  const ScreenVertex& d) {
    if (a.rhw != b.rhw || a.rhw != c.rhw || a.rhw != d.rhw || a.z != b.z || a.z != c.z || a.z != d.z) return false;
    if (a.diffuse != b.diffuse || a.diffuse != c.diffuse || a.diffuse != d.diffuse || a.specular != b.specular ||
        a.specular != c.specular || a.specular != d.specular)
        return false;
    for (int stage = 0; stage < st.stageCount; ++stage) {
        if (!st.stageUsesTexture[stage]) continue;
        const int s = st.ops[stage].texSet;
        for (int k = 0; k < kTexCoordComponents; ++k)
            if (double(b.tc[s][k]) + double(c.tc[s][k]) - double(a.tc[s][k]) != double(d.tc[s][k])) return false;
    }
    return true;
}

// Two triangles sharing two corners: `own` is the first's other corner and b, c the
// shared ones in the first's order (own, b, c); `opposite` is the second's other corner.
// The two face the same way when the second runs along the shared edge from c to b.
struct Pair {
    const ScreenVertex *own, *b, *c, *opposite;
    bool sameFacing;
};

bool SplitPair(const ScreenVertex* const t[3], const ScreenVertex* const other[3], Pair* p) {
    int sharedMask = 0, otherShared = 0, matchOf[3] = {-1, -1, -1};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (Same(*t[i], *other[j])) sharedMask |= 1 << i, otherShared |= 1 << j, matchOf[i] = j;
    static constexpr int kLone[8] = {-1, -1, -1, 2, -1, 1, 0, -1};  // the index outside a 2-of-3 mask
    if (kLone[sharedMask] < 0 || kLone[otherShared] < 0) return false;
    const int i = kLone[sharedMask], ib = (i + 1) % 3, ic = (i + 2) % 3;
    *p = Pair{t[i], t[ib], t[ic], other[kLone[otherShared]], matchOf[ib] == (matchOf[ic] + 1) % 3};
    return true;
}

// The pair as one rectangle when it is one (else as a convex shape), `pair` split from
// `first` and `second`.
bool RasterSplitPair(const DrawState& st, const ScreenVertex* const first[3], const ScreenVertex* const second[3],
                     const ScreenVertex* const flat[2], const Pair& pair) {
    ++D3D9Counters().trianglePairs;
    // Corners a and d opposite, b beside a along the row and c along the column.
    const bool rowFirst = pair.own->y == pair.b->y;
    const ScreenVertex &a = *pair.own, &b = rowFirst ? *pair.b : *pair.c, &c = rowFirst ? *pair.c : *pair.b,
                       &d = *pair.opposite;
    if (a.y != b.y || a.x != c.x || d.x != b.x || d.y != c.y || !AffineCorner(st, a, b, c, d))
        return RasterConvexPair(st, first, second, flat, *pair.own, *pair.b, *pair.c, *pair.opposite);
    int64_t X[3], Y[3];
    const ScreenVertex* v[3] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i)
        if (!SnapCorner(st, v[i]->x, v[i]->y, &X[i], &Y[i])) return false;
    const int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    // The first triangle runs (own, b, c) in the pair's order: swapping b and c above
    // turned its area's sign.
    const int64_t firstArea = rowFirst ? area : -area;
    if (firstArea == 0) return true;
    if ((st.cullMode == D3DCULL_CCW && firstArea < 0) || (st.cullMode == D3DCULL_CW && firstArea > 0)) return true;
    st.counterClockwise = firstArea < 0;
    // Left and top edges are in, right and bottom edges out, whichever way the corners run.
    const int64_t xMin = std::min(X[0], X[1]), xMax = std::max(X[0], X[1]);
    const int64_t yMin = std::min(Y[0], Y[2]), yMax = std::max(Y[0], Y[2]);
    const int x0 = int(std::max<int64_t>(st.clipX0, CeilPixel(xMin)));
    const int x1 = int(std::min<int64_t>(st.clipX1, CeilPixel(xMax))) - 1;
    const int y0 = int(std::max<int64_t>(st.clipY0, CeilPixel(yMin)));
    const int y1 = int(std::min<int64_t>(st.clipY1, CeilPixel(yMax))) - 1;
    if (x0 > x1 || y0 > y1) return true;
    if (area < 0) {
        std::swap(v[1], v[2]);
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
    }
    // Kept from rectangle to rectangle: constructing its 3 KB cost a sprite more than
    // setting it up. Build writes every field the spans read.
    static thread_local TriangleSetup t;
    if (!t.Build(st, *v[0], *v[1], *v[2], a, X, Y, y0)) return true;
    FastSpan fast;
    if (t.fast) t.FillFastSpan(st, &fast);
    ShadeRows(st, t, fast, x0, x1, y0, y1);
    return true;
}

// Two corners at one position: then more than the shared corners may match, and the
// pair is split by comparing every corner.
bool TwoCornersMeet(const ScreenVertex* const v[4]) {
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            if (v[i]->x == v[j]->x && v[i]->y == v[j]->y) return true;
    return false;
}

}  // namespace

bool RasterRectanglePair(const DrawState& st, const ScreenVertex* const first[3],
                         const ScreenVertex* const second[3], const ScreenVertex* const flat[2]) {
    Pair pair;
    if (st.fillMode != D3DFILL_SOLID || !SplitPair(first, second, &pair) || !pair.sameFacing) return false;
    return RasterSplitPair(st, first, second, flat, pair);
}

bool RasterQuadOrderPair(const DrawState& st, const ScreenVertex* const first[3],
                         const ScreenVertex* const second[3], const ScreenVertex* const flat[2]) {
    const ScreenVertex* const corners[4] = {first[0], first[1], first[2], second[0]};
    if (st.fillMode != D3DFILL_SOLID || TwoCornersMeet(corners)) return RasterRectanglePair(st, first, second, flat);
    // What SplitPair finds for this order: the second triangle runs along the shared edge
    // backwards, so the two face the same way.
    return RasterSplitPair(st, first, second, flat, Pair{first[0], first[1], first[2], second[0], true});
}

}  // namespace host
