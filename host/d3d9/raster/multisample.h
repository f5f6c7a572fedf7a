// Multisampling by supersampling: a multisampled surface keeps one full plane of pixels
// (and of depth and stencil) per sample; a draw runs once per plane with the geometry
// moved by that sample's offset from the pixel centre, and a resolve averages the planes.
#pragma once
#include <cstddef>
#include <cstdint>

#include "host/d3d9/device/d3d9_types.h"

namespace host {

class Surface;
struct DrawState;

// Samples of a multisample type and quality: 1 for none, 2 or 4, and 0 for a type or
// quality the device does not offer. The non-maskable type has two quality levels: 2
// and 4 samples.
uint32_t SampleCount(D3DMULTISAMPLE_TYPE type, DWORD quality);
// Quality levels of a type for a format (0 when the pair cannot be multisampled).
DWORD QualityLevels(D3DFORMAT format, D3DMULTISAMPLE_TYPE type);

// Where a draw's planes lie: plane 0 as the draw state was made, and the distance from
// one plane to the next.
struct SamplePlanes {
    uint32_t count = 1;
    uint8_t* target = nullptr;
    float* depth = nullptr;
    uint8_t* stencil = nullptr;
    size_t targetBytes = 0, values = 0;  // a target plane's bytes; a depth or stencil plane's values
};
SamplePlanes PlanesOf(const DrawState& st, const Surface& target, const Surface* depthStencil);
// Points the draw state at plane `sample`, with the sample's offset; `centred` puts every
// sample at the pixel centre (multisample antialiasing switched off).
void SelectSamplePlane(const SamplePlanes& planes, uint32_t sample, bool centred, DrawState* st);

// The average of a multisampled surface's samples at pixel (x, y), as 0xAARRGGBB.
uint32_t ResolvedArgb(const Surface& surface, int32_t x, int32_t y);
// The whole surface resolved into rows of its own format `pitch` bytes apart.
void ResolveSurface(const Surface& surface, uint8_t* out, size_t pitch);

}  // namespace host
