#include "engine/graphics/draw/quad_d3d.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/graphics/draw/draw_d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_vertices.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/state_cache.h"

namespace orvik {

namespace {

constexpr int kMaxCells = 32;      // per side
constexpr float kCellPixels = 8;  // a cell spans about this many pixels

float Length(const Corner& a, const Corner& b) { return std::hypot(b.x - a.x, b.y - a.y); }

// A point of the quadrangle at fractions (s, t): position, texture coordinates and place
// in the graphic interpolated between the four corners.
Corner At(const Corner (&c)[4], float s, float t) {
    auto mix = [&](float Corner::*f) {
        const float top = c[0].*f + (c[1].*f - c[0].*f) * s, bottom = c[2].*f + (c[3].*f - c[2].*f) * s;
        return top + (bottom - top) * t;
    };
    return Corner{mix(&Corner::x), mix(&Corner::y), mix(&Corner::u), mix(&Corner::v), mix(&Corner::gx), mix(&Corner::gy)};
}

int Cells(float length) { return std::clamp(int(std::ceil(length / kCellPixels)), 2, kMaxCells); }

// One texture piece of a free quadrangle.
int DrawQuadIndexedD3D(const Corner (&c)[4]) {
    const float top = Length(c[0], c[1]), bottom = Length(c[2], c[3]);
    const float left = Length(c[0], c[2]), right = Length(c[1], c[3]);
    // Nearly a parallelogram (never concave then): two triangles map it without a fold.
    if (std::fabs(top - bottom) < 1 && std::fabs(left - right) < 1) return EmitQuad(c);
    const int columns = Cells(std::max(top, bottom)) + 1, rows = Cells(std::max(left, right)) + 1;
    std::vector<Corner> grid(size_t(columns) * size_t(rows));
    for (int r = 0; r < rows; ++r)
        for (int k = 0; k < columns; ++k)
            grid[size_t(r) * size_t(columns) + size_t(k)] = At(c, float(k) / float(columns - 1), float(r) / float(rows - 1));
    return EmitGrid(grid.data(), columns, rows);
}

// Each piece's corners from its place in the graphic, then drawn as one quadrangle.
int DrawPieces(const QuadCorners& corners, const GraphRecord& r, uint32_t flags) {
    const Corner whole[4] = {{corners[0][0] - 0.5f, corners[0][1] - 0.5f, 0, 0, 0, 0},
                             {corners[1][0] - 0.5f, corners[1][1] - 0.5f, 0, 0, 0, 0},
                             {corners[2][0] - 0.5f, corners[2][1] - 0.5f, 0, 0, 0, 0},
                             {corners[3][0] - 0.5f, corners[3][1] - 0.5f, 0, 0, 0, 0}};
    const float w = float(r.width), h = float(r.height);
    for (const PieceDraw& p : r.draws) {
        SetupGraphDrawD3D(r.images, p.piece->texture, flags);
        const float xs[2] = {p.left / w, p.right / w}, ys[2] = {p.top / h, p.bottom / h};
        const float us[2] = {p.u1, p.u2}, vs[2] = {p.v1, p.v2}, gxs[2] = {p.left, p.right}, gys[2] = {p.top, p.bottom};
        Corner c[4];
        for (int i = 0; i < 4; ++i) {
            c[i] = At(whole, xs[i & 1], ys[i >> 1]);
            c[i].u = us[i & 1], c[i].v = vs[i >> 1], c[i].gx = gxs[i & 1], c[i].gy = gys[i >> 1];
        }
        if (DrawQuadIndexedD3D(c) != 0) return -1;
    }
    return 0;
}

bool AxisAligned(const QuadCorners& c) {
    return c[0][1] == c[1][1] && c[2][1] == c[3][1] && c[0][0] == c[2][0] && c[1][0] == c[3][0];
}

}  // namespace

int DrawGraphQuadD3D(const QuadCorners& corners, const GraphRecord& r, int trans) {
    if (!Graphics().dev.device) return -1;
    if (Draw().blendMaskGraph != -1) {
        QuadCorners cut;
        for (int i = 0; i < 4; ++i) cut[i][0] = std::trunc(corners[i][0]), cut[i][1] = std::trunc(corners[i][1]);
        return DrawQuadSubdividedD3D(cut, r, trans);
    }
    BeginSceneIfNeeded();
    return DrawPieces(corners, r, trans ? kSetupTrans : 0);
}

int DrawQuadSubdividedD3D(const QuadCorners& corners, const GraphRecord& r, int trans) {
    if (!Graphics().dev.device) return -1;
    if (AxisAligned(corners))
        return DrawGraphStretchedD3D(corners[0][0], corners[0][1], corners[3][0], corners[3][1], r, trans, 0);
    if (Draw().blendMaskGraph == -1) return DrawGraphQuadD3D(corners, r, trans);
    BeginSceneIfNeeded();
    return DrawPieces(corners, r, (trans ? kSetupTrans : 0) | kSetupExact);
}

}  // namespace orvik
