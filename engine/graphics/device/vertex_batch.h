// The vertex batch: drawing functions append vertices to one buffer in memory, drawn
// with a single call when a state changes, when it would overflow, when another layout
// or primitive type is needed, and at presentation.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

namespace host {
class BaseTexture;
class Surface;
}  // namespace host

namespace orvik {

// kind 0: pre-transformed 2D vertices, sub-format 0 (colour), 1 (one texture), 2 (two
// textures with specular); kind 1: 3D vertices, sub-format 0 (colour), 1 (one texture).
struct BatchLayout {
    uint32_t fvf;
    uint32_t stride;
    uint32_t capacity;
};
const BatchLayout& GetBatchLayout(int kind, int subFormat);

struct VertexBatch {
    int32_t kind = 0, subFormat = 1;
    int32_t primitive = 4;  // triangle list
    uint32_t pending = 0;
    uint32_t diffuse = 0xFFFFFFFF;
    std::array<std::vector<uint8_t>, 6> buffers;
};

VertexBatch& Batch();
// Makes the buffers with their constant fields (z 0, rhw 1, specular white).
void InitVertexBatchBuffers();
// Draws what is pending; 0, or -1 without a device.
int FlushVertexBatch();
// Draws what is pending only when it samples `texture` or draws into `surface`, whose
// texels are about to change: a change elsewhere leaves the batch to grow (a glyph cache
// written while text of another graphic waits). 0, or -1 without a device.
int FlushVertexBatchUsing(const host::BaseTexture* texture, const host::Surface* surface);
// Room for `count` vertices of the layout and primitive type, drawing the batch first
// when it holds another kind or would overflow. Null without a device or for a count the
// buffer cannot hold.
uint8_t* ReserveBatchVertices(int kind, int subFormat, int primitive, uint32_t count);
// A grid of columns x rows pre-transformed textured vertices (the 2D layout of
// subFormat: 1 one texture, 28 bytes; 2 two textures, 40 bytes) drawn as triangle strips
// joined by degenerate triangles. 0; -1 for fewer than 2 columns or rows, another layout,
// or more vertices than 16-bit indices reach.
int DrawIndexedBatch(int columns, const void* vertices, int rows, int subFormat = 1);

}  // namespace orvik
