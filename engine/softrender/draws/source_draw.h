// What every draw from a source image decides once before its walk: whether source and
// destination fit together, the area it may write, and the pipeline variant with its
// per-draw context.
#pragma once
#include <cstdint>

#include "engine/platform/base/rect.h"
#include "engine/softrender/pipeline/draw_state.h"
#include "engine/softrender/pipeline/memimg.h"
#include "engine/softrender/pipeline/pipeline_dispatch.h"

namespace orvik::soft {

// The draw area, further cut to the destination itself, so that a stale draw area can
// never let a walk leave the image.
Rect TargetArea(const MEMIMG& dst, const MemImgDrawState& ds);

// A rectangle given by 64-bit edges, held to the 32-bit range (every draw area lies
// inside it, so clipping gives the same result).
Rect RectFrom64(int64_t left, int64_t top, int64_t right, int64_t bottom);

// A valid 16-bit or 32-bit destination without palette or alpha (a log line names the
// caller when the image is not valid).
bool TargetFits(const MEMIMG* dst, const char* caller);

// Both images valid (a log line names the caller otherwise), of the same 16-bit or
// 32-bit colour type, and a destination without palette or alpha.
bool SourceFitsTarget(const MEMIMG* dst, const MEMIMG* src, const char* caller);

// Depth 16 or 32 of an image whose colour type is 0 or 1.
inline int DepthOf(const MEMIMG& img) { return img.store->colorType == kMemImgXrgb32 ? 32 : 16; }

// Bytes of one source pixel: 1 with a palette, 4 for 32-bit and for 16-bit with alpha.
int SourceBytes(const MemImgStore& st);

struct SourceVariant {
    VariantKey key;
    PixelContext cx;
};

// The mode gate and the variant of a source draw under the current settings. False when
// the mode or parameter draws nothing, or when a blend image does not cover the source.
bool ChooseSourceVariant(const MemImgDrawState& ds, const MEMIMG& src, bool keyed,
                         const MEMIMG* blend, Flavour flavour, SourceVariant* out);

// The palette copies the point and the stretched draw leave behind them: the source's
// entries, 4 bytes each for a 32-bit and 2 for a 16-bit image.
void CopyWorkPalette(const MemImgStore& st, uint32_t* work);

}  // namespace orvik::soft
