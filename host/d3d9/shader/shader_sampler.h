// Texture lookups of shader code through the device's samplers: texld with the level the
// rasteriser measured for its primitive, texld in a quad and texldd from gradients, and
// texldl (pixel code, or vertex code through the vertex texture samplers) at the level
// its coordinate names.
#pragma once
#include <array>

#include "host/d3d9/device/draw_state.h"
#include "host/d3d9/raster/pixel_shade.h"
#include "host/d3d9/shader/shader_run.h"

namespace host {

class DeviceShaderSampler final : public ShaderSampler {
public:
    // `samplers` holds one sampler for each of the program's sampler registers.
    DeviceShaderSampler(const StageSampler* samplers, const ShaderProgram& p)
        : samplers_(samplers), types_(p.samplerTypes), declared_(p.samplers) {}

    // Slopes (texels of level 0 per pixel: du/dx, dv/dx, du/dy, dv/dy) of each declared
    // sampler's coordinates across the primitive; null for lines and points, which have
    // none. (A sampler the code does not declare reads as no texture.)
    void ChooseLevels(const double (*slopes)[4]);

    Vec4 Sample(int sampler, const Vec4& coord, const TexelRequest& how) override;
    void TexelLanes(int sampler, const LaneValue& coord, const TexelRequest& how, int count,
                    uint32_t out[kLanes]) override;

private:
    uint32_t Texel(int sampler, const Vec4& coord, const TexelRequest& how) const;
    StageLod LevelOf(int s, const Vec4& coord, const TexelRequest& how) const;

    const StageSampler* samplers_;
    std::array<uint8_t, 16> types_;
    uint16_t declared_;
    StageLod lods_[kShaderSamplers];
    double slope_[kShaderSamplers][4] = {};
};

}  // namespace host
