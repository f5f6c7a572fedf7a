// Points bigger than a pixel, and point sprites: a square centred on the point, drawn as
// two clockwise triangles that share its diagonal.
#include <array>

#include "host/d3d9/raster/raster.h"
#include "host/d3d9/raster/raster_shader.h"

namespace host {
namespace {

// The square's corners, top left, top right, bottom left, bottom right: `v` moved by
// (dx, dy) with sprite coordinates (u, v) by `place`.
template <class V, class Place>
std::array<V, 4> SquareCorners(const V& v, float size, Place place) {
    const float h = size * 0.5f;
    std::array<V, 4> c = {v, v, v, v};
    place(c[0], -h, -h, 0.0f, 0.0f);
    place(c[1], h, -h, 1.0f, 0.0f);
    place(c[2], -h, h, 0.0f, 1.0f);
    place(c[3], h, h, 1.0f, 1.0f);
    return c;
}

}  // namespace

const DrawState& PointSquareState(const DrawState& st) {
    if (st.cullMode != D3DCULL_CW && st.fillMode == D3DFILL_SOLID) return st;
    static thread_local DrawState squares;
    squares = st;
    squares.cullMode = D3DCULL_NONE;
    squares.fillMode = D3DFILL_SOLID;
    return squares;
}

void RasterPointSquare(const DrawState& st, const ScreenVertex& v, float size, bool sprite) {
    const auto c = SquareCorners(v, size, [&](ScreenVertex& p, float dx, float dy, float u, float w) {
        p.x += dx;
        p.y += dy;
        if (!sprite) return;
        for (int s = 0; s < kMaxTexCoordSets; ++s) {
            p.tc[s][0] = u;
            p.tc[s][1] = w;
            p.tq[s] = 1;
        }
    });
    RasterTriangle(st, c[0], c[1], c[2], v);
    RasterTriangle(st, c[2], c[1], c[3], v);
}

void RasterShaderPointSquare(const DrawState& st, const PixelProgram& pp, const ShadedVertex& v, float size,
                             uint32_t spriteSlots) {
    const auto c = SquareCorners(v, size, [&](ShadedVertex& p, float dx, float dy, float u, float w) {
        p.pos[0] += dx;
        p.pos[1] += dy;
        for (int k = 0; k < kVaryings; ++k)
            if (spriteSlots >> k & 1) p.attr[k] = Vec4{{u, w, 0, 1}};
    });
    RasterShaderTriangle(st, pp, c[0], c[1], c[2], v);
    RasterShaderTriangle(st, pp, c[2], c[1], c[3], v);
}

}  // namespace host
