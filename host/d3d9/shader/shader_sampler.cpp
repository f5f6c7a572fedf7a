#include "host/d3d9/shader/shader_sampler.h"

#include <algorithm>
#include <cmath>

#include "host/d3d9/raster/raster_common.h"
#include "host/d3d9/raster/raster_shader.h"
#include "host/d3d9/shader/shader_lane_kernels.h"
#include "host/d3d9/resources/texture_views.h"

namespace host {
namespace {

constexpr double kFlat[4] = {0, 0, 0, 0};
// Levels a bias or an explicit level can reach, either way (NaN reads as 0).
constexpr double kLevelRange = 16.0;
constexpr double kMaxGradient = 1e6;

double LevelValue(float f) { return f == f ? std::clamp(double(f), -kLevelRange, kLevelRange) : 0.0; }

// A gradient the level choice can measure: NaN as none, and no infinities, whose ratios
// would be NaN.
double Gradient(float g) { return g == g ? std::clamp(double(g), -kMaxGradient, kMaxGradient) : 0.0; }

}  // namespace

void DeviceShaderSampler::ChooseLevels(const double (*slopes)[4]) {
    for (int s = 0; s < kShaderSamplers; ++s) {
        if (!(declared_ >> s & 1)) continue;
        const double* d = slopes ? slopes[s] : kFlat;
        std::copy(d, d + 4, slope_[s]);
        lods_[s] = ChooseLod(samplers_[s], d[0], d[1], d[2], d[3]);
    }
}

StageLod DeviceShaderSampler::LevelOf(int s, const Vec4& coord, const TexelRequest& how) const {
    const StageSampler& smp = samplers_[s];
    const double bias = how.biased ? LevelValue(coord[3]) : 0.0;
    switch (how.level) {
        case LevelFrom::Slope: {
            const double* d = slope_[s];
            return how.biased ? ChooseLod(smp, d[0], d[1], d[2], d[3], bias) : lods_[s];
        }
        case LevelFrom::Gradients: {
            // Texels of level 0 per pixel; a volume's depth counts with its width.
            const TexelLevel& top = smp.levels[0];
            const double depth = smp.type == D3DRTYPE_VOLUMETEXTURE ? top.depth : 0.0;
            auto across = [&](const Vec4& g) { return SlopeAcross(Gradient(g[0]) * top.width, Gradient(g[2]) * depth); };
            return ChooseLod(smp, across(how.ddx), Gradient(how.ddx[1]) * top.height, across(how.ddy),
                             Gradient(how.ddy[1]) * top.height, bias);
        }
        case LevelFrom::Explicit: {
            // A footprint of 2^level texels each way gives that level, the sampler's own
            // bias taken back out: texldl names the level itself.
            const double side = std::exp2(LevelValue(coord[3]));
            return ChooseLod(smp, side, 0, 0, side, -smp.lodBias);
        }
    }
    return lods_[s];
}

Vec4 DeviceShaderSampler::Sample(int s, const Vec4& coord, const TexelRequest& how) {
    return ColorToVec4(Texel(s, coord, how));
}

uint32_t DeviceShaderSampler::Texel(int s, const Vec4& coord, const TexelRequest& how) const {
    const StageSampler& smp = samplers_[s];
    // No texture, or one of another kind than the sampler declares: opaque black.
    if (smp.levelCount == 0 || smp.type != types_[size_t(s)]) return 0xFF000000u;
    double c[3] = {coord[0], coord[1], coord[2]};
    if (how.projected)
        for (double& x : c) x /= coord[3];
    const StageLod lod = LevelOf(s, coord, how);
    double scale[3];
    TexelScale(smp, lod.level, scale);
    return SampleTexture(smp, lod, ToFixed32(c[0] * scale[0]), ToFixed32(c[1] * scale[1]), ToFixed32(c[2] * scale[2]));
}

// The common lookup takes a short way: a 2D texture at the level its primitive chose, one
// level and one tap; point sampling with clamping by vectors. The same steps as Texel's
// otherwise.
void DeviceShaderSampler::TexelLanes(int s, const LaneValue& coord, const TexelRequest& how, int count,
                                     uint32_t out[kLanes]) {
    const StageSampler& smp = samplers_[s];
    const StageLod& lod = lods_[s];
    if (how.level != LevelFrom::Slope || how.biased || smp.levelCount == 0 || smp.type != types_[size_t(s)] ||
        smp.type != D3DRTYPE_TEXTURE || lod.blend != 0 || lod.taps > 1) {
        for (int l = 0; l < count; ++l) out[l] = Texel(s, LaneOf(coord, l), how);
        return;
    }
    const TexelLevel& level = smp.levels[lod.level];
    constexpr int kExactSide = 1 << 20;
    constexpr size_t kIndexLimit = size_t(1) << 31;
    if (!lod.linear && smp.addressU == D3DTADDRESS_CLAMP && smp.addressV == D3DTADDRESS_CLAMP &&
        level.width <= kExactSide && level.height <= kExactSide && level.pitch * size_t(level.height) < kIndexLimit) {
        ChosenLaneKernels().clampedTexels(level, coord, how.projected, count, out);
        return;
    }
    for (int l = 0; l < count; ++l) {
        double u = coord.c[0]->v[l], v = coord.c[1]->v[l];
        if (how.projected) {
            u /= coord.c[3]->v[l];
            v /= coord.c[3]->v[l];
        }
        out[l] = SampleTexels(level, smp.addressU, smp.addressV, smp.border, lod.linear, ToFixed32(u * level.width),
                              ToFixed32(v * level.height));
    }
}

}  // namespace host
