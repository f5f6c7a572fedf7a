// The general pixel path: texture sampling, the texture stage operations, specular,
// alpha test, depth test and blending into the target, one pixel at a time.
#pragma once
#include <cstdint>

#include "host/d3d9/device/draw_state.h"

namespace host {

// Per primitive and stage: the mip level sampled and whether it is filtered; for
// trilinear filtering the weight of the next level (0 to 256, 0 for none), for
// anisotropic filtering the number of taps and the step between them (texels of `level`,
// 32 fraction bits).
struct StageLod {
    int level = 0;
    bool linear = false;
    uint32_t blend = 0;
    int taps = 1;
    int64_t tapStepU = 0, tapStepV = 0;
};

struct PixelInput {
    uint32_t diffuse = 0xFFFFFFFFu, specular = 0;
    // Texture coordinates in texels of the stage's level, 32 fraction bits.
    // The third coordinate for volume textures; for cubes all three are the direction
    // itself, unscaled.
    int64_t tu[kMaxStages] = {}, tv[kMaxStages] = {}, tw[kMaxStages] = {};
    float z = 0;
    float w = 1;  // the eye distance 1 / rhw, for fog from w
};

// Texture lookup at texel coordinates (32 fraction bits) with the sampler's addressing;
// `tw` is read by cube and volume textures only.
uint32_t SampleTexture(const StageSampler& sampler, const StageLod& lod, int64_t tu, int64_t tv, int64_t tw = 0);
// One point or bilinear lookup in one level.
uint32_t SampleLevel(const StageSampler& sampler, int level, bool linear, int64_t tu, int64_t tv);
// The same in one level's texels, with the addressing given for across and down.
uint32_t SampleTexels(const TexelLevel& level, DWORD addressU, DWORD addressV, uint32_t border, bool linear,
                      int64_t tu, int64_t tv);
// A texel index after addressing on a side of n texels, or -1 for the border colour.
int AddressTexel(int64_t i, int n, DWORD mode);

// Cube and volume textures (texture_sample3d.cpp).
uint32_t SampleCube(const StageSampler& sampler, const StageLod& lod, int64_t tu, int64_t tv, int64_t tw);
uint32_t SampleVolume(const StageSampler& sampler, const StageLod& lod, int64_t tu, int64_t tv, int64_t tw);

// Shades and writes pixel (x, y), which must lie inside the clip rectangle.
void ShadePixel(const DrawState& state, const StageLod* lods, const PixelInput& in, int x, int y);

// The back end of a pixel inside the clip rectangle: alpha test, depth test, blending,
// the colour write mask and the write, for a colour from the texture stages or a shader.
void OutputPixel(const DrawState& state, uint32_t color, float z, int x, int y);

// The blend of a source pixel over a destination pixel under the state's factors.
uint32_t BlendPixel(const DrawState& state, uint32_t src, uint32_t dst);

}  // namespace host
