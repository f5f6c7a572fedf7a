// Blend masks: a graphic whose alpha weights every pixel a textured draw writes, through
// a ramp set by a border (where the ramp lies) and a range (how wide it is). The software
// renderer reads an 8-bit copy of the mask's alpha; the device reads the mask's own
// texture on a second texture stage.
#pragma once
#include <cstdint>

#include "engine/graphics/device/stage_setup.h"

namespace host {
class Texture;
}

namespace orvik {

struct GraphImageSet;
struct MEMIMG;

// The device's ramp for a border and range (0..255 each): the slope is 4, 2 or 1 for
// ranges up to 64, up to 128 and above, the threshold where the weight leaves 0.
MaskRamp BlendMaskRamp(int border, int range);
// The texture factor carrying the ramp's threshold in its alpha (colour white).
uint32_t BlendMaskTextureFactor(const MaskRamp& ramp);

// Software path: makes the 8-bit copy of the mask's alpha (no alpha: 255, or 0 where the
// colour key lies) and returns it; null clears it, and for an image it cannot copy.
MEMIMG* MakeSoftBlendMask(const GraphImageSet* set);
// The mask's texture while the blend-mask graphic is a live textured graphic, else null.
host::Texture* LiveBlendMaskTexture();
// Frees the software copy (graphics shut down).
void ReleaseSoftBlendMask();

}  // namespace orvik
