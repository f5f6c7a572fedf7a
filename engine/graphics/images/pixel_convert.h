// The one routine that copies a rectangle of pixels from one layout into another.
#pragma once
#include <cstdint>

#include "engine/graphics/images/color_format.h"

namespace orvik {

// Right and bottom are exclusive.
struct PixelRect {
    int left;
    int top;
    int right;
    int bottom;
};

enum : int { kDitherNone = 0, kDitherOrdered = 1, kDitherCarry = 2 };

// Copies the source rectangle to (destX, destY), converting every pixel. Nothing is
// clipped: both rectangles must lie inside their images. Options, in order: mirror left to
// right; turn pixels equal to keyColor (0xRRGGBB) transparent; dither mode when bits are
// dropped; write alpha only (colour channels 0); take alpha from the red channel; leave
// pixels equal to keyColor unwritten; remap 8-bit indices between differing palettes.
// Returns -1 for an empty rectangle or an 8-bit destination it cannot fill, the highest
// index copied for a plain 8-bit copy, else 0.
int ConvertPixelFormatBlt(void* dest, int destPitch, const ColorFormat* destFormat,
                          const void* source, int sourcePitch, const ColorFormat* sourceFormat,
                          const void* alphaPixels, int alphaPitch, const ColorFormat* alphaFormat,
                          int destX, int destY, const PixelRect& sourceRect, int mirror,
                          int keyToAlpha, uint32_t keyColor, int dither, int alphaOnly,
                          int alphaFromRed, int keySkip, int paletteRemap);

// 1 makes every conversion take the general per-channel path instead of its shortcuts, so
// a shortcut that disagrees can be found by comparing the two. Starts as the environment
// switch ORVIK_GENERIC_BLIT says (set to anything but nothing or "0" means on).
void ForceGenericPixelConversion(int on);

}  // namespace orvik
