#include "engine/graphics/draw_d3d.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/graphics/color_data.h"
#include "engine/graphics/draw_functions.h"
#include "engine/graphics/draw_settings.h"
#include "engine/graphics/graph_handles.h"
#include "engine/graphics/graphics_system.h"
#include "engine/graphics/state_cache.h"
#include "engine/graphics/vertex_batch.h"
#include "host/d3d9/device.h"

namespace orvik {

using namespace host;

namespace {

struct TexVertex {
    float x, y, z, rhw;
    uint32_t color;
    float u, v;
};
static_assert(sizeof(TexVertex) == 28);

struct ColorVertex {
    float x, y, z, rhw;
    uint32_t color;
};
static_assert(sizeof(ColorVertex) == 20);

// A corner of a textured quadrangle.
struct Corner {
    float x, y, u, v;
};

bool HaveDevice() { return Graphics().dev.device != nullptr; }

// Lists append to what is pending; a strip or fan must start a batch of its own, or it
// would be joined to the one before it.
uint8_t* Reserve(int subFormat, int primitive, int count) {
    const bool list = primitive == D3DPT_TRIANGLELIST || primitive == D3DPT_LINELIST || primitive == D3DPT_POINTLIST;
    if (!list) FlushVertexBatch();
    return ReserveBatchVertices(0, subFormat, primitive, uint32_t(count));
}

// Top-left, top-right, bottom-left, bottom-right become two triangles.
int EmitQuad(const Corner (&c)[4]) {
    auto* out = reinterpret_cast<TexVertex*>(Reserve(1, D3DPT_TRIANGLELIST, 6));
    if (!out) return -1;
    const float z = Draw().depth2D;
    const uint32_t color = GetDrawDiffuseColor();
    static constexpr int kOrder[6] = {0, 1, 2, 3, 2, 1};
    for (int i = 0; i < 6; ++i) {
        const Corner& k = c[kOrder[i]];
        out[i] = TexVertex{k.x, k.y, z, 1.0f, color, k.u, k.v};
    }
    return 0;
}

// Cuts the span a..b (positions, with texture coordinates ta..tb) to lo..hi; false when
// nothing is left. Works for mirrored spans (a > b) too.
bool ClipSpan(float& a, float& b, float& ta, float& tb, float lo, float hi) {
    const float low = std::min(a, b), high = std::max(a, b);
    if (high <= lo || low >= hi) return false;
    const float scale = (tb - ta) / (b - a);
    auto cut = [&](float& p, float& t) {
        const float q = std::clamp(p, lo, hi);
        t += (q - p) * scale;
        p = q;
    };
    cut(a, ta);
    cut(b, tb);
    return a != b;
}

// One texture piece of an axis-aligned draw: positions x1..x2, y1..y2 (already in vertex
// space), clipped to the draw area unless it lies inside.
int EmitAxisPiece(const PieceDraw& p, float x1, float y1, float x2, float y2, bool inside) {
    float u1 = p.u1, u2 = p.u2, v1 = p.v1, v2 = p.v2;
    if (!inside) {
        const DrawArea& a = Draw().area;
        if (!ClipSpan(x1, x2, u1, u2, a.fx1 - 0.5f, a.fx2 - 0.5f)) return 0;
        if (!ClipSpan(y1, y2, v1, v2, a.fy1 - 0.5f, a.fy2 - 0.5f)) return 0;
    }
    const Corner c[4] = {{x1, y1, u1, v1}, {x2, y1, u2, v1}, {x1, y2, u1, v2}, {x2, y2, u2, v2}};
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
    auto* out = Reserve(0, primitive, count);
    if (!out) return -1;
    std::memcpy(out, v, sizeof(ColorVertex) * size_t(count));
    return 0;
}

}  // namespace

void SetupGraphDrawD3D(const GraphImageSet* set, Texture* texture, uint32_t flags) {
    const DrawSettings& ds = Draw();
    int mode = ds.blendMode;
    int func = D3DCMP_ALWAYS;
    const bool trans = (flags & kSetupTrans) && texture && set && (set->alpha || set->colorKey);
    if (trans) {
        const bool test = (mode == 0 || mode == 8) && ((flags & kSetupExact) || ds.filterMode != 1);
        if (test) func = D3DCMP_GREATER;
        else if (mode == 0) mode = 1;  // alpha blending at full strength
    }
    SetZEnableCached(0);
    SetZWriteEnableCached(0);
    SetDrawTextureCached(texture);
    SetDrawBlendModeCached(mode, mode == ds.blendMode ? ds.blendParam : 255);
    SetAlphaTestCached(func, 0);
    const DeviceStateCache& c = StateCache();
    if (c.textureChanged || c.setupChanged) SetupDrawDeviceState();
}

int DrawGraphAtD3D(int x, int y, const GraphRecord& r, int trans, int unscaled) {
    if (!HaveDevice()) return -1;
    BeginSceneIfNeeded();
    const uint32_t flags = uint32_t(unscaled << 1 | trans);
    const bool inside = InsideArea(float(x), float(y), float(x + r.width), float(y + r.height));
    if (!inside && OutsideArea(float(x), float(y), float(x + r.width), float(y + r.height))) return 0;
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
    bool align = false;
    if (!offGrid && scale == 1.0) {
        if (!oddW && !oddH) {
            cx -= 0.5f, cy -= 0.5f;
        } else if (oddW && oddH) {
            align = true;
        } else if (!oddW) {
            cx -= 0.5f;  // the even side's pixels straddle the centre
        } else {
            cy -= 0.5f;
        }
    } else if (!offGrid) {
        cx -= 0.5f, cy -= 0.5f;
        align = true;
    }
    align = align && angle != 0 && (oddW || oddH) && NearQuarterTurn(angle);
    const bool testX = offGrid || (align && oddW), testY = offGrid || (align && oddH);
    const float s = float(scale), sxs = turn ? -s : s;
    const float cs = float(std::cos(angle)), sn = float(std::sin(angle));
    const uint32_t flags = trans ? kSetupTrans : 0;
    for (const PieceDraw& p : r.draws) {
        UsePiece(r, p, flags);
        const float ex[2] = {(p.left - hx) * sxs, (p.right - hx) * sxs}, ey[2] = {(p.top - hy) * s, (p.bottom - hy) * s};
        const float us[2] = {p.u1, p.u2}, vs[2] = {p.v1, p.v2};
        Corner c[4];
        for (int i = 0; i < 4; ++i) {
            const float px = ex[i & 1], py = ey[i >> 1];
            c[i] = Corner{px * cs - py * sn + cx, px * sn + py * cs + cy, us[i & 1], vs[i >> 1]};
        }
        if (testX && NeedsShift(c[0].x, c[2].x, c[1].x))
            for (Corner& k : c) k.x -= 0.5f;
        if (testY && NeedsShift(c[0].y, c[2].y, c[1].y))
            for (Corner& k : c) k.y -= 0.5f;
        if (EmitQuad(c) != 0) return -1;
    }
    return 0;
}

int DrawGraphQuadD3D(const float (&corners)[4][2], const GraphRecord& r, int trans) {
    if (!HaveDevice()) return -1;
    BeginSceneIfNeeded();
    // A point of the graphic at fractions (s, t) lands between the four corners (top-left,
    // top-right, bottom-left, bottom-right); pieces share their edges, so no seams.
    auto at = [&](float s, float t, int axis) {
        const float top = corners[0][axis] + (corners[1][axis] - corners[0][axis]) * s;
        const float bottom = corners[2][axis] + (corners[3][axis] - corners[2][axis]) * s;
        return top + (bottom - top) * t - 0.5f;
    };
    const float w = float(r.width), h = float(r.height);
    for (const PieceDraw& p : r.draws) {
        UsePiece(r, p, trans ? kSetupTrans : 0);
        const float xs[2] = {p.left / w, p.right / w}, ys[2] = {p.top / h, p.bottom / h};
        const float us[2] = {p.u1, p.u2}, vs[2] = {p.v1, p.v2};
        Corner c[4];
        for (int i = 0; i < 4; ++i)
            c[i] = Corner{at(xs[i & 1], ys[i >> 1], 0), at(xs[i & 1], ys[i >> 1], 1), us[i & 1], vs[i >> 1]};
        if (EmitQuad(c) != 0) return -1;
    }
    return 0;
}

int DrawTexturedPolygonD3D(const void* vertices, int count, int primitive, const GraphImageSet* set,
                           host::Texture* texture, int trans) {
    if (!HaveDevice()) return -1;
    if (count <= 0) return 0;
    BeginSceneIfNeeded();
    SetupGraphDrawD3D(set, texture, (trans ? kSetupTrans : 0) | kSetupVertexColor);
    auto* out = Reserve(1, primitive, count);
    if (!out) return -1;
    std::memcpy(out, vertices, sizeof(TexVertex) * size_t(count));
    return 0;
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
    D3DRECT r{};
    if (rect) r = D3DRECT{rect[0], rect[1], rect[2], rect[3]};
    // A graphic target larger than the screen renders without the depth buffer.
    const bool depth = g.dev.zSurface && (ds.drawTarget < 0 || (ds.targetWidth <= g.screen.width && ds.targetHeight <= g.screen.height));
    DWORD flags = D3DCLEAR_TARGET | (depth ? D3DCLEAR_ZBUFFER : 0);
    g.dev.device->Clear(rect ? 1 : 0, rect ? &r : nullptr, flags, color, 1.0f, 0);
    const DrawArea& a = ds.area;
    if (!a.empty) SetViewportRect(a.x1, a.y1, a.x2 - a.x1, a.y2 - a.y1);
    return 0;
}

}  // namespace orvik
