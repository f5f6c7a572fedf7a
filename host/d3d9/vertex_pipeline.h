// Vertices from the caller's memory to screen space: the flexible vertex format's layout,
// fetching, the world-view-projection transform, clipping in homogeneous space and the
// viewport mapping.
#pragma once
#include <cstdint>
#include <vector>

#include "host/d3d9/draw_state.h"

namespace host {

struct FvfLayout {
    bool valid = false;
    bool pretransformed = false;
    int stride = 0;
    int diffuse = -1, specular = -1;  // byte offsets, -1 when absent
    int texCount = 0;
    int tex[kMaxTexCoordSets] = {};
    bool texOneD[kMaxTexCoordSets] = {};  // the set has u alone (v reads as 0)
};

FvfLayout DecodeFvf(DWORD fvf);

// A vertex before the perspective divide (for pre-transformed vertices: already on screen).
struct ClipVertex {
    float pos[4] = {0, 0, 0, 1};
    uint32_t diffuse = 0xFFFFFFFFu, specular = 0;
    float tc[kMaxTexCoordSets][2] = {};
};

// Reads one untransformed vertex and multiplies it by `matrix` (world x view x projection).
ClipVertex FetchVertex(const FvfLayout& layout, const uint8_t* vertex, const D3DMATRIX& matrix);
// Reads one pre-transformed vertex as it is.
void FetchPretransformed(const FvfLayout& layout, const uint8_t* vertex, ScreenVertex* out);

struct ViewportMap {
    float x = 0, y = 0, width = 1, height = 1, minZ = 0, maxZ = 1;
};

// Clips a polygon (3 vertices) or a line (2) against the near and far planes and a guard
// band, and maps what remains to the screen. `out` receives the polygon's vertices.
void ClipAndMap(const ClipVertex* in, int count, const ViewportMap& map, std::vector<ScreenVertex>* out);
bool InsideClipVolume(const ClipVertex& v);
ScreenVertex MapToScreen(const ClipVertex& v, const ViewportMap& map);

D3DMATRIX MultiplyMatrices(const D3DMATRIX& a, const D3DMATRIX& b);

}  // namespace host
