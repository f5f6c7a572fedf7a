// N-patches: a triangle made into a curved (PN) triangle from its corners' positions and
// normals, as the tessellator refines it. A point of the patch is named by (u, v): the
// weight of the second corner and of the third, the first's being 1 - u - v.
#pragma once
#include <array>

namespace host {

using Vec3 = std::array<float, 3>;

// Segments an N-patch edge is cut into at most (and the caps' tessellation level).
constexpr int kMaxNPatchSegments = 64;

struct NPatchDegrees {
    bool cubicPosition = true;     // else the flat triangle
    bool quadraticNormal = false;  // else the corners' normals interpolated linearly
};

struct NPatchPoint {
    Vec3 position, du, dv, normal;  // du and dv: the position's partial derivatives
};

class NPatch {
public:
    NPatch(const std::array<Vec3, 3>& positions, const std::array<Vec3, 3>& normals, NPatchDegrees degrees);
    NPatchPoint At(float u, float v) const;

private:
    // Control points of a triangle of the given degree, (i, j, k) the powers of the first
    // corner's, second's and third's weights: index Slot(j, k).
    std::array<Vec3, 10> position_{};
    std::array<Vec3, 6> normal_{};
    NPatchDegrees degrees_;
};

// The flat triangle's partial derivatives of a value given at its corners.
inline Vec3 LinearDu(const std::array<Vec3, 3>& c) {
    return {c[1][0] - c[0][0], c[1][1] - c[0][1], c[1][2] - c[0][2]};
}
inline Vec3 LinearDv(const std::array<Vec3, 3>& c) {
    return {c[2][0] - c[0][0], c[2][1] - c[0][1], c[2][2] - c[0][2]};
}
Vec3 Cross(const Vec3& a, const Vec3& b);

}  // namespace host
