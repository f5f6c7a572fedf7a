// The public drawing functions: argument checks and the common prologue, then the device
// back end for textured graphics (and for shapes on the device path) or the software one.
#include "engine/graphics/draw/draw_functions.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/graphics/draw/color_data.h"
#include "engine/graphics/draw/draw_bounds.h"
#include "engine/graphics/draw/draw_d3d.h"
#include "engine/graphics/draw/quad_d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/handles/graph_soft.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/mask/mask_screen.h"
#include "engine/graphics/handles/shown_texels.h"
#include "engine/platform/startup/library.h"
#include "engine/platform/base/log.h"
#include "engine/platform/window/message_pump.h"
#include "engine/sound/movies/movie.h"
#include "engine/softrender/pipeline/memimg_write.h"

namespace orvik {

namespace {

// Checks shared by every graphic draw; the draw runs only when they pass. An empty draw
// area draws nothing and is no failure.
template <class Bounds, class Work>
int GraphDraw(int32_t handle, Bounds bounds, Work work) {
    if (!Graphics().up) return -1;
    if (Draw().area.empty) return 0;
    GraphRecord* r = GetGraphRecord(handle);
    if (!r || !r->images) return -1;
    if (Draw().blendMaskGraph != -1 && IsBlendMaskTooSmall(*r) != 0) return -1;
    WaitForActiveWindow();
    // A graphic fed by a movie takes the movie's new frame first.
    if (r->movie != -1) UpdateMovie(r->movie);
    const bool textured = r->images->textured != 0;
    auto box = [&] { return bounds(*r); };
    return WithMaskedDraw(box, [&] { return WithSubtractEmulation(textured, box, [&] { return work(*r, textured); }); });
}

template <class Work>
int ShapeDraw(DrawBounds bounds, Work work) {
    if (!Graphics().up) return -1;
    if (Draw().area.empty) return 0;
    WaitForActiveWindow();
    const bool device = Graphics().direct3DMode != 0;
    auto box = [&] { return bounds; };
    return WithMaskedDraw(box, [&] { return WithSubtractEmulation(device, box, [&] { return work(device); }); });
}

}  // namespace

int ClearDrawTarget(const ClearRect* rect) {
    GraphicsState& g = Graphics();
    if (!g.up) return -1;
    if (rect && (rect->x1 < 0 || rect->y1 < 0)) rect = nullptr;
    const int* r = rect ? &rect->x1 : nullptr;
    // The target itself is cleared, also while draws go through the mask screen.
    return WithMaskScreenPaused([&] {
        if (g.direct3DMode) {
            ClearDrawTargetD3D(r);
            return 0;
        }
        MEMIMG* target = Draw().softTarget;
        if (!target || !target->store || !target->store->colorFormat) return 0;
        const uint32_t value = GetColorInBaseImageFormat(*target->store->colorFormat, g.background[0], g.background[1],
                                                         g.background[2], 255);
        PaintMemImgRect(target, r, value);
        return 0;
    });
}

int DrawGraphAt(int x, int y, int32_t handle, int trans) {
    auto bounds = [&](GraphRecord& r) {
        const DrawBounds whole{x, y, SaturatedInt(int64_t{x} + r.width), SaturatedInt(int64_t{y} + r.height)};
        return r.images->textured ? UprightDrawBounds(r, x, y, trans, whole) : whole;
    };
    return GraphDraw(handle, bounds, [&](GraphRecord& r, bool textured) {
        return textured ? DrawGraphAtD3D(x, y, r, trans, 1) : DrawGraphMemImg(x, y, r, trans);
    });
}

int DrawGraphStretched(int x1, int y1, int x2, int y2, int32_t handle, int trans) {
    auto bounds = [&](const GraphRecord&) { return OrderedBounds(x1, y1, x2, y2); };
    return GraphDraw(handle, bounds, [&](GraphRecord& r, bool textured) {
        return textured ? DrawGraphStretchedD3D(float(x1), float(y1), float(x2), float(y2), r, trans, 1)
                        : DrawGraphStretchedMemImg(x1, y1, x2, y2, r, trans);
    });
}

int DrawGraphStretchedF(float x1, float y1, float x2, float y2, int32_t handle, int trans) {
    auto bounds = [&](const GraphRecord&) { return OrderedBounds(TruncToInt(x1), TruncToInt(y1), TruncToInt(x2), TruncToInt(y2)); };
    return GraphDraw(handle, bounds, [&](GraphRecord& r, bool textured) {
        return textured ? DrawGraphStretchedD3D(x1, y1, x2, y2, r, trans, 0)
                        : DrawGraphStretchedMemImg(TruncToInt(x1), TruncToInt(y1), TruncToInt(x2), TruncToInt(y2), r, trans);
    });
}

int DrawGraphRotated(int x, int y, double scale, double angle, int32_t handle, int trans, int turn) {
    return DrawGraphRotatedCore(float(x), float(y), scale, angle, handle, trans, turn);
}

int DrawGraphRotatedCore(float x, float y, double scale, double angle, int32_t handle, int trans, int turn) {
    auto bounds = [&](const GraphRecord& r) { return RotatedBounds(x, y, scale, angle, r.width, r.height); };
    return GraphDraw(handle, bounds, [&](GraphRecord& r, bool textured) {
        return textured ? DrawGraphRotatedD3D(x, y, scale, angle, r, trans, turn)
                        : DrawGraphRotatedMemImg(x, y, scale, angle, r, trans, turn);
    });
}

int DrawGraphMirrored(int x, int y, int32_t handle, int trans) {
    const GraphRecord* r = GetGraphRecord(handle);
    if (!r) return -1;
    return DrawGraphStretched(SaturatedInt(int64_t{x} + r->width), y, x, SaturatedInt(int64_t{y} + r->height), handle, trans);
}

int DrawGraphRegion(int x, int y, int sourceX, int sourceY, int width, int height, int32_t handle, int trans,
                    int turn) {
    const GraphRecord* r = GetGraphRecord(handle);
    if (!r) return -1;
    // Only the stored area narrows; the device keeps its viewport, the vertices are cut.
    DrawArea& a = Draw().area;
    const DrawArea saved = a;
    a.x1 = std::max(a.x1, x), a.y1 = std::max(a.y1, y);
    a.x2 = std::min(a.x2, SaturatedInt(int64_t{x} + width)), a.y2 = std::min(a.y2, SaturatedInt(int64_t{y} + height));
    a.fx1 = float(a.x1), a.fy1 = float(a.y1), a.fx2 = float(a.x2), a.fy2 = float(a.y2);
    a.empty = a.x1 >= a.x2 || a.y1 >= a.y2 ? 1 : 0;
    const int top = SaturatedInt(int64_t{y} - sourceY);
    const int result = turn ? DrawGraphMirrored(SaturatedInt(int64_t{x} - r->width + sourceX + width), top, handle, trans)
                            : DrawGraphAt(SaturatedInt(int64_t{x} - sourceX), top, handle, trans);
    a = saved;
    return result;
}

int DrawGraphRectStretchedF(float x1, float y1, float x2, float y2, int sourceX, int sourceY, int width, int height,
                            int32_t handle, int trans) {
    if (!GetGraphRecord(handle)) return -1;
    // A part that cannot be derived (a rectangle without area or outside the graphic)
    // draws nothing, and the call still succeeds: the text layer's scaled glyphs draw on.
    const int32_t part = DeriveGraph(sourceX, sourceY, width, height, handle);
    if (part < 0) return 0;
    const int result = DrawGraphStretchedF(x1, y1, x2, y2, part, trans);
    DeleteGraphHandle(part);
    return result;
}

int DrawGraphQuad(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int32_t handle,
                  int trans) {
    const float corners[4][2] = {{x1, y1}, {x2, y2}, {x4, y4}, {x3, y3}};
    auto bounds = [&](const GraphRecord&) {
        const float cut[4][2] = {{std::trunc(x1), std::trunc(y1)}, {std::trunc(x2), std::trunc(y2)},
                                 {std::trunc(x3), std::trunc(y3)}, {std::trunc(x4), std::trunc(y4)}};
        return PointsBounds(cut, 4, 0.0f);
    };
    return GraphDraw(handle, bounds, [&](GraphRecord& r, bool textured) {
        return textured ? DrawGraphQuadD3D(corners, r, trans) : DrawGraphQuadMemImg(corners, r, trans);
    });
}

namespace {

struct PolygonWork {
    float x, y, z, rhw;
    uint32_t color;
    float u, v;
};

uint32_t PolygonColor(uint32_t c) {
    const DrawSettings& ds = Draw();
    if (ds.bright == 0xFFFFFF && (ds.blendMode == 0 || ds.blendParam == 255)) return c;
    const uint32_t alpha = ds.blendMode == 0 ? 255u : uint32_t(ds.blendParam);
    auto mul = [](uint32_t a, uint32_t b) { return a * b / 255; };
    return mul(c >> 24, alpha) << 24 | mul(c >> 16 & 255, ds.bright >> 16 & 255) << 16 |
           mul(c >> 8 & 255, ds.bright >> 8 & 255) << 8 | mul(c & 255, ds.bright & 255);
}

}  // namespace

int DrawGraphPolygon(const PolygonVertex* vertices, int count, int primitive, int32_t handle, int trans, int map) {
    if (!Graphics().up) return -1;
    if (!vertices || count <= 0 || primitive < 1 || primitive > 6) return AddLogText("頂点データが不正です in DrawGraphPolygon\n");
    if (Draw().area.empty) return 0;
    const GraphRecord* r = handle == kNoGraph ? nullptr : GetGraphRecord(handle);
    if (handle != kNoGraph && (!r || !r->images)) return -1;
    if (r && Draw().blendMaskGraph != -1 && IsBlendMaskTooSmall(*r) != 0) return -1;
    WaitForActiveWindow();
    if (r && r->movie != -1) UpdateMovie(r->movie);
    if (!Graphics().direct3DMode || (r && !r->images->textured)) return 0;
    const PieceDraw* piece = r && !r->draws.empty() ? &r->draws[0] : nullptr;
    // A graphic filling its one texture needs no mapping.
    if (piece && r->draws.size() == 1 && piece->piece->texWidth == r->width && piece->piece->texHeight == r->height)
        map = 0;
    std::vector<PolygonWork> work(static_cast<size_t>(count));
    const float z = Draw().depth2D;
    for (int i = 0; i < count; ++i) {
        const PolygonVertex& v = vertices[i];
        float u = v.u, w = v.v;
        if (map && piece) u = piece->u1 + u * (piece->u2 - piece->u1), w = piece->v1 + w * (piece->v2 - piece->v1);
        work[size_t(i)] = PolygonWork{v.x, v.y, z, 1.0f, PolygonColor(v.color), u, w};
    }
    auto bounds = [&] {
        std::vector<float[2]> points(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) points[size_t(i)][0] = vertices[i].x, points[size_t(i)][1] = vertices[i].y;
        return PointsBounds(points.data(), count, 1.0f);
    };
    return WithMaskedDraw(bounds, [&] {
        return WithSubtractEmulation(true, bounds, [&] {
            return DrawTexturedPolygonD3D(work.data(), count, primitive, r ? r->images : nullptr, piece, trans);
        });
    });
}

int DrawFilledBox(int x1, int y1, int x2, int y2, uint32_t color) {
    return ShapeDraw(OrderedBounds(x1, y1, x2, y2), [&](bool device) {
        return device ? DrawFilledBoxD3D(x1, y1, x2, y2, color) : DrawBoxMemImg(x1, y1, x2, y2, color);
    });
}

int DrawLineBox(int x1, int y1, int x2, int y2, uint32_t color) {
    return ShapeDraw(OrderedBounds(x1, y1, x2, y2), [&](bool device) {
        return device ? DrawLineBoxD3D(x1, y1, x2, y2, color) : DrawLineBoxMemImg(x1, y1, x2, y2, color);
    });
}

int DrawRectangle(int x1, int y1, int x2, int y2, uint32_t color, int fill) {
    return fill ? DrawFilledBox(x1, y1, x2, y2, color) : DrawLineBox(x1, y1, x2, y2, color);
}

int DrawColorLine(int x1, int y1, int x2, int y2, uint32_t color, int thickness) {
    if (thickness > 1) return DrawThickLine(x1, y1, x2, y2, thickness, color);
    return ShapeDraw(WidenedByOne(OrderedBounds(x1, y1, x2, y2)), [&](bool device) {
        return device ? DrawLineD3D(x1, y1, x2, y2, color) : DrawLineMemImg(x1, y1, x2, y2, color);
    });
}

int DrawThickLine(int x1, int y1, int x2, int y2, int thickness, uint32_t color) {
    const float dx = float(int64_t{x2} - x1), dy = float(int64_t{y2} - y1), length = std::sqrt(dx * dx + dy * dy);
    if (length == 0 || !Graphics().up) return 0;
    const float ox = dy / length * float(thickness) / 2, oy = -dx / length * float(thickness) / 2;
    if (!Graphics().direct3DMode) {
        const float exact[4][2] = {{float(x1) + ox, float(y1) + oy},
                                   {float(x2) + ox, float(y2) + oy},
                                   {float(x1) - ox, float(y1) - oy},
                                   {float(x2) - ox, float(y2) - oy}};
        int32_t corners[4][2];
        for (int i = 0; i < 4; ++i) corners[i][0] = TruncToInt(exact[i][0]), corners[i][1] = TruncToInt(exact[i][1]);
        // The quadrangle's box, one pixel wider, so a masked draw puts all of it back.
        return ShapeDraw(PointsBounds(exact, 4, 1.0f), [&](bool) {
            DrawPolygonMemImg(corners, color);
            return 0;
        });
    }
    int red, green, blue;
    DecodeColorValue(color, &red, &green, &blue);
    const uint32_t c = 0xFF000000u | uint32_t(red) << 16 | uint32_t(green) << 8 | uint32_t(blue);
    const PolygonVertex v[4] = {{float(x1) + ox, float(y1) + oy, 0, 0, c},
                                {float(x2) + ox, float(y2) + oy, 0, 0, c},
                                {float(x1) - ox, float(y1) - oy, 0, 0, c},
                                {float(x2) - ox, float(y2) - oy, 0, 0, c}};
    DrawGraphPolygon(v, 4, 5, kNoGraph, 0, 0);
    return 0;
}

}  // namespace orvik
