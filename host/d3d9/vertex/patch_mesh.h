// How a rect patch is cut into triangles, in its parameters (u, v) alone: each edge into
// its own number of segments, the inside into a grid of the larger count each way, and the
// ring between them stitched, so that two patches sharing an edge cut into the same count
// share its vertices and meet without cracks.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace host {

struct PatchMesh {
    std::vector<std::array<float, 2>> points;  // (u, v), each once
    // Triangles turning as u and v do (counter-clockwise with u across and v up).
    std::vector<uint32_t> indices;
};

// Edges 0 to 3 run along v = 0, u = 1, v = 1 and u = 0, each cut into at least 1 segment.
PatchMesh RectPatchMesh(const std::array<int, 4>& edges);

}  // namespace host
