// Mip-level choice and the filters beyond one bilinear lookup: trilinear (two levels
// blended by the fraction of the level of detail) and anisotropic (several bilinear taps
// along the footprint's longer axis, the level chosen from the shorter one).
#pragma once
#include <cstdint>

#include "host/d3d9/raster/pixel_shade.h"

namespace host {

// The level of detail of a primitive whose texture coordinates change by (dudx, dvdx)
// and (dudy, dvdy) level-0 texels per pixel, with `bias` added.
StageLod FilteredLod(const StageSampler& sampler, double dudx, double dvdx, double dudy, double dvdy, double bias);

// A lookup for a level of detail with taps or a second level (coordinates in texels of
// `lod.level`, 32 fraction bits).
uint32_t SampleFiltered(const StageSampler& sampler, const StageLod& lod, int64_t tu, int64_t tv);

}  // namespace host
