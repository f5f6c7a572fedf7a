#include <algorithm>
#include <cstring>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/raster/raster.h"
#include "host/d3d9/raster/raster_common.h"

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

// Kept from rectangle to rectangle: constructing its 3 KB cost a sprite more than
// setting it up. Each set-up writes every field the spans read.
TriangleSetup& RectangleSetup() {
    static thread_local TriangleSetup t;
    return t;
}

// An upright rectangle with snapped corners a (X[0], Y[0]), b beside it along its row
// and c beside it down its column, drawn as a pair whose first triangle runs a, b, c
// (`rowFirst`) or a, c, b: culled as that triangle, clipped, and shaded with the set-up
// setup(t, swapped, firstRow) makes for the corners in clockwise order (b and c swapped,
// in X and Y too, where `swapped`).
template <class Setup>
void ShadeUprightRectangle(const DrawState& st, int64_t X[3], int64_t Y[3], bool rowFirst, Setup setup) {
    const int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    // The first triangle runs (own, b, c) in the pair's order: swapping b and c above
    // turned its area's sign.
    const int64_t firstArea = rowFirst ? area : -area;
    if (firstArea == 0) return;
    if ((st.cullMode == D3DCULL_CCW && firstArea < 0) || (st.cullMode == D3DCULL_CW && firstArea > 0)) return;
    st.counterClockwise = firstArea < 0;
    // Left and top edges are in, right and bottom edges out, whichever way the corners run.
    const int64_t xMin = std::min(X[0], X[1]), xMax = std::max(X[0], X[1]);
    const int64_t yMin = std::min(Y[0], Y[2]), yMax = std::max(Y[0], Y[2]);
    const int x0 = int(std::max<int64_t>(st.clipX0, CeilPixel(xMin)));
    const int x1 = int(std::min<int64_t>(st.clipX1, CeilPixel(xMax))) - 1;
    const int y0 = int(std::max<int64_t>(st.clipY0, CeilPixel(yMin)));
    const int y1 = int(std::min<int64_t>(st.clipY1, CeilPixel(yMax))) - 1;
    if (x0 > x1 || y0 > y1) return;
    if (area < 0) {
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
    }
    TriangleSetup& t = RectangleSetup();
    if (!setup(t, area < 0, y0)) return;
    FastSpan fast;
    if (t.fast) t.FillFastSpan(st, &fast);
    ShadeRows(st, t, fast, x0, x1, y0, y1);
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
    ShadeUprightRectangle(st, X, Y, rowFirst, [&](TriangleSetup& t, bool swapped, int firstRow) {
        if (swapped) std::swap(v[1], v[2]);
        return t.Build(st, *v[0], *v[1], *v[2], a, X, Y, firstRow);
    });
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

UprightLayout UprightLayoutOf(const DrawState& st, const FvfLayout& l) {
    UprightLayout u;
    if (!l.plain || !l.pretransformed || !l.SingleStream() || l.position.components != 4 || !st.fast ||
        st.fillMode != D3DFILL_SOLID || st.projectedStages != 0)
        return u;
    for (int s = 0; s < st.stageCount; ++s) {
        if (!st.stageUsesTexture[s]) continue;
        const int set = st.ops[s].texSet;
        if (set >= l.texCount || l.tex[set].components != 2) return u;
        u.texCoords[s] = l.tex[set].offset;
    }
    u.position = l.position.offset;
    u.diffuse = l.diffuse.Present() ? l.diffuse.offset : -1;
    u.specular = l.specular.Present() ? l.specular.offset : -1;
    u.usable = true;
    return u;
}

bool RasterUprightQuad(const DrawState& st, const UprightLayout& u, const uint8_t* vertices, size_t stride) {
    const uint8_t* v[4] = {vertices, vertices + stride, vertices + 2 * stride, vertices + 3 * stride};
    auto value = [](const uint8_t* vertex, int offset) {
        float f;
        std::memcpy(&f, vertex + offset, 4);
        return f;
    };
    // One colour at every corner, else `absent`; false where they differ.
    auto color = [&](int offset, uint32_t absent, uint32_t* out) {
        *out = absent;
        if (offset < 0) return true;
        std::memcpy(out, v[0] + offset, 4);
        for (int i = 1; i < 4; ++i)
            if (std::memcmp(out, v[i] + offset, 4) != 0) return false;
        return true;
    };
    // What RasterSplitPair asks of a pair in the quad order to draw it as one rectangle:
    // corners a, b along its row, c, d below, all apart; one depth, divisor and colour;
    // texture coordinates in one plane.
    const int p = u.position;
    const float ax = value(v[0], p), ay = value(v[0], p + 4), bx = value(v[1], p), cy = value(v[2], p + 4);
    if (value(v[1], p + 4) != ay || value(v[2], p) != ax || value(v[3], p) != bx || value(v[3], p + 4) != cy ||
        ax == bx || ay == cy)
        return false;
    const float z = value(v[0], p + 8), rhw = value(v[0], p + 12);
    for (int i = 1; i < 4; ++i)
        if (value(v[i], p + 8) != z || value(v[i], p + 12) != rhw) return false;
    uint32_t diffuse, specular;
    if (!color(u.diffuse, 0xFFFFFFFFu, &diffuse) || !color(u.specular, 0, &specular)) return false;
    float uv[kMaxStages][4][2] = {};
    for (int s = 0; s < st.stageCount; ++s) {
        if (!st.stageUsesTexture[s]) continue;
        for (int i = 0; i < 4; ++i) std::memcpy(uv[s][i], v[i] + u.texCoords[s], 8);
        for (int k = 0; k < 2; ++k)
            if (double(uv[s][1][k]) + double(uv[s][2][k]) - double(uv[s][0][k]) != double(uv[s][3][k])) return false;
    }
    int64_t X[3], Y[3];
    for (int i = 0; i < 3; ++i)
        if (!SnapCorner(st, value(v[i], p), value(v[i], p + 4), &X[i], &Y[i])) return false;
    ++D3D9Counters().trianglePairs;
    ShadeUprightRectangle(st, X, Y, true, [&](TriangleSetup& t, bool swapped, int firstRow) {
        const int order[3] = {0, swapped ? 2 : 1, swapped ? 1 : 2};
        const float* tc[kMaxStages][3] = {};
        for (int s = 0; s < st.stageCount; ++s)
            for (int i = 0; i < 3; ++i) tc[s][i] = uv[s][order[i]];
        t.BuildFast(st, diffuse, specular, rhw, tc, PlaneCorners(X, Y), firstRow);
        return true;
    });
    return true;
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
