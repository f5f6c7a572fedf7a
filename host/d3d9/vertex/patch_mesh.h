// How rect and tri patches are cut into triangles, in their parameters (u, v) alone: each
// edge into its own number of segments, the inside into a grid of the edges' most segments
// (each way, on a rect), and the ring between them stitched, so that two patches sharing an
// edge cut into the same count share its vertices and meet without cracks. The edges' cuts
// are symmetric, so they match whichever way the neighbour runs along the edge.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

namespace host {

// Discrete edges drop the fraction of their count. Continuous ones take it: the largest odd
// whole count of segments, each 1 / count long, lies in the middle and the rest is split
// between two shorter end segments, which grow until they are whole at the next odd count;
// every cut moves smoothly as the count changes, so the surface does not pop.
enum class EdgeStyle : uint8_t { Discrete, Continuous };

// The parameters (0 to 1, ascending, ends included) cutting an edge of `segments` (at least
// 1) segments.
std::vector<float> EdgeCuts(float segments, EdgeStyle style);

struct PatchMesh {
    std::vector<std::array<float, 2>> points;  // (u, v), each once
    // Triangles turning as u and v do (counter-clockwise with u across and v up).
    std::vector<uint32_t> indices;
};

// Edges 0 to 3 run along v = 0, u = 1, v = 1 and u = 0, each cut into at least 1 segment.
PatchMesh RectPatchMesh(const std::array<float, 4>& edges, EdgeStyle style);
// A triangle whose corners are (0, 0), (1, 0) and (0, 1): edges 0 to 2 run along v = 0,
// u + v = 1 and u = 0, each cut into at least 1 segment.
PatchMesh TriPatchMesh(const std::array<float, 3>& edges, EdgeStyle style);

}  // namespace host
