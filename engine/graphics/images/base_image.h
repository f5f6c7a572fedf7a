// An image in memory: a pixel layout, a size and one owned block of rows, top row first.
// Readers fill base images; textures, software images and fonts are made from them.
#pragma once
#include <cstddef>
#include <climits>
#include <cstdint>

#include "engine/graphics/images/color_format.h"

namespace orvik {

// Most bytes an image's pixels may take: pitches, sizes and row offsets are 32-bit signed
// numbers throughout, so an image whose 32-bit pixels would not fit is refused before a
// size computation can overflow. Any shape within it is taken (a 40000 x 2 strip as well
// as a 20000 x 20000 square).
constexpr int64_t kMaxImageBytes = INT32_MAX;

struct BaseImage {
    ColorFormat format;
    int32_t width;
    int32_t height;
    int32_t pitch;      // bytes from one row to the next; 0 for compressed data
    uint8_t* pixels;    // tracked memory owned by the record; null when empty
    uint32_t mipCount;  // set by the DDS reader only
};

// Pitch of a row of width pixels of the given byte size, rounded up to 4 bytes.
int32_t AlignedPitch(int32_t width, int bytesPerPixel);
// 0 when both sides are 0 or more and the image's 32-bit pixels fit kMaxImageBytes.
int CheckImageSides(int64_t width, int64_t height);

int NewBaseImageLike(int width, int height, const BaseImage* pattern, BaseImage* out);
int NewArgb32BaseImage(int width, int height, BaseImage* out);
int NewXrgb32BaseImage(int width, int height, BaseImage* out);
int FreeBaseImage(BaseImage* image);
int ZeroBaseImageRect(BaseImage* image, int x, int y, int width, int height);

// 0xAARRGGBB with every channel at the top of its byte (no scaling); 0 without pixels.
uint32_t ReadBaseImagePixel(const BaseImage* image, int x, int y);
int ReadBaseImagePixelRGBA(BaseImage* image, int x, int y, int* red, int* green, int* blue,
                           int* alpha);
int WriteBaseImagePixel(BaseImage* image, int x, int y, int red, int green, int blue,
                        int alpha);

int MirrorBaseImage(BaseImage* image);
int FlipBaseImage(BaseImage* image);
// Half-size copy of a block of 16- or 32-bit pixels for mip levels; each side of the
// block must be 1 or even.
int HalveImageBlt(const ColorFormat* format, void* dest, int destPitch, const void* source,
                  int sourcePitch, int destX, int unused, int sourceX, int y, int sourceWidth,
                  int sourceHeight);
// Converts a clipped rectangle of one base image into another's layout.
int ConvertBaseImageFormat(int sourceX, int sourceY, int width, int height, int destX,
                           int destY, BaseImage* source, BaseImage* dest);

}  // namespace orvik
