// Triangle set-up shared by the general and the fast spans: snapped positions, the
// attribute planes, per-stage mip level choice and the fixed-point stepping.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "host/d3d9/device/draw_state.h"
#include "host/d3d9/raster/fast_span.h"
#include "host/d3d9/raster/pixel_shade.h"
#include "host/d3d9/raster/raster.h"
#include "host/d3d9/resources/resources.h"

namespace host {

constexpr int64_t kSubPixels = 256;

// Nearest integer, halves away from zero (as llround, without the library call). The
// fraction's tests are added rather than branched on: sub-pixel positions and texel
// steps round either way at random, and each corner and step of a sprite comes here.
inline int64_t RoundToInt64(double v) {
    const int64_t t = int64_t(v);
    const double frac = v - double(t);
    return t + int64_t(frac >= 0.5) - int64_t(frac <= -0.5);
}

// A position in 1/256 pixels; false when it is not a usable number. A float's 24 bits
// times 256 and a half added stay exact in a double wherever the half changes the result
// (below 2^-29 the sum may round, but only to a value under 1), so the truncated sum is
// the nearest integer with halves away from zero, as RoundToInt64 gives, in half the work.
inline bool SnapPosition(float v, int64_t* out) {
    if (!(std::fabs(v) < kMaxScreenCoordinate)) return false;
    const double x = double(v) * double(kSubPixels);
    *out = int64_t(x + std::copysign(0.5, x));
    return true;
}
// A corner at (x, y) snapped, and moved against the draw's sample offset so that pixel
// centres cover what the sample positions do; false when it is not a usable number.
inline bool SnapCorner(const DrawState& st, float x, float y, int64_t* X, int64_t* Y) {
    if (!SnapPosition(x, X) || !SnapPosition(y, Y)) return false;
    *X -= st.sampleX;
    *Y -= st.sampleY;
    return true;
}
// A value with 32 fraction bits, saturated at `limit`.
inline int64_t ToFixed32(double v, double limit = 1073741824.0) {
    const double kLimit = limit;
    if (!(v > -kLimit)) v = -kLimit;
    if (v > kLimit) v = kLimit;
    return RoundToInt64(v * 4294967296.0);
}

// An attribute as a linear function of the pixel position (left unset until built).
struct Plane {
    double base, dx, dy, x0, y0;
    double At(int px, int py) const { return base + dx * (px - x0) + dy * (py - y0); }
};

// A triangle's snapped corners in pixels, and twice its signed area, for MakePlane.
struct PlaneCorners {
    double x[3], y[3], det;
    PlaneCorners(const int64_t X[3], const int64_t Y[3]);
};

// The plane through three values at the corners (x[i], y[i]); `det` is twice the
// triangle's signed area.
Plane MakePlane(const double x[3], const double y[3], double det, double a0, double a1, double a2);

struct TriangleSetup {
    bool affine = true;      // every vertex has the same rhw
    bool flatColor = true;   // one diffuse and one specular colour for the whole triangle
    uint32_t diffuse = 0xFFFFFFFFu, specular = 0;
    Plane color[8];          // diffuse then specular channels (blue, green, red, alpha)
    Plane q;                 // rhw, for perspective-correct interpolation
    double affineW = 1;      // 1 / rhw of an affine triangle
    Plane tex[kMaxStages][kTexCoordComponents];
    uint32_t projected = 0;     // bit s: stage s divides by its own divisor, texQ[s]
    Plane texQ[kMaxStages];
    double texScale[kMaxStages][kTexCoordComponents];
    // Affine texture coordinates in fixed point: the value at column 0 of row `rowRef`
    // and the steps per column and per row, so every span starts from exact integers.
    // Set by Build for the stages that use a texture (u and v alone for a fast triangle,
    // whose spans read no more), and 0 for stages 0 and 1 otherwise (the fast spans read
    // those two); not cleared here, as the set-up is made per draw. The planes above, z
    // and the lods are made for triangles that take the general path only.
    int rowRef = 0;
    int64_t texBase[kMaxStages][kTexCoordComponents], texStep[kMaxStages][kTexCoordComponents],
        texStepY[kMaxStages][kTexCoordComponents];
    Plane z;
    StageLod lods[kMaxStages];
    bool usesTexture[kMaxStages] = {};
    bool fast = false;
    FastSpanFn fastUnit = nullptr, fastClamped = nullptr;  // spans without and with clamping
    FastRowsFn fastRows = nullptr;                          // rows of unit spans
    FastSteppedRowsFn fastSteppedRows = nullptr;            // rows of a turned shape
    int fastTextures = 1;  // textures the fast span steps through

    // From vertices in clockwise order with their snapped positions; `firstRow` is the
    // first row drawn. False when the triangle cannot be drawn.
    bool Build(const DrawState& st, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
               const ScreenVertex& flat, const int64_t X[3], const int64_t Y[3], int firstRow);
    // The same for a triangle the fast spans draw (st.fast, one rhw and one colour at
    // every corner, no projected coordinates), whose corners, in clockwise order at
    // `corners`, have the texture coordinates (u, v) tc[s][i] for each stage s.
    void BuildFast(const DrawState& st, uint32_t color, uint32_t secondColor, float rhw, const float* const tc[][3],
                   const PlaneCorners& corners, int firstRow);
    // What both set-ups start with: the flat colours, the divisor, the row the fixed
    // point starts from, and stages 0 and 1's steps cleared.
    void Start(const DrawState& st, uint32_t color, uint32_t secondColor, float rhw, int firstRow);
    // The planes the general path reads: colours, depth, divisors, every texture axis and
    // each stage's level of detail.
    void BuildGeneral(const DrawState& st, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                      const PlaneCorners& corners);
    // Stage s's fixed-point start and steps along `axis` from its plane, in texels of `scale`.
    void SetFixedSteps(int s, int axis, const Plane& plane, double scale);
    int64_t TexelStart(int stage, int axis, int px, int py) const {
        return texBase[stage][axis] + int64_t(py - rowRef) * texStepY[stage][axis] +
               int64_t(px) * texStep[stage][axis];
    }
    void EvaluatePerspective(int px, int py, PixelInput* in) const;
    void FillFastSpan(const DrawState& st, FastSpan* span) const;
};

// Each fast texture's u and v at column 0 of a row, moved to the next row by one
// addition: the same integers TexelStart gives for every row.
class RowStarts {
public:
    RowStarts(const TriangleSetup& t, int y) : t_(t) {
        for (int s = 0; s < 2; ++s)
            for (int axis = 0; axis < 2; ++axis) at_[s][axis] = t.TexelStart(s, axis, 0, y);
    }
    void Step() {
        for (int s = 0; s < 2; ++s)
            for (int axis = 0; axis < 2; ++axis) at_[s][axis] += t_.texStepY[s][axis];
    }
    int64_t At(int s, int axis, int x) const { return at_[s][axis] + int64_t(x) * t_.texStep[s][axis]; }

private:
    const TriangleSetup& t_;
    int64_t at_[2][2];
};

// Before a writer touches pixels x0..x1 of rows y0..y1 of a target that may hold pending
// pixels; `overwrite` when it writes every one of them without reading it.
inline void PrepareTarget(const DrawState& st, int x0, int x1, int y0, int y1, bool overwrite) {
    if (st.deferredTarget) st.deferredTarget->PrepareDraw(x0, x1, y0, y1, overwrite);
}

// Walks the affine attributes along a span in fixed point.
class AttributeCursor {
public:
    AttributeCursor(const TriangleSetup& t, int px, int py);
    void Fill(const TriangleSetup& t, PixelInput* in) const;
    void Step(const TriangleSetup& t);

private:
    int64_t color_[8] = {}, colorStep_[8] = {};
    int64_t tu_[kMaxStages] = {}, tv_[kMaxStages] = {}, tw_[kMaxStages] = {};
    int px_, py_;
};

// 16.16 channel value to 0..255.
uint32_t ChannelFromFixed(int64_t v);

// floor(n / d) for d > 0.
inline int64_t FloorDivide(int64_t n, int64_t d) {
    int64_t q = n / d;
    if ((n % d != 0) && ((n < 0) != (d < 0))) --q;
    return q;
}
// floor and ceiling of a position in 1/256 pixels as whole pixels: shifts, not divisions
// (the arithmetic shift rounds towards minus infinity).
static_assert(kSubPixels == 256);
inline int64_t FloorPixel(int64_t v) { return v >> 8; }
inline int64_t CeilPixel(int64_t v) { return -(-v >> 8); }

// One triangle edge as a bound on the pixel column, stepped row by row without division:
// the bound is floor(num / k) for num growing by a fixed step per row.
struct EdgeWalk {
    int kind = 0;  // 0 row condition only, -1 left bound, +1 right bound
    int64_t k = 1, q = 0, r = 0, dq = 0, dr = 0;
    int64_t c = 0, dc = 0;  // the numerator itself, for row conditions

    void Setup(int64_t xa, int64_t ya, int64_t xb, int64_t yb, int64_t py) {
        const int64_t dx = xb - xa, dy = yb - ya;
        const int64_t bias = (dy < 0 || (dy == 0 && dx > 0)) ? 0 : 1;
        c = dx * (py * kSubPixels - ya) + dy * xa - bias;
        dc = dx * kSubPixels;
        if (dy == 0) return;
        kind = dy < 0 ? -1 : 1;
        k = (dy < 0 ? -dy : dy) * kSubPixels;
        q = FloorDivide(c, k);
        r = c - q * k;
        dq = FloorDivide(dc, k);
        dr = dc - dq * k;
    }
    // Without branches: whether the remainder carries follows the edge's slope, which
    // a branch would mispredict for half the rows of a turned sprite's edges.
    void Step() {
        c += dc;
        q += dq;
        r += dr;
        const int64_t carry = r >= k ? 1 : 0;
        q += carry;
        r -= k & -carry;
    }
};

// Calls pixel(t, x, y) for each pixel a line from (ax, ay) to (bx, by) covers under the
// diamond-exit rule inside the clip rectangle, `t` its place along the line (0 to 1).
template <class Pixel>
void WalkLine(const DrawState& st, float ax, float ay, float bx, float by, Pixel pixel) {
    int64_t X0, Y0, X1, Y1;
    if (!SnapCorner(st, ax, ay, &X0, &Y0) || !SnapCorner(st, bx, by, &X1, &Y1)) return;
    if (X0 == X1 && Y0 == Y1) return;
    // Work along the major axis, in the direction of travel (mirrored so it increases).
    const bool xMajor = std::llabs(X1 - X0) >= std::llabs(Y1 - Y0);
    const double s = double(kSubPixels);
    double m0 = double(xMajor ? X0 : Y0) / s, m1 = double(xMajor ? X1 : Y1) / s;
    const double n0 = double(xMajor ? Y0 : X0) / s, n1 = double(xMajor ? Y1 : X1) / s;
    const int dir = m1 > m0 ? 1 : -1;
    m0 *= dir;
    m1 *= dir;
    const double slope = (n1 - n0) / (m1 - m0);
    // Only columns (rows for steep lines) inside the clip rectangle are visited.
    const int clipLow = xMajor ? st.clipX0 : st.clipY0, clipHigh = (xMajor ? st.clipX1 : st.clipY1) - 1;
    const int mLow = dir > 0 ? clipLow : -clipHigh, mHigh = dir > 0 ? clipHigh : -clipLow;
    const int first = std::max(int(std::ceil(m0 - 0.5)), mLow), last = std::min(int(std::floor(m1 + 0.5)), mHigh);
    for (int pm = first; pm <= last; ++pm) {
        const double nc = n0 + slope * (pm - m0);
        const int pn = int(std::floor(nc + 0.5));
        const double e = nc - pn;
        // Where the line leaves the diamond |dm| + |dn| < 0.5 around (pm, pn).
        double exit = (0.5 - e) / (1.0 + slope);
        if (!(1.0 + slope > 0) || e + slope * exit < 0) exit = (0.5 + e) / (1.0 - slope);
        const double exitAt = pm + exit;
        if (!(m0 < exitAt && m1 >= exitAt)) continue;
        const int x = xMajor ? pm * dir : pn, y = xMajor ? pn : pm * dir;
        if (x < st.clipX0 || x >= st.clipX1 || y < st.clipY0 || y >= st.clipY1) continue;
        pixel(std::clamp((pm - m0) / (m1 - m0), 0.0, 1.0), x, y);
    }
}

// The pixel a point at (x, y) covers; false when it lies outside the clip rectangle.
inline bool PointPixel(const DrawState& st, float x, float y, int* px, int* py) {
    if (!(std::fabs(x) < kMaxScreenCoordinate && std::fabs(y) < kMaxScreenCoordinate)) return false;
    *px = int(std::ceil(double(x) - 0.5 - double(st.sampleX) / kSubPixels));
    *py = int(std::ceil(double(y) - 0.5 - double(st.sampleY) / kSubPixels));
    return *px >= st.clipX0 && *px < st.clipX1 && *py >= st.clipY0 && *py < st.clipY1;
}

// The mip level and filter a sampler takes for texture coordinate slopes given in texels
// of level 0 per pixel; `bias` adds to the sampler's level bias.
StageLod ChooseLod(const StageSampler& s, double dudx, double dvdx, double dudy, double dvdy, double bias = 0);
// The slope across a texture, in texels per pixel, of u's slope `u` and, for a volume,
// its depth's slope `w`. Without a depth it keeps u's sign: the footprint's axis, along
// which anisotropic taps are spread, is not to be mirrored.
inline double SlopeAcross(double u, double w) { return w == 0 ? u : std::hypot(u, w); }

// The rows a shape from `minY` to `maxY` (1/256 pixels) may cover inside the clip
// rectangle, y0..y1; false for none.
bool RowsOf(const DrawState& st, int64_t minY, int64_t maxY, int* y0, int* y1);
// The columns of the current row inside the clip rectangle and every edge; false for none.
inline bool RowSpan(const DrawState& st, const EdgeWalk* edges, int count, int* x0, int* x1) {
    int64_t left = st.clipX0, right = st.clipX1 - 1;
    bool rowOpen = true;
    for (int i = 0; i < count; ++i) {
        const EdgeWalk& e = edges[i];
        if (e.kind == 0) rowOpen = rowOpen && e.c >= 0;
        else if (e.kind < 0) left = std::max(left, -e.q);
        else right = std::min(right, e.q);
    }
    *x0 = int(left);
    *x1 = int(right);
    return rowOpen && left <= right;
}

// Calls span(x0, x1, y) for the pixels of rows y0..y1 inside the convex shape whose
// clockwise edges were set up at row y0, clipped to the clip rectangle.
template <class Span>
void ForEachSpan(const DrawState& st, EdgeWalk* edges, int count, int y0, int y1, Span span) {
    for (int y = y0; y <= y1; ++y) {
        int x0, x1;
        if (RowSpan(st, edges, count, &x0, &x1)) span(x0, x1, y);
        for (int i = 0; i < count; ++i) edges[i].Step();
    }
}

// A solid triangle as drawn: corners snapped and turned clockwise, its rows, and its
// set-up from the first of them.
struct PreparedTriangle {
    TriangleSetup t;
    int64_t X[3], Y[3];
    int y0, y1;
    bool counterClockwise;  // as it runs on the screen (picks the stencil's second face)
    // Its edges stepped from row y (y0 or an earlier row of a shape it is part of).
    void EdgesFrom(int y, EdgeWalk edges[3]) const;
};
// False where the triangle draws nothing: not a number, no area, culled, outside the clip
// rectangle, or not set up. `flat` gives the colours under flat shading.
bool PrepareTriangle(const DrawState& st, const ScreenVertex* const corners[3], const ScreenVertex& flat,
                     PreparedTriangle* p);
void ShadeTriangle(const DrawState& st, const PreparedTriangle& p);
// Two triangles in drawing order (flat[i] giving triangle i's colours under flat shading)
// sharing corners b and c, `own` the first's other corner and `opposite` the second's,
// forming a convex quadrangle: drawn as one shape, row by row; false, with nothing drawn,
// where they do not form one.
bool RasterConvexPair(const DrawState& st, const ScreenVertex* const first[3], const ScreenVertex* const second[3],
                      const ScreenVertex* const flat[2], const ScreenVertex& own, const ScreenVertex& b,
                      const ScreenVertex& c, const ScreenVertex& opposite);
// Shades rows y0..y1 of the convex shape whose clockwise edges were set up at row y0.
void ShadeEdges(const DrawState& st, const TriangleSetup& t, FastSpan& fast, EdgeWalk* edges, int count, int y0,
                int y1);
// Shades pixels x0..x1 of row y of a set-up triangle; `fast` was filled by FillFastSpan
// when the triangle takes the fast spans.
void ShadeSpan(const DrawState& st, const TriangleSetup& t, FastSpan& fast, int x0, int x1, int y);
// Shades columns x0..x1 of rows y0..y1 (a rectangle) of a set-up triangle's plane.
void ShadeRows(const DrawState& st, const TriangleSetup& t, FastSpan& fast, int x0, int x1, int y0, int y1);

}  // namespace host
