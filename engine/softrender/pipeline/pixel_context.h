// Builds the per-draw inputs of the pixel pipeline from the draw state and the source.
#pragma once
#include "engine/softrender/pipeline/draw_state.h"
#include "engine/softrender/pipeline/memimg.h"
#include "engine/softrender/pipeline/pixel_pipeline.h"

namespace orvik::soft {

// The draw's tint is on when the bright is not white.
inline bool IsTinted(const MemImgDrawState& ds) { return (ds.bright & 0xFFFFFFu) != 0xFFFFFFu; }

// Table rows for the draw's parameter and bright; palette and transparent value of the
// source when one is given.
PixelContext MakePixelContext(const MemImgDrawState& ds, const MemImgStore* source);

// A blend image is read at the source pixel's own column and row, so it must be a valid
// 8-bit image at least as wide and as high as the source; a draw with one that is not
// draws nothing rather than read past its rows.
bool BlendImageCovers(const MEMIMG* blend, const MEMIMG* src);

// True while ORVIK_SOFT_GENERIC (or a test) asks every walker for its per-pixel path.
bool GenericPathForced();
void ForceGenericPath(bool on);

}  // namespace orvik::soft
