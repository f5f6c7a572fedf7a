// The texels a stage samples, as 0xAARRGGBB views of whichever kind of texture it holds:
// the levels of a 2D texture, the six faces' levels of a cube, or a volume's levels.
#pragma once
#include "host/d3d9/device/draw_state.h"
#include "host/d3d9/resources/resources.h"

namespace host {

// Sets the sampler's texture kind, level count and texel views from `texture`.
void FillStageTexels(BaseTexture* texture, StageSampler* sampler);

// Texels per unit of each texture coordinate at `level`: the level's sides for 2D and
// volume textures (0 for the third coordinate of a 2D one); 1 for a cube, whose
// coordinates stay a direction until the face is chosen.
void TexelScale(const StageSampler& sampler, int level, double out[3]);

// How many texture coordinates the sampler reads: 2, or 3 for cube and volume textures.
inline int TexCoordAxes(const StageSampler& sampler) { return sampler.type == D3DRTYPE_TEXTURE ? 2 : 3; }

}  // namespace host
