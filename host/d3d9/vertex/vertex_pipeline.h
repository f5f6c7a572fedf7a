// Vertices from the caller's memory to screen space: the flexible vertex format's layout,
// fetching, the world-view-projection transform, clipping in homogeneous space and the
// viewport mapping.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

#include "host/d3d9/device/draw_state.h"
#include "host/d3d9/shader/shader_types.h"

namespace host {

constexpr int kMaxStreams = 16;

// Where one part of a vertex lies: its stream, its byte offset in the stream's vertex and
// its declaration type (UNUSED when the vertex lacks the part).
struct ElementPlace {
    uint8_t stream = 0;
    BYTE type = D3DDECLTYPE_UNUSED;
    uint16_t offset = 0;
    uint8_t components = 0;  // the type's, kept here for the fetch of every vertex
    bool Present() const { return type != D3DDECLTYPE_UNUSED; }
};

// Where the fixed-function pipeline finds each part of a vertex, from a vertex declaration
// or an FVF (which reads as the declaration it stands for).
struct FvfLayout {
    bool valid = false;
    bool pretransformed = false;
    bool plain = false;    // floats, and D3DCOLOR colours, only: read without conversion
    uint16_t streams = 0;  // bit s: a part lies in stream s
    int stride = 0;        // bytes of a stream-0 vertex read
    int reach[kMaxStreams] = {};  // bytes of each stream's vertex read
    ElementPlace position, normal, diffuse, specular;
    int texCount = 0;  // one past the highest set present
    ElementPlace tex[kMaxTexCoordSets];
    int texDims[kMaxTexCoordSets] = {};  // components of each set, 0 where it is absent

    bool SingleStream() const { return streams == 1; }
};

// The vertices of one draw in each stream: where its first vertex lies and the stride;
// streams without vertices for the draw have none (stride 0).
struct VertexStreams {
    const uint8_t* base[kMaxStreams] = {};
    UINT stride[kMaxStreams] = {};
    const uint8_t* Vertex(int stream, UINT i) const { return base[stream] + size_t(i) * stride[stream]; }
};

// A vertex's parts as the fixed-function vertex stage reads them, whatever their types.
struct VertexInput {
    float position[4] = {0, 0, 0, 1};
    float normal[3] = {};
    float sets[kMaxTexCoordSets][4] = {};  // components a set lacks are 0
};

// A vertex before the perspective divide (for pre-transformed vertices: already on screen).
struct ClipVertex {
    float pos[4] = {0, 0, 0, 1};
    uint32_t diffuse = 0xFFFFFFFFu, specular = 0;
    float tc[kMaxTexCoordSets][kTexCoordComponents] = {};
    float tq[kMaxTexCoordSets] = {1, 1, 1, 1, 1, 1, 1, 1};  // divisors of projected sets
};

// Reads untransformed vertex `i` and multiplies it by `matrix` (world x view x projection).
ClipVertex FetchVertex(const FvfLayout& layout, const VertexStreams& streams, UINT i, const D3DMATRIX& matrix);
// Reads the parts of vertex `i` the vertex stage works on.
void FetchVertexInput(const FvfLayout& layout, const VertexStreams& streams, UINT i, VertexInput* out);
// Reads pre-transformed vertex `i` as it is.
void FetchPretransformed(const FvfLayout& layout, const VertexStreams& streams, UINT i, ScreenVertex* out);
// The same for a layout of stream 0 only, from the vertex at `vertex`, writing only the
// parts the layout holds: the rest of `out` keeps what it holds, which must be a default
// vertex's values or those of a vertex read by this with the same layout. Clearing the
// sets a layout lacks cost each sprite more than reading its own, and stalled the reads
// of the layout that followed the clearing stores.
void FetchPretransformedParts(const FvfLayout& layout, const uint8_t* vertex, ScreenVertex* out);

struct ViewportMap {
    float x = 0, y = 0, width = 1, height = 1, minZ = 0, maxZ = 1;
};

// Signed distance of a clip-space position to clip plane `plane` (inside when >= 0): the
// near and far planes, a guard band and w > 0.
float ClipPlaneDistance(const float pos[4], int plane);
constexpr int kClipPlaneCount = 7;
ClipVertex LerpVertex(const ClipVertex& a, const ClipVertex& b, float t);

// Clips a polygon (3 vertices) or a line (2) of any vertex kind with a `pos` and a
// LerpVertex against the clip planes; `poly` receives what remains.
template <class V>
void ClipPolygon(const V* in, int count, std::vector<V>* poly) {
    poly->assign(in, in + count);
    std::vector<V> next;
    for (int p = 0; p < kClipPlaneCount && !poly->empty(); ++p) {
        next.clear();
        const size_t n = poly->size();
        const size_t edges = count == 2 ? 1 : n;
        for (size_t i = 0; i < edges; ++i) {
            const V& a = (*poly)[i];
            const V& b = (*poly)[(i + 1) % n];
            const float da = ClipPlaneDistance(a.pos, p), db = ClipPlaneDistance(b.pos, p);
            if (da >= 0) next.push_back(a);
            if ((da >= 0) != (db >= 0) && std::isfinite(da) && std::isfinite(db))
                next.push_back(LerpVertex(a, b, da / (da - db)));
            if (count == 2 && db >= 0) next.push_back(b);
        }
        poly->swap(next);
    }
}

// Clips as ClipPolygon does and maps what remains to the screen. `out` receives the
// polygon's vertices.
void ClipAndMap(const ClipVertex* in, int count, const ViewportMap& map, std::vector<ScreenVertex>* out);
bool InsideClipVolume(const float pos[4]);
inline bool InsideClipVolume(const ClipVertex& v) { return InsideClipVolume(v.pos); }
ScreenVertex MapToScreen(const ClipVertex& v, const ViewportMap& map);
// The screen position (x, y, z, rhw) of a clip-space position.
void MapPosition(const float pos[4], const ViewportMap& map, float out[4]);

D3DMATRIX MultiplyMatrices(const D3DMATRIX& a, const D3DMATRIX& b);

}  // namespace host
