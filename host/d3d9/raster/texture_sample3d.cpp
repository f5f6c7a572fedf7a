// Sampling of cube and volume textures: a cube picks the face of a direction's largest
// component and reads it as a 2D level clamped at the face's edges; a volume reads one
// slice, or filters between two slices, with its own addressing across the slices.
#include <cmath>

#include "host/d3d9/raster/pixel_shade.h"

namespace host {
namespace {

constexpr double kFixedOne = 4294967296.0;  // 1.0 in 32.32 fixed point

// A place on a face in 0..1 across and down.
struct CubeSpot {
    uint32_t face;
    double u, v;
};

// The face a direction points at and its place on that face, in Direct3D's layout of the
// faces (+x, -x, +y, -y, +z, -z, each seen from inside the cube). A zero or unusable
// direction reads the middle of the first face.
CubeSpot CubeFaceOf(double x, double y, double z) {
    const double ax = std::fabs(x), ay = std::fabs(y), az = std::fabs(z);
    double major, across, down;
    uint32_t face;
    if (ax >= ay && ax >= az) {
        face = x >= 0 ? 0 : 1;
        major = ax, across = x >= 0 ? -z : z, down = -y;
    } else if (ay >= az) {
        face = y >= 0 ? 2 : 3;
        major = ay, across = x, down = y >= 0 ? z : -z;
    } else {
        face = z >= 0 ? 4 : 5;
        major = az, across = z >= 0 ? x : -x, down = -y;
    }
    const double u = 0.5 * (across / major + 1.0), v = 0.5 * (down / major + 1.0);
    if (!(major > 0) || !std::isfinite(u) || !std::isfinite(v)) return {0, 0.5, 0.5};
    return {face, u, v};
}

// A place in 0..1 as texels of a side of `size`, 32 fraction bits.
int64_t ToTexels(double place, int32_t size) {
    const double clamped = place < 0 ? 0 : place > 1 ? 1 : place;
    return int64_t(clamped * size * kFixedOne);
}

uint32_t LerpTexels(uint32_t a, uint32_t b, uint32_t f) {  // f in 0..255, out of 256
    uint32_t out = 0;
    for (int i = 0; i < 32; i += 8)
        out |= ((((a >> i) & 255) * (256 - f) + ((b >> i) & 255) * f + 128) >> 8) << i;
    return out;
}

}  // namespace

uint32_t SampleCube(const StageSampler& s, const StageLod& lod, int64_t tu, int64_t tv, int64_t tw) {
    const CubeSpot spot = CubeFaceOf(double(tu) / kFixedOne, double(tv) / kFixedOne, double(tw) / kFixedOne);
    const TexelLevel& l = s.faces[spot.face * uint32_t(s.levelCount) + uint32_t(lod.level)];
    return SampleTexels(l, D3DTADDRESS_CLAMP, D3DTADDRESS_CLAMP, s.border, lod.linear, ToTexels(spot.u, l.width),
                        ToTexels(spot.v, l.height));
}

uint32_t SampleVolume(const StageSampler& s, const StageLod& lod, int64_t tu, int64_t tv, int64_t tw) {
    const TexelLevel& l = s.levels[lod.level];
    auto slice = [&](int64_t z) {
        const int at = AddressTexel(z, l.depth, s.addressW);
        if (at < 0) return s.border;
        TexelLevel plane = l;
        plane.texels += size_t(at) * l.pitch * size_t(l.height);
        return SampleTexels(plane, s.addressU, s.addressV, s.border, lod.linear, tu, tv);
    };
    if (!lod.linear) return slice(tw >> 32);
    // Between the two nearest slices' centres, as the bilinear filter does across and down.
    const int64_t w = tw - (int64_t(1) << 31);
    return LerpTexels(slice(w >> 32), slice((w >> 32) + 1), uint32_t(w >> 24) & 255);
}

}  // namespace host
