// The tessellator's output for rect patches: the surface of a grid of control points cut
// into a grid of triangles. Every part of the declaration is a surface of the same basis
// over its control points' values (positions, normals, colours, texture coordinates
// alike); parts with a tessellation method are the partial derivatives of the surface of
// the data they read (PARTIALU, PARTIALV), their cross product (CROSSUV) or the patch
// parameters (UV).
#pragma once
#include "host/d3d9/vertex/patch_basis.h"
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

    // The patch cut into `columns` x `rows` cells, u running along the grid's rows.
    void AddRect(const RectGrid& grid, int columns, int rows);

private:
    void WriteVertex(const RectGrid& grid, const BasisWeights& across, const BasisWeights& down, float u, float v);
};

}  // namespace host
