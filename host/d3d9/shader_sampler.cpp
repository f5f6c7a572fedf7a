#include "host/d3d9/shader_sampler.h"

#include <algorithm>
#include <cmath>

#include "host/d3d9/raster_common.h"
#include "host/d3d9/raster_shader.h"
#include "host/d3d9/texture_views.h"

namespace host {
namespace {

constexpr double kFlat[4] = {0, 0, 0, 0};
// Levels a bias or an explicit level can reach, either way (NaN reads as 0).
constexpr double kLevelRange = 16.0;
constexpr double kMaxGradient = 1e6;

using Doubles2 = double __attribute__((vector_size(16)));
using Ints2 = int32_t __attribute__((vector_size(8)));

// clamp(ToFixed32(s) >> 32, 0, n - 1) for two texel positions s at once, in doubles (each
// step exact). ToFixed32 holds s to +-2^30 (NaN to -2^30) and rounds s * 2^32 to the
// nearest integer, halves away from zero; that carries into s's whole part only where its
// fraction lies within 2^-33 of 1 (at exactly that distance too for s >= 0, whose halves
// round up).
Ints2 ClampedTexelIndex(Doubles2 s, int n) {
    constexpr double kLimit = 1073741824.0, kCarry = 1.0 - 0x1p-33;
    const Doubles2 low = {-kLimit, -kLimit}, high = {kLimit, kLimit}, zero = {}, one = {1.0, 1.0};
    const Doubles2 carry = {kCarry, kCarry}, last = {double(n - 1), double(n - 1)};
    s = s > low ? s : low;
    s = s > high ? high : s;
    Doubles2 whole = __builtin_convertvector(__builtin_convertvector(s, Ints2), Doubles2);
    whole -= whole > s ? one : zero;
    const Doubles2 fraction = s - whole;
    whole += (s >= zero ? fraction >= carry : fraction > carry) ? one : zero;
    whole = whole < zero ? zero : whole;
    return __builtin_convertvector(whole > last ? last : whole, Ints2);
}

double LevelValue(float f) { return f == f ? std::clamp(double(f), -kLevelRange, kLevelRange) : 0.0; }

// A gradient the level choice can measure: NaN as none, and no infinities, whose ratios
// would be NaN.
double Gradient(float g) { return g == g ? std::clamp(double(g), -kMaxGradient, kMaxGradient) : 0.0; }

}  // namespace

void DeviceShaderSampler::ChooseLevels(const double (*slopes)[4]) {
    for (int s = 0; s < kShaderSamplers; ++s) {
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
            auto across = [&](const Vec4& g) { return std::hypot(Gradient(g[0]) * top.width, Gradient(g[2]) * depth); };
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
    const StageSampler& smp = samplers_[s];
    // No texture, or one of another kind than the sampler declares: opaque black.
    if (smp.levelCount == 0 || smp.type != types_[size_t(s)]) return Vec4{{0, 0, 0, 1}};
    double c[3] = {coord[0], coord[1], coord[2]};
    if (how.projected)
        for (double& x : c) x /= coord[3];
    const StageLod lod = LevelOf(s, coord, how);
    double scale[3];
    TexelScale(smp, lod.level, scale);
    return ColorToVec4(
        SampleTexture(smp, lod, ToFixed32(c[0] * scale[0]), ToFixed32(c[1] * scale[1]), ToFixed32(c[2] * scale[2])));
}

// The common lookup takes a short way: a 2D texture at the level its primitive chose, one
// level and one tap; the same steps as Sample's otherwise.
void DeviceShaderSampler::SampleLanes(int s, const LaneValue& coord, const TexelRequest& how, int count,
                                      LaneRegister* out) {
    const StageSampler& smp = samplers_[s];
    const StageLod& lod = lods_[s];
    if (how.level != LevelFrom::Slope || how.biased || smp.levelCount == 0 || smp.type != types_[size_t(s)] ||
        smp.type != D3DRTYPE_TEXTURE || lod.blend != 0 || lod.taps > 1) {
        ShaderSampler::SampleLanes(s, coord, how, count, out);
        return;
    }
    const TexelLevel& level = smp.levels[lod.level];
    const double width = level.width, height = level.height;
    // Point sampling with clamping, as Fetch does it, without its calls.
    const bool clampedPoint =
        !lod.linear && smp.addressU == D3DTADDRESS_CLAMP && smp.addressV == D3DTADDRESS_CLAMP;
    uint32_t texels[kLanes] = {};
    const uint32_t* const pixels = level.texels;
    const size_t pitch = level.pitch;
    const uint32_t alphaOr = level.alphaOr;
    for (int l = 0; l < count; l += 2) {
        Doubles2 u = {coord.c[0]->v[l], coord.c[0]->v[l + 1]}, v = {coord.c[1]->v[l], coord.c[1]->v[l + 1]};
        if (how.projected) {
            const Doubles2 q = {coord.c[3]->v[l], coord.c[3]->v[l + 1]};
            u /= q;
            v /= q;
        }
        u *= width;
        v *= height;
        if (clampedPoint) {
            const Ints2 x = ClampedTexelIndex(u, level.width), y = ClampedTexelIndex(v, level.height);
            for (int i = 0; i < 2; ++i)
                texels[l + i] = pixels[size_t(y[i]) * pitch + size_t(x[i])] | alphaOr;
            continue;
        }
        for (int i = 0; i < 2; ++i)
            texels[l + i] = SampleTexels(level, smp.addressU, smp.addressV, smp.border, lod.linear, ToFixed32(u[i]),
                                         ToFixed32(v[i]));
    }
    ColorsToLanes(texels, out);
}

}  // namespace host
