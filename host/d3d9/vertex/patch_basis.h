// The bases of patches. Along one direction of a rect patch: which control points weigh on
// the point at parameter t (0 to 1 over the whole row of points) and by how much. Bezier rows are
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

// Tri patches are Bezier triangles: their (degree + 1)(degree + 2) / 2 control points lie
// row by row from the first corner, row k (0 to degree) holding the points with k powers of
// the third corner's weight v, and along it j (0 to degree - k) powers of the second's u.
UINT TriPatchPoints(int degree);
struct TriTerm {
    float weight, du, dv;  // the point's weight at (u, v) and its partial derivatives
};
// Each control point's term at (u, v), in the points' order.
void TriBasisAt(int degree, float u, float v, TriTerm* out);

}  // namespace host
