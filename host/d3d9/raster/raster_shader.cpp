#include "host/d3d9/raster/raster_shader.h"

#include <algorithm>
#include <climits>
#include <span>

#include "host/d3d9/raster/prefetch_rows.h"
#include "host/d3d9/raster/raster.h"
#include "host/d3d9/shader/shader_pixels.h"

namespace host {
namespace {

// The covered pixels of two rows (y even and y + 1) as 2x2 quads: each quad whose pixels
// any is covered runs whole, its helper pixels reading the attributes' planes where they
// lie, and only covered pixels are written.
struct QuadRow {
    int x0 = 0, x1 = -1;
    bool Covers(int x) const { return x >= x0 && x <= x1; }
};

void ShadeQuadRow(const AttributePlanes& planes, PixelRunner& run, std::span<ShaderRegisters, 4> quad,
                  const PixelProgram& pp, int y, const QuadRow rows[2]) {
    int from = INT_MAX, to = INT_MIN;
    for (int r = 0; r < 2; ++r)
        if (rows[r].x0 <= rows[r].x1) from = std::min(from, rows[r].x0), to = std::max(to, rows[r].x1);
    Vec4 attr[kVaryings];
    float fog[4], w[4];
    bool ok[4];
    for (int qx = from & ~1; qx <= to && !pp.watchdog->Expired(); qx += 2) {
        for (int n = 0; n < 4; ++n) {
            planes.At(qx + (n & 1), y + (n >> 1), attr, &fog[n], &w[n]);
            run.Load(quad[size_t(n)], attr, qx + (n & 1), y + (n >> 1));
        }
        RunShaderQuad(*pp.program, *pp.constants, quad, &run.sampler, ok, *pp.watchdog);
        for (int n = 0; n < 4; ++n) {
            const int x = qx + (n & 1), py = y + (n >> 1);
            if (ok[n] && rows[n >> 1].Covers(x))
                run.Output(quad[size_t(n)], x, py, float(planes.z.At(x, py)), fog[n], w[n]);
        }
    }
}

void ShadeQuads(const DrawState& st, const AttributePlanes& planes, PixelRunner& run, EdgeWalk* edges, int y0,
                int y1, const PixelProgram& pp) {
    QuadRow rows[2];
    std::array<ShaderRegisters, 4> quad;
    int pairY = y0 & ~1;
    auto flush = [&] {
        if (rows[0].x0 <= rows[0].x1 || rows[1].x0 <= rows[1].x1) ShadeQuadRow(planes, run, quad, pp, pairY, rows);
        rows[0] = rows[1] = QuadRow{};
    };
    ForEachSpan(st, edges, 3, y0, y1, [&](int x0, int x1, int y) {
        if ((y & ~1) != pairY) {
            flush();
            pairY = y & ~1;
        }
        rows[y & 1] = QuadRow{x0, x1};
    });
    flush();
}

// A sprite-sized triangle's target rows asked for at once: each row of a large target lies
// a page or more from the last, where the processor's own prefetcher does not follow.
void PrefetchTarget(const DrawState& st, const int64_t X[3], int y0, int y1) {
    constexpr int kMaxRows = 64, kMaxBytes = 512;
    const int x0 = std::max(st.clipX0, int(std::min({X[0], X[1], X[2]}) / kSubPixels));
    const int x1 = std::min(st.clipX1 - 1, int(std::max({X[0], X[1], X[2]}) / kSubPixels) + 1);
    const int bytes = (x1 - x0 + 1) * st.targetBytes;
    if (x1 < x0 || y1 - y0 >= kMaxRows || bytes > kMaxBytes) return;
    PrefetchRows<true>(st.target + size_t(y0) * st.targetPitch + size_t(x0) * size_t(st.targetBytes), st.targetPitch,
                       y1 - y0 + 1, size_t(bytes));
}

}  // namespace

ShadedVertex LerpVertex(const ShadedVertex& a, const ShadedVertex& b, float t) {
    ShadedVertex v;
    for (int i = 0; i < 4; ++i) v.pos[i] = a.pos[i] + (b.pos[i] - a.pos[i]) * t;
    for (int k = 0; k < kVaryings; ++k)
        for (int c = 0; c < 4; ++c) v.attr[k][c] = a.attr[k][c] + (b.attr[k][c] - a.attr[k][c]) * t;
    v.fog = a.fog + (b.fog - a.fog) * t;
    return v;
}

void RasterShaderTriangle(const DrawState& st, const PixelProgram& pp, const ShadedVertex& a, const ShadedVertex& b,
                          const ShadedVertex& c, const ShadedVertex& flat) {
    int64_t X[3], Y[3];
    const ShadedVertex* v[3] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i)
        if (!SnapCorner(st, v[i]->pos[0], v[i]->pos[1], &X[i], &Y[i])) return;
    const int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0 || (st.cullMode == D3DCULL_CCW && area < 0) || (st.cullMode == D3DCULL_CW && area > 0)) return;
    st.counterClockwise = area < 0;
    if (st.fillMode == D3DFILL_POINT) {
        for (auto* p : v) RasterShaderPoint(st, pp, *p);
        return;
    }
    if (st.fillMode != D3DFILL_SOLID) {
        for (int i = 0; i < 3; ++i) RasterShaderLine(st, pp, *v[i], *v[(i + 1) % 3], flat);
        return;
    }
    if (area < 0) {
        std::swap(v[1], v[2]);
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
    }
    // Perspective division needs a positive rhw at every corner (unless all are alike).
    const bool sameW = a.pos[3] == b.pos[3] && a.pos[3] == c.pos[3];
    if (!sameW && !(a.pos[3] > 0 && b.pos[3] > 0 && c.pos[3] > 0)) return;
    int y0, y1;
    if (!RowsOf(st, std::min({Y[0], Y[1], Y[2]}), std::max({Y[0], Y[1], Y[2]}), &y0, &y1)) return;
    AttributePlanes planes;
    planes.Build(st, pp, v, flat, X, Y);
    EdgeWalk edges[3];
    for (int i = 0; i < 3; ++i) edges[i].Setup(X[i], Y[i], X[(i + 1) % 3], Y[(i + 1) % 3], y0);
    PixelRunner run(st, pp, st.counterClockwise ? -1.0f : 1.0f);
    run.sampler.ChooseLevels(planes.slopes);
    if (pp.program->derivatives) {
        ShadeQuads(st, planes, run, edges, y0, y1, pp);
        return;
    }
    if (pp.lanes) {
        PrefetchTarget(st, X, y0, y1);
        LanePixels batch;
        ForEachSpan(st, edges, 3, y0, y1, [&](int x0, int x1, int y) {
            while (x0 <= x1) {
                const int n = std::min(x1 - x0 + 1, kLanes - batch.count);
                batch.Add(x0, y, n);
                x0 += n;
                if (batch.count < kLanes) continue;
                run.ShadeLanes(planes, batch);
                batch.Clear();
            }
        });
        if (batch.count) run.ShadeLanes(planes, batch);
        return;
    }
    Vec4 attr[kVaryings];
    float fog = 1, w = 1;
    ForEachSpan(st, edges, 3, y0, y1, [&](int x0, int x1, int y) {
        for (int x = x0; x <= x1; ++x) {
            planes.At(x, y, attr, &fog, &w);
            run.Shade(attr, x, y, float(planes.z.At(x, y)), fog, w);
        }
    });
}

void RasterShaderLine(const DrawState& st, const PixelProgram& pp, const ShadedVertex& a, const ShadedVertex& b,
                      const ShadedVertex& flat) {
    PixelRunner run(st, pp, 1.0f);
    run.sampler.ChooseLevels(nullptr);
    WalkLine(st, a.pos[0], a.pos[1], b.pos[0], b.pos[1], [&](double t, int x, int y) {
        ShadedVertex v = LerpVertex(a, b, float(t));
        if (!st.gouraud) v.attr[0] = flat.attr[0], v.attr[1] = flat.attr[1];
        run.Shade(v.attr, x, y, v.pos[2], v.fog, 1.0f / v.pos[3]);
    });
}

void RasterShaderPoint(const DrawState& st, const PixelProgram& pp, const ShadedVertex& v) {
    int x, y;
    if (!PointPixel(st, v.pos[0], v.pos[1], &x, &y)) return;
    PixelRunner run(st, pp, 1.0f);
    run.sampler.ChooseLevels(nullptr);
    run.Shade(v.attr, x, y, v.pos[2], v.fog, 1.0f / v.pos[3]);
}

}  // namespace host
