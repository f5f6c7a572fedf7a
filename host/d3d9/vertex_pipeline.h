// Vertices from the caller's memory to screen space: the flexible vertex format's layout,
// fetching, the world-view-projection transform, clipping in homogeneous space and the
// viewport mapping.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

#include "host/d3d9/draw_state.h"

namespace host {

struct FvfLayout {
    bool valid = false;
    bool pretransformed = false;
    int stride = 0;
    int normal = -1, diffuse = -1, specular = -1;  // byte offsets, -1 when absent
    int texCount = 0;
    int tex[kMaxTexCoordSets] = {};
    int texDims[kMaxTexCoordSets] = {};   // 1 to 4 floats (components past the third are not kept)
};

FvfLayout DecodeFvf(DWORD fvf);

// A vertex before the perspective divide (for pre-transformed vertices: already on screen).
struct ClipVertex {
    float pos[4] = {0, 0, 0, 1};
    uint32_t diffuse = 0xFFFFFFFFu, specular = 0;
    float tc[kMaxTexCoordSets][kTexCoordComponents] = {};
    float tq[kMaxTexCoordSets] = {1, 1, 1, 1, 1, 1, 1, 1};  // divisors of projected sets
};

// Reads one untransformed vertex and multiplies it by `matrix` (world x view x projection).
ClipVertex FetchVertex(const FvfLayout& layout, const uint8_t* vertex, const D3DMATRIX& matrix);
// Reads one pre-transformed vertex as it is.
void FetchPretransformed(const FvfLayout& layout, const uint8_t* vertex, ScreenVertex* out);

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
