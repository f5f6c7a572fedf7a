// Textured vertices of the device back end: corners with their texture coordinates and
// their place within the graphic, written in the one-texture layout, or with the blend
// mask in use in the two-texture layout whose second coordinates address the mask.
#pragma once
#include <cstdint>

namespace orvik {

struct PieceDraw;

struct Corner {
    float x, y;    // target position (vertex space)
    float u, v;    // texture coordinates
    float gx, gy;  // position within the graphic, in its pixels
};

// Triangles (a list) through the corners named by order, count of them a multiple of 3.
int EmitTriangles(const Corner* corners, const int* order, int count);
// Corners top-left, top-right, bottom-left, bottom-right as two triangles split along
// top-right to bottom-left.
int EmitQuad(const Corner (&c)[4]);
// A grid of columns x rows corners (row by row) drawn through the indexed draw.
int EmitGrid(const Corner* grid, int columns, int rows);
// Prepared one-texture vertices (x, y, z, rhw, colour, u, v) of any primitive type. With
// the mask in use each vertex's place in the graphic comes from its texture coordinates
// on the piece, which must then be given.
int EmitPolygon(const void* vertices, int count, int primitive, const PieceDraw* piece);
// Room in the batch for count vertices of a 2D layout; strips and fans start a batch of
// their own, lists join what is pending.
uint8_t* ReserveVertices(int subFormat, int primitive, int count);

}  // namespace orvik
