// Rasterisation under Direct3D 9's rules: pixel centres at integer coordinates, vertex
// positions snapped to 1/256 pixel, the top-left fill rule for triangles, diamond-exit
// lines (the end pixel is not drawn), and points covering the pixel whose centre lies in
// the unit square around them.
#pragma once
#include "host/d3d9/device/draw_state.h"
#include "host/d3d9/vertex/vertex_pipeline.h"

namespace host {

// `flat` gives the colours under flat shading. Culling is applied here.
void RasterTriangle(const DrawState& state, const ScreenVertex& a, const ScreenVertex& b,
                    const ScreenVertex& c, const ScreenVertex& flat);
// Two triangles sharing a diagonal (in any vertex order, facing the same way) that form
// an axis-aligned rectangle with one affine mapping are drawn as one rectangle, and those
// forming another convex quadrangle as one shape, covering exactly the pixels the two
// triangles would with the values they would give. `flat` gives each triangle's colours
// under flat shading. False, with nothing drawn, for any other pair.
bool RasterRectanglePair(const DrawState& state, const ScreenVertex* const first[3],
                         const ScreenVertex* const second[3], const ScreenVertex* const flat[2]);
// The same for a pair in the vertex batch's quad order, whose second triangle is
// (its own corner, first[2], first[1]), those two the very objects of the first: the
// shared corners are known without comparing every corner with every other.
bool RasterQuadOrderPair(const DrawState& state, const ScreenVertex* const first[3],
                         const ScreenVertex* const second[3], const ScreenVertex* const flat[2]);
// Where a pre-transformed list's vertices keep what RasterUprightQuad reads, for the
// draw's state (byte offsets; -1 for a colour the layout lacks); `usable` is false where
// its pairs are not read that way.
struct UprightLayout {
    bool usable = false;
    int position = 0, diffuse = -1, specular = -1;
    int texCoords[kMaxStages] = {};  // the (u, v) of each stage that reads a texture
};
UprightLayout UprightLayoutOf(const DrawState& state, const FvfLayout& layout);
// Two triangles in the batch's quad order at `vertices` (corners 0, 1, 2, then 3, 2, 1,
// `stride` bytes apart) that RasterQuadOrderPair would draw as one upright rectangle,
// read straight from their bytes: drawn as it draws them. False, with nothing drawn, for
// any other pair.
bool RasterUprightQuad(const DrawState& state, const UprightLayout& layout, const uint8_t* vertices, size_t stride);
// A pre-transformed triangle list of `triangles` triangles, each vertex `stride` bytes
// in `layout`: what drawing its triangles in order, pairing each with the next where the
// two form a rectangle or convex quadrangle, gives.
void RasterPretransformedList(const DrawState& state, const FvfLayout& layout, const uint8_t* vertices, size_t stride,
                              uint32_t triangles);
void RasterLine(const DrawState& state, const ScreenVertex& a, const ScreenVertex& b,
                const ScreenVertex& flat);
void RasterPoint(const DrawState& state, const ScreenVertex& v);

// Positions beyond this many pixels from the origin are not drawn.
constexpr float kMaxScreenCoordinate = 524288.0f;

}  // namespace host
