#include "host/d3d9/vertex/surface_patch_vertices.h"

#include "host/d3d9/vertex/npatch.h"
#include "host/d3d9/vertex/vertex_element.h"

namespace host {

template <class TermsAt>
void SurfacePatchVertices::AddMesh(const PatchMesh& mesh, TermsAt termsAt) {
    const uint32_t first = VertexCount();
    std::array<Term, kMaxTerms> terms;
    for (const auto& [u, v] : mesh.points) WriteVertex(std::span(terms.data(), termsAt(u, v, terms.data())), u, v);
    for (const uint32_t i : mesh.indices) indices_.push_back(first + i);
}

void SurfacePatchVertices::AddRect(const RectGrid& grid, const std::array<float, 4>& edges, EdgeStyle style) {
    AddMesh(RectPatchMesh(edges, style), [&](float u, float v, Term* terms) {
        const BasisWeights across = BasisAt(grid.basis, grid.degree, grid.width, u);
        const BasisWeights down = BasisAt(grid.basis, grid.degree, grid.height, v);
        size_t count = 0;
        for (size_t b = 0; b < size_t(down.count); ++b)
            for (size_t a = 0; a < size_t(across.count); ++a)
                terms[count++] = {grid.first + UINT(down.point[b]) * grid.stride + UINT(across.point[a]),
                                  across.weight[a] * down.weight[b], across.slope[a] * down.weight[b],
                                  across.weight[a] * down.slope[b]};
        return count;
    });
}

void SurfacePatchVertices::AddTri(UINT first, int degree, const std::array<float, 3>& edges, EdgeStyle style) {
    const UINT points = TriPatchPoints(degree);
    AddMesh(TriPatchMesh(edges, style), [&](float u, float v, Term* terms) {
        std::array<TriTerm, kMaxTerms> basis;
        TriBasisAt(degree, u, v, basis.data());
        for (UINT p = 0; p < points; ++p) terms[p] = {first + p, basis[p].weight, basis[p].du, basis[p].dv};
        return size_t(points);
    });
}

void SurfacePatchVertices::WriteVertex(std::span<const Term> terms, float u, float v) {
    float* out = NewVertex();
    for (const Part& part : parts_) {
        // The part's surface at (u, v) and its partial derivatives.
        Vec4 value, du, dv;
        for (const Term& t : terms) {
            if (part.kind == Kind::UV) break;
            const Vec4 c =
                ReadDeclElement(part.source.Type, streams_.Vertex(part.source.Stream, t.vertex) + part.source.Offset);
            for (int k = 0; k < 4; ++k) value[k] += t.weight * c[k], du[k] += t.du * c[k], dv[k] += t.dv * c[k];
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
