#include "host/d3d9/resources/texture_views.h"

#include <algorithm>

#include "host/d3d9/resources/cube_texture.h"
#include "host/d3d9/resources/volume_texture.h"

namespace host {
namespace {

TexelLevel ViewOf(Surface* surface) {
    TexelLevel l;
    l.texels = surface->ArgbView(&l.alphaOr, &l.pitch);
    l.width = int32_t(surface->Width());
    l.height = int32_t(surface->Height());
    l.surface = surface;
    return l;
}

}  // namespace

void FillStageTexels(BaseTexture* texture, StageSampler* smp) {
    smp->type = texture->GetType();
    smp->levelCount = int(std::min<uint32_t>(texture->GetLevelCount(), 16));
    const auto levels = uint32_t(smp->levelCount);
    if (smp->type == D3DRTYPE_CUBETEXTURE) {
        const auto* cube = static_cast<const CubeTexture*>(texture);
        smp->faces.resize(size_t(kCubeFaces) * levels);
        for (uint32_t face = 0; face < kCubeFaces; ++face)
            for (uint32_t i = 0; i < levels; ++i) smp->faces[face * levels + i] = ViewOf(cube->Face(face, i));
        // Every face has the sizes of the first: the level choice reads them from `levels`.
        std::copy_n(smp->faces.begin(), levels, smp->levels);
    } else if (smp->type == D3DRTYPE_VOLUMETEXTURE) {
        auto* volume = static_cast<VolumeTexture*>(texture);
        for (uint32_t i = 0; i < levels; ++i) smp->levels[i] = volume->ArgbLevel(i);
    } else {
        const auto* plain = static_cast<const Texture*>(texture);
        for (uint32_t i = 0; i < levels; ++i) smp->levels[i] = ViewOf(plain->Level(i));
    }
}

void TexelScale(const StageSampler& smp, int level, double out[3]) {
    if (smp.type == D3DRTYPE_CUBETEXTURE) {
        out[0] = out[1] = out[2] = 1.0;
        return;
    }
    const TexelLevel& l = smp.levels[level];
    out[0] = l.width;
    out[1] = l.height;
    out[2] = smp.type == D3DRTYPE_VOLUMETEXTURE ? l.depth : 0.0;
}

}  // namespace host
