#include "host/d3d9/raster/texture_filter.h"

#include <algorithm>
#include <cmath>

namespace host {
namespace {

constexpr double kFixedOne = 4294967296.0;
// Bounds that keep the level and tap arithmetic in range for degenerate triangles, whose
// derivatives may be huge or not numbers at all.
constexpr double kMaxLevelOfDetail = 64.0, kMaxTapStep = 65536.0;

// A coordinate in texels of a level `from` wide as texels of a level `to` wide.
int64_t ToLevel(int64_t t, int32_t from, int32_t to) {
    if (from == 2 * to) return t >> 1;
    return int64_t(double(t) * double(to) / double(from));
}

// The level's lookup blended with the next level's by the fraction of the level of detail.
uint32_t SampleMip(const StageSampler& s, const StageLod& lod, int64_t tu, int64_t tv) {
    const uint32_t near = SampleLevel(s, lod.level, lod.linear, tu, tv);
    if (lod.blend == 0) return near;
    const TexelLevel& a = s.levels[lod.level];
    const TexelLevel& b = s.levels[lod.level + 1];
    const uint32_t far =
        SampleLevel(s, lod.level + 1, lod.linear, ToLevel(tu, a.width, b.width), ToLevel(tv, a.height, b.height));
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t c0 = (near >> shift) & 255, c1 = (far >> shift) & 255;
        out |= ((c0 * (256 - lod.blend) + c1 * lod.blend + 128) >> 8) << shift;
    }
    return out;
}

}  // namespace

StageLod FilteredLod(const StageSampler& s, double dudx, double dvdx, double dudy, double dvdy, double bias) {
    StageLod lod;
    const double lengthX = std::hypot(dudx, dvdx), lengthY = std::hypot(dudy, dvdy);
    double rho = std::max(lengthX, lengthY);
    const bool minify = (rho > 0 ? std::log2(rho) : -100.0) + bias > 0;
    const DWORD filter = minify ? s.minFilter : s.magFilter;
    lod.linear = filter >= D3DTEXF_LINEAR;
    if (filter == D3DTEXF_ANISOTROPIC && s.maxAnisotropy > 1) {
        // As many taps as the footprint is longer than wide (up to the sampler's limit),
        // spread along its long axis; each tap covers the rest.
        const double minor = std::min(lengthX, lengthY);
        const double ratio = minor > 0 ? std::min(rho / minor, double(s.maxAnisotropy)) : double(s.maxAnisotropy);
        lod.taps = std::clamp(int(std::ceil(ratio - 1e-6)), 1, s.maxAnisotropy);
        rho /= lod.taps;
    }
    const double level = std::clamp((rho > 0 ? std::log2(rho) : -100.0) + bias, -kMaxLevelOfDetail, kMaxLevelOfDetail);
    int base = 0;
    double fraction = 0;
    if (level > 0 && s.mipFilter == D3DTEXF_LINEAR) {
        base = int(std::floor(level));
        fraction = level - base;
    } else if (level > 0 && s.mipFilter != D3DTEXF_NONE) {
        base = int(std::lround(level));
    }
    const int last = std::max(0, s.levelCount - 1);
    base = std::max(base, s.maxLevel);
    if (base >= last) base = last, fraction = 0;
    lod.level = base;
    lod.blend = uint32_t(std::lround(fraction * 256));
    if (lod.taps > 1) {
        const bool alongX = lengthX >= lengthY;
        const double du = alongX ? dudx : dudy, dv = alongX ? dvdx : dvdy;
        const TexelLevel& top = s.levels[0];
        const TexelLevel& l = s.levels[base];
        auto step = [&](double d, double scale) {
            const double texels = d / lod.taps * scale;
            return int64_t(std::llround(std::isnan(texels) ? 0.0 : std::clamp(texels, -kMaxTapStep, kMaxTapStep) * kFixedOne));
        };
        lod.tapStepU = step(du, double(l.width) / top.width);
        lod.tapStepV = step(dv, double(l.height) / top.height);
    }
    return lod;
}

uint32_t SampleFiltered(const StageSampler& s, const StageLod& lod, int64_t tu, int64_t tv) {
    if (lod.taps <= 1) return SampleMip(s, lod, tu, tv);
    // Taps centred on the pixel's own point, one step apart.
    int64_t u = tu - lod.tapStepU * (lod.taps - 1) / 2, v = tv - lod.tapStepV * (lod.taps - 1) / 2;
    uint32_t sum[4] = {};
    for (int i = 0; i < lod.taps; ++i, u += lod.tapStepU, v += lod.tapStepV) {
        const uint32_t c = SampleMip(s, lod, u, v);
        for (int k = 0; k < 4; ++k) sum[k] += (c >> (8 * k)) & 255;
    }
    uint32_t out = 0;
    const uint32_t n = uint32_t(lod.taps);
    for (int k = 0; k < 4; ++k) out |= ((sum[k] + n / 2) / n) << (8 * k);
    return out;
}

}  // namespace host
