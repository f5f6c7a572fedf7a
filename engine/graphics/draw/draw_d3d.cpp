#include "engine/graphics/draw/draw_d3d.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/graphics/draw/blend_helper_graph.h"
#include "engine/graphics/draw/blend_mask.h"
#include "engine/graphics/draw/color_data.h"
#include "engine/graphics/draw/draw_functions.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_target.h"
#include "engine/graphics/draw/draw_vertices.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/base/log.h"
#include "host/d3d9/device/device.h"

namespace orvik {

using namespace host;

namespace {

struct ColorVertex {
    float x, y, z, rhw;
    uint32_t color;
};
static_assert(sizeof(ColorVertex) == 20);

bool HaveDevice() { return Graphics().dev.device != nullptr; }

// One end of a span: position, texture coordinate, place within the graphic.
struct SpanEnd {
    float p, t, g;
};

// Cuts the span a..b to lo..hi, the texture coordinate and the place in the graphic in
// proportion; false when nothing is left. Works for mirrored spans (a > b) too.
bool ClipSpan(SpanEnd& a, SpanEnd& b, float lo, float hi) {
    const float low = std::min(a.p, b.p), high = std::max(a.p, b.p);
    if (high <= lo || low >= hi) return false;
    const float length = b.p - a.p, ts = (b.t - a.t) / length, gs = (b.g - a.g) / length;
    auto cut = [&](SpanEnd& e) {
        const float q = std::clamp(e.p, lo, hi);
        e.t += (q - e.p) * ts;
        e.g += (q - e.p) * gs;
        e.p = q;
    };
    cut(a);
    cut(b);
    return a.p != b.p;
}

// One texture piece of an axis-aligned draw: positions x1..x2, y1..y2 (already in vertex
// space), clipped to the draw area unless it lies inside.
int EmitAxisPiece(const PieceDraw& p, float x1, float y1, float x2, float y2, bool inside) {
    SpanEnd l{x1, p.u1, p.left}, r{x2, p.u2, p.right}, t{y1, p.v1, p.top}, b{y2, p.v2, p.bottom};
    if (!inside) {
        const DrawArea& a = Draw().area;
        if (!ClipSpan(l, r, a.fx1 - 0.5f, a.fx2 - 0.5f)) return 0;
        if (!ClipSpan(t, b, a.fy1 - 0.5f, a.fy2 - 0.5f)) return 0;
    }
    const Corner c[4] = {{l.p, t.p, l.t, t.t, l.g, t.g},
                         {r.p, t.p, r.t, t.t, r.g, t.g},
                         {l.p, b.p, l.t, b.t, l.g, b.g},
                         {r.p, b.p, r.t, b.t, r.g, b.g}};
    return EmitQuad(c);
}

bool InsideArea(float x1, float y1, float x2, float y2) {
    const DrawArea& a = Draw().area;
    return std::min(x1, x2) >= a.fx1 && std::min(y1, y2) >= a.fy1 && std::max(x1, x2) <= a.fx2 &&
           std::max(y1, y2) <= a.fy2;
}

bool OutsideArea(float x1, float y1, float x2, float y2) {
    const DrawArea& a = Draw().area;
    return std::max(x1, x2) <= a.fx1 || std::max(y1, y2) <= a.fy1 || std::min(x1, x2) >= a.fx2 ||
           std::min(y1, y2) >= a.fy2;
}

// Each piece's texture is set before its vertices go in (a change draws the batch).
void UsePiece(const GraphRecord& r, const PieceDraw& p, uint32_t flags) {
    SetupGraphDrawD3D(r.images, p.piece->texture, flags);
}

uint32_t ShapeColor(uint32_t color) {
    int red, green, blue;
    DecodeColorValue(color, &red, &green, &blue);
    const uint32_t d = GetDrawDiffuseColor();
    auto mul = [&](int c, int shift) { return uint32_t(c) * ((d >> shift) & 255) / 255; };
    return (d & 0xFF000000) | mul(red, 16) << 16 | mul(green, 8) << 8 | mul(blue, 0);
}

int EmitColorVertices(const ColorVertex* v, int count, int primitive) {
    SetupGraphDrawD3D(nullptr, nullptr, kSetupVertexColor);
    auto* out = ReserveVertices(0, primitive, count);
    if (!out) return -1;
    std::memcpy(out, v, sizeof(ColorVertex) * size_t(count));
    return 0;
}

}  // namespace

int DrawGraphAtD3D(int x, int y, const GraphRecord& r, int trans, int unscaled) {
    if (!HaveDevice()) return -1;
    BeginSceneIfNeeded();
    const uint32_t flags = uint32_t(unscaled << 1 | trans);
    // The far edges in float: a graphic placed near the int limit must not wrap round.
    const float right = float(x) + float(r.width), bottom = float(y) + float(r.height);
    const bool inside = InsideArea(float(x), float(y), right, bottom);
    if (!inside && OutsideArea(float(x), float(y), right, bottom)) return 0;
    const float ox = float(x) - 0.5f, oy = float(y) - 0.5f;
    for (const PieceDraw& p : r.draws) {
        UsePiece(r, p, flags);
        if (EmitAxisPiece(p, ox + p.left, oy + p.top, ox + p.right, oy + p.bottom, inside) != 0) return -1;
    }
    return 0;
}

int DrawGraphStretchedD3D(float x1, float y1, float x2, float y2, const GraphRecord& r, int trans, int exact) {
    if (!HaveDevice()) return -1;
    if (x1 == x2 || y1 == y2) return 0;
    BeginSceneIfNeeded();
    const uint32_t flags = uint32_t((exact && Draw().filterMode != 1 ? kSetupExact : 0) | (trans ? kSetupTrans : 0));
    const bool inside = InsideArea(x1, y1, x2, y2);
    if (!inside && OutsideArea(x1, y1, x2, y2)) return 0;
    const float sx = (x2 - x1) / float(r.width), sy = (y2 - y1) / float(r.height);
    const float ox = x1 - 0.5f, oy = y1 - 0.5f;
    for (const PieceDraw& p : r.draws) {
        UsePiece(r, p, flags);
        if (EmitAxisPiece(p, ox + p.left * sx, oy + p.top * sy, ox + p.right * sx, oy + p.bottom * sy, inside) != 0)
            return -1;
    }
    return 0;
}

namespace {

bool OffGrid(float v) { return std::fabs(v - std::round(v)) > 0.00001f; }

// Angles within 4 degrees of a quarter turn (or outside one turn) may snap to pixels.
bool NearQuarterTurn(double a) {
    constexpr double kSlack = 0.06981317;
    if (a < -kSlack || a > 6.3529985) return true;
    for (int k = 0; k <= 4; ++k)
        if (std::fabs(a - k * 1.5707963267948966) <= kSlack) return true;
    return false;
}

// Half a pixel off a corner lying on a pixel centre (so edges do not sit on centres).
bool NeedsShift(float first, float below, float beside) {
    if (std::fabs(first - below) > 0.01f && std::fabs(first - beside) > 0.01f) return false;
    const float frac = std::fabs(first - std::trunc(first));
    return frac < 0.001f || frac > 0.999f;
}

}  // namespace

int DrawGraphRotatedD3D(float x, float y, double scale, double angle, const GraphRecord& r, int trans, int turn) {
    if (!HaveDevice() || scale == 0) return -1;
    BeginSceneIfNeeded();
    float hx = float(r.width) * 0.5f, hy = float(r.height) * 0.5f, cx = x, cy = y;
    const bool offGrid = OffGrid(x) || OffGrid(y);
    const bool oddW = r.width % 2 != 0, oddH = r.height % 2 != 0;
    const float cs = float(std::cos(angle)), sn = float(std::sin(angle));
    bool align = false;
    if (!offGrid && scale == 1.0) {
        if (!oddW && !oddH) {
            cx -= 0.5f, cy -= 0.5f;
        } else if (oddW && oddH) {
            align = true;
        } else {
            // The even side's pixels straddle the centre: half a pixel along the screen axis
            // that side lies on once turned, so that near a quarter turn (sides swapped) the
            // texel edges do not fall on pixel centres.
            const bool evenAlongX = !oddW != (std::fabs(sn) > std::fabs(cs));
            (evenAlongX ? cx : cy) -= 0.5f;
        }
    } else if (!offGrid) {
        cx -= 0.5f, cy -= 0.5f;
        align = true;
    }
    align = align && angle != 0 && (oddW || oddH) && NearQuarterTurn(angle);
    const bool testX = offGrid || (align && oddW), testY = offGrid || (align && oddH);
    const float s = float(scale), sxs = turn ? -s : s;
    const uint32_t flags = trans ? kSetupTrans : 0;
    for (const PieceDraw& p : r.draws) {
        UsePiece(r, p, flags);
        const float ex[2] = {(p.left - hx) * sxs, (p.right - hx) * sxs}, ey[2] = {(p.top - hy) * s, (p.bottom - hy) * s};
        const float us[2] = {p.u1, p.u2}, vs[2] = {p.v1, p.v2};
        const float gxs[2] = {p.left, p.right}, gys[2] = {p.top, p.bottom};
        Corner c[4];
        for (int i = 0; i < 4; ++i) {
            const float px = ex[i & 1], py = ey[i >> 1];
            c[i] = Corner{px * cs - py * sn + cx, px * sn + py * cs + cy, us[i & 1], vs[i >> 1], gxs[i & 1], gys[i >> 1]};
        }
        if (testX && NeedsShift(c[0].x, c[2].x, c[1].x))
            for (Corner& k : c) k.x -= 0.5f;
        if (testY && NeedsShift(c[0].y, c[2].y, c[1].y))
            for (Corner& k : c) k.y -= 0.5f;
        if (EmitQuad(c) != 0) return -1;
    }
    return 0;
}

int DrawTexturedPolygonD3D(const void* vertices, int count, int primitive, const GraphImageSet* set,
                           const PieceDraw* piece, int trans) {
    if (!HaveDevice()) return -1;
    if (count <= 0) return 0;
    BeginSceneIfNeeded();
    SetupGraphDrawD3D(set, piece ? piece->piece->texture : nullptr, (trans ? kSetupTrans : 0) | kSetupVertexColor);
    // With the device there, only a polygon of more vertices than one batch holds fails.
    if (EmitPolygon(vertices, count, primitive, piece) == 0) return 0;
    return AddLogFormat("頂点 %d 個は一度に描画できません in DrawGraphPolygon", count);
}

int DrawFilledBoxD3D(int x1, int y1, int x2, int y2, uint32_t color) {
    if (!HaveDevice()) return -1;
    const DrawArea& a = Draw().area;
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    x1 = std::max(x1, a.x1), y1 = std::max(y1, a.y1), x2 = std::min(x2, a.x2), y2 = std::min(y2, a.y2);
    if (x1 >= x2 || y1 >= y2) return 0;
    BeginSceneIfNeeded();
    const uint32_t c = ShapeColor(color);
    const float z = Draw().depth2D, l = float(x1), t = float(y1), rr = float(x2), b = float(y2);
    const ColorVertex v[6] = {{l, t, z, 1, c}, {rr, t, z, 1, c}, {l, b, z, 1, c},
                              {rr, b, z, 1, c}, {l, b, z, 1, c}, {rr, t, z, 1, c}};
    return EmitColorVertices(v, 6, D3DPT_TRIANGLELIST);
}

int DrawLineBoxD3D(int x1, int y1, int x2, int y2, uint32_t color) {
    if (!HaveDevice()) return -1;
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (x1 == x2 || y1 == y2) return 0;
    BeginSceneIfNeeded();
    const uint32_t c = ShapeColor(color);
    const float z = Draw().depth2D;
    // Top, bottom, left and right strips inside the box, one pixel wide.
    const float strips[4][4] = {{float(x1), float(y1), float(x2), float(y1 + 1)},
                                {float(x1), float(y2 - 1), float(x2), float(y2)},
                                {float(x1), float(y1 + 1), float(x1 + 1), float(y2 - 1)},
                                {float(x2 - 1), float(y1 + 1), float(x2), float(y2 - 1)}};
    ColorVertex v[24];
    for (int i = 0; i < 4; ++i) {
        const float l = strips[i][0], t = strips[i][1], r = strips[i][2], b = strips[i][3];
        const ColorVertex q[6] = {{l, t, z, 1, c}, {r, t, z, 1, c}, {l, b, z, 1, c},
                                  {r, b, z, 1, c}, {l, b, z, 1, c}, {r, t, z, 1, c}};
        std::copy(q, q + 6, v + i * 6);
    }
    return EmitColorVertices(v, 24, D3DPT_TRIANGLELIST);
}

int DrawLineD3D(int x1, int y1, int x2, int y2, uint32_t color) {
    if (!HaveDevice()) return -1;
    if (x1 == x2 && y1 == y2) return 0;
    BeginSceneIfNeeded();
    float ex = float(x2), ey = float(y2);
    // The end point is pulled a little towards the start so its pixel is left out.
    if (x1 == x2) ey += y1 < y2 ? -0.1f : 0.1f;
    if (y1 == y2) ex += x1 < x2 ? -0.1f : 0.1f;
    const uint32_t c = ShapeColor(color);
    const float z = Draw().depth2D;
    const ColorVertex v[2] = {{float(x1), float(y1), z, 1, c}, {ex, ey, z, 1, c}};
    return EmitColorVertices(v, 2, D3DPT_LINELIST);
}

int ClearDrawTargetD3D(const int* rect) {
    GraphicsState& g = Graphics();
    if (!g.dev.device) return -1;
    FlushVertexBatch();
    EndSceneIfBegun();
    const DrawSettings& ds = Draw();
    SetViewportRect(0, 0, ds.targetWidth, ds.targetHeight);
    const D3DCOLOR color = D3DCOLOR(g.background[0]) << 16 | D3DCOLOR(g.background[1]) << 8 | g.background[2];
    // The rectangle is the target's, cut to it before it is moved to the target's place.
    const TargetOrigin o = CurrentTargetOrigin();
    auto across = [&](int v) { return std::clamp(v, 0, ds.targetWidth) + o.x; };
    auto down = [&](int v) { return std::clamp(v, 0, ds.targetHeight) + o.y; };
    D3DRECT r{};
    if (rect) r = D3DRECT{across(rect[0]), down(rect[1]), across(rect[2]), down(rect[3])};
    bool depth = false;
    TargetSurface(ds.drawTarget, &depth);
    DWORD flags = D3DCLEAR_TARGET | (depth && g.dev.zSurface ? D3DCLEAR_ZBUFFER : 0);
    g.dev.device->Clear(rect ? 1 : 0, rect ? &r : nullptr, flags, color, 1.0f, 0);
    if (!ds.area.empty) ApplyDrawAreaToDevice();
    return 0;
}

}  // namespace orvik
