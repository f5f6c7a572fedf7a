// The tessellator's output for rect and tri patches: the surface of control points in the
// streams cut into triangles. Every part of the declaration is a surface of the same basis
// over its control points' values (positions, normals, colours, texture coordinates
// alike); parts with a tessellation method are the partial derivatives of the surface of
// the data they read (PARTIALU, PARTIALV), their cross product (CROSSUV) or the patch
// parameters (UV).
#pragma once
#include <array>

#include "host/d3d9/vertex/patch_basis.h"
#include "host/d3d9/vertex/patch_mesh.h"
#include "host/d3d9/vertex/tessellator_output.h"

namespace host {

// A rect patch's control points: point (i, j), i < width and j < height, is vertex
// first + j * stride + i of the streams.
struct RectGrid {
    UINT first, stride;
    int width, height;
    D3DBASISTYPE basis;
    int degree;
};

class SurfacePatchVertices : public TessellatorOutput {
public:
    SurfacePatchVertices(std::span<const D3DVERTEXELEMENT9> elements, const VertexStreams& streams)
        : TessellatorOutput(elements, streams) {}
    // Whether every part of the declaration was found in the streams.
    bool HasEveryPart(std::span<const D3DVERTEXELEMENT9> elements) const { return parts_.size() == elements.size(); }

    // The patch cut as RectPatchMesh cuts it, u running along the grid's rows.
    void AddRect(const RectGrid& grid, const std::array<float, 4>& edges, EdgeStyle style);
    // The Bezier triangle of `degree` whose control points are the streams' vertices from
    // `first` on, cut as TriPatchMesh cuts it.
    void AddTri(UINT first, int degree, const std::array<float, 3>& edges, EdgeStyle style);

private:
    // A control point's weight in the vertex being written, and in its partial derivatives.
    struct Term {
        UINT vertex;
        float weight, du, dv;
    };
    static constexpr int kMaxTerms = (kMaxPatchDegree + 1) * (kMaxPatchDegree + 1);
    // The mesh's points, each written from the terms `termsAt` (u, v, terms) gives (it
    // returns their count), and its triangles.
    template <class TermsAt>
    void AddMesh(const PatchMesh& mesh, TermsAt termsAt);
    void WriteVertex(std::span<const Term> terms, float u, float v);
};

}  // namespace host
