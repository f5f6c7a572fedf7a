// The bases of rect patches along one direction: which control points weigh on the point at
// parameter t (0 to 1 over the whole row of points) and by how much. Bezier rows are
// sub-patches of `degree` spans each sharing their end points; B-spline rows are uniform,
// one span a point past the degree; Catmull-Rom rows (cubic) pass through every point, one
// span between each two, the end points standing in for their missing neighbours.
#pragma once
#include <array>

#include "host/d3d9/device/d3d9_types.h"

namespace host {

constexpr int kMaxPatchDegree = 5;

struct BasisWeights {
    int count = 0;
    std::array<int, kMaxPatchDegree + 1> point{};
    // Each point's weight, and its derivative by t.
    std::array<float, kMaxPatchDegree + 1> weight{}, slope{};
};

// Why `points` control points cannot make a row of this basis and degree (null when they can).
const char* BasisFault(D3DBASISTYPE basis, DWORD degree, UINT points);
// Requires BasisFault to be null.
BasisWeights BasisAt(D3DBASISTYPE basis, int degree, int points, float t);

}  // namespace host
