// How rect and tri patches are cut into triangles, in their parameters (u, v) alone: each
// edge into its own number of segments, the inside into a grid of the edges' most segments
// (each way, on a rect), and the ring between them stitched, so that two patches sharing an
// edge cut into the same count share its vertices and meet without cracks.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

namespace host {

struct PatchMesh {
    std::vector<std::array<float, 2>> points;  // (u, v), each once
    // Triangles turning as u and v do (counter-clockwise with u across and v up).
    std::vector<uint32_t> indices;
};

// Edges 0 to 3 run along v = 0, u = 1, v = 1 and u = 0, each cut into at least 1 segment.
PatchMesh RectPatchMesh(const std::array<int, 4>& edges);
// A triangle whose corners are (0, 0), (1, 0) and (0, 1): edges 0 to 2 run along v = 0,
// u + v = 1 and u = 0, each cut into at least 1 segment.
PatchMesh TriPatchMesh(const std::array<int, 3>& edges);

}  // namespace host
