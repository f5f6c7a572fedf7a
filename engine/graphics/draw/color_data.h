// Colour data: pixel layouts of the Direct3D formats and of the engine's standard
// texture formats, colour values in the screen's format, and the display modes.
#pragma once
#include <orvik/graphics.h>
#include <cstdint>

#include "engine/graphics/images/color_format.h"

namespace orvik {

struct DisplayModeEntry;

// What kind of image a texture is made for.
struct ImageColorSpec {
    int32_t alpha = 0, drawable = 0, compression = 0, alphaTest = 0, depth = 16;
};

// The layout of a Direct3D format code, or null for a code without one.
const ColorFormat* GetD3DFormatColorData(uint32_t d3dFormat);
// The standard layout of a texture format index 0 to 13, or null.
const ColorFormat* GetStandardColorDataByIndex(int index);
// The texture format index for an image description (an unknown compression kind gives -1).
int GetColorDataIndexFromSpec(const ImageColorSpec& spec);
const ColorFormat* GetColorDataFromSpec(const ImageColorSpec& spec);
const ColorFormat* GetColorDataFromBits(int alpha, int alphaTest, int depth32, int drawable);

// r, g, b (0 to 255) as a pixel value of the screen's format, and back.
uint32_t GetColorValue(int red, int green, int blue);
int DecodeColorValue(uint32_t pixel, int* red, int* green, int* blue);

// 320 x 240 while a 320 x 240 flag is on, else the set size; any pointer may be null.
int GetScreenModeInfo(int* width, int* height, int* depth);
int IsFullScreenMode();
int Set320x240ScaleFlag(int on);
int FindDisplayMode(int width, int height, int bits);
// Switches the display for full screen; falls back without the refresh rate, then from
// 320 x 240 to 640 x 480 with the scale flag. 0 or -1.
int ChangeDisplayMode();

}  // namespace orvik
