#include "host/d3d9/vertex/surface_patch_vertices.h"

#include "host/d3d9/vertex/npatch.h"
#include "host/d3d9/vertex/vertex_element.h"

namespace host {

void SurfacePatchVertices::AddRect(const RectGrid& grid, int columns, int rows) {
    const uint32_t first = VertexCount();
    for (int j = 0; j <= rows; ++j) {
        const float v = float(j) / float(rows);
        const BasisWeights down = BasisAt(grid.basis, grid.degree, grid.height, v);
        for (int i = 0; i <= columns; ++i) {
            const float u = float(i) / float(columns);
            WriteVertex(grid, BasisAt(grid.basis, grid.degree, grid.width, u), down, u, v);
        }
    }
    AddGridTriangles(first, columns, rows);
}

void SurfacePatchVertices::WriteVertex(const RectGrid& grid, const BasisWeights& across, const BasisWeights& down,
                                       float u, float v) {
    float* out = NewVertex();
    for (const Part& part : parts_) {
        // The part's surface at (u, v) and its partial derivatives.
        Vec4 value, du, dv;
        for (int b = 0; part.kind != Kind::UV && b < down.count; ++b)
            for (int a = 0; a < across.count; ++a) {
                const UINT vertex = grid.first + UINT(down.point[size_t(b)]) * grid.stride + UINT(across.point[size_t(a)]);
                const Vec4 c =
                    ReadDeclElement(part.source.Type, streams_.Vertex(part.source.Stream, vertex) + part.source.Offset);
                const float w = across.weight[size_t(a)] * down.weight[size_t(b)];
                const float wu = across.slope[size_t(a)] * down.weight[size_t(b)];
                const float wv = across.weight[size_t(a)] * down.slope[size_t(b)];
                for (int k = 0; k < 4; ++k) value[k] += w * c[k], du[k] += wu * c[k], dv[k] += wv * c[k];
            }
        switch (part.kind) {
            case Kind::PartialU: value = du; break;
            case Kind::PartialV: value = dv; break;
            case Kind::CrossUV: {
                const Vec3 cross = Cross({du[0], du[1], du[2]}, {dv[0], dv[1], dv[2]});
                value = {{cross[0], cross[1], cross[2], 0.0f}};
                break;
            }
            case Kind::UV: value = {{u, v, 0.0f, 0.0f}}; break;
            default: break;
        }
        for (int k = 0; k < part.components; ++k) *out++ = value[k];
    }
}

}  // namespace host
