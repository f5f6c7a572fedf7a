#include "engine/graphics/draw/draw_vertices.h"

#include <cstring>
#include <vector>

#include "engine/graphics/draw/draw_functions.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/vertex_batch.h"
#include "host/d3d9/device/d3d9_types.h"

namespace orvik {

namespace {

struct TexVertex {
    float x, y, z, rhw;
    uint32_t color;
    float u, v;
};
static_assert(sizeof(TexVertex) == 28);

struct MaskVertex {
    float x, y, z, rhw;
    uint32_t color, specular;
    float u, v, u2, v2;
};
static_assert(sizeof(MaskVertex) == 40);

bool Masked() { return StateCache().maskedDraw != 0; }

TexVertex OneTexture(const Corner& k, float z, uint32_t color) { return TexVertex{k.x, k.y, z, 1.0f, color, k.u, k.v}; }

// The mask is addressed by the vertex's place in the graphic plus the mask offset.
MaskVertex TwoTextures(const Corner& k, float z, uint32_t color) {
    const DrawSettings& ds = Draw();
    const float mu = (float(ds.blendMaskOffsetX) + k.gx) * ds.blendMaskInvWidth;
    const float mv = (float(ds.blendMaskOffsetY) + k.gy) * ds.blendMaskInvHeight;
    return MaskVertex{k.x, k.y, z, 1.0f, color, 0xFFFFFFFFu, k.u, k.v, mu, mv};
}

template <class Vertex, class Make>
int Write(const Corner* corners, const int* order, int count, int subFormat, Make make) {
    auto* out = reinterpret_cast<Vertex*>(ReserveVertices(subFormat, host::D3DPT_TRIANGLELIST, count));
    if (!out) return -1;
    const float z = Draw().depth2D;
    const uint32_t color = GetDrawDiffuseColor();
    for (int i = 0; i < count; ++i) out[i] = make(corners[order[i]], z, color);
    return 0;
}

template <class Vertex, class Make>
int Grid(const Corner* grid, int columns, int rows, int subFormat, Make make) {
    std::vector<Vertex> vertices(size_t(columns) * size_t(rows));
    const float z = Draw().depth2D;
    const uint32_t color = GetDrawDiffuseColor();
    for (size_t i = 0; i < vertices.size(); ++i) vertices[i] = make(grid[i], z, color);
    return DrawIndexedBatch(columns, vertices.data(), rows, subFormat);
}

}  // namespace

uint8_t* ReserveVertices(int subFormat, int primitive, int count) {
    using namespace host;
    const bool list = primitive == D3DPT_TRIANGLELIST || primitive == D3DPT_LINELIST || primitive == D3DPT_POINTLIST;
    if (!list) FlushVertexBatch();
    return ReserveBatchVertices(0, subFormat, primitive, uint32_t(count));
}

int EmitTriangles(const Corner* corners, const int* order, int count) {
    return Masked() ? Write<MaskVertex>(corners, order, count, 2, TwoTextures)
                    : Write<TexVertex>(corners, order, count, 1, OneTexture);
}

int EmitQuad(const Corner (&c)[4]) {
    static constexpr int kOrder[6] = {0, 1, 2, 3, 2, 1};
    return EmitTriangles(c, kOrder, 6);
}

int EmitPolygon(const void* vertices, int count, int primitive, const PieceDraw* piece) {
    const auto* in = static_cast<const TexVertex*>(vertices);
    if (!Masked() || !piece) {
        uint8_t* out = ReserveVertices(1, primitive, count);
        if (!out) return -1;
        std::memcpy(out, in, sizeof(TexVertex) * size_t(count));
        return 0;
    }
    auto* out = reinterpret_cast<MaskVertex*>(ReserveVertices(2, primitive, count));
    if (!out) return -1;
    const float tw = float(piece->piece->texWidth), th = float(piece->piece->texHeight);
    for (int i = 0; i < count; ++i) {
        const TexVertex& v = in[i];
        const Corner k{v.x, v.y, v.u, v.v, piece->left + (v.u - piece->u1) * tw, piece->top + (v.v - piece->v1) * th};
        out[i] = TwoTextures(k, v.z, v.color);
    }
    return 0;
}

int EmitGrid(const Corner* grid, int columns, int rows) {
    return Masked() ? Grid<MaskVertex>(grid, columns, rows, 2, TwoTextures)
                    : Grid<TexVertex>(grid, columns, rows, 1, OneTexture);
}

}  // namespace orvik
