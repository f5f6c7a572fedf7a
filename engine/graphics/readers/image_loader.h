// Loading an image from a file or a block of memory into a base image, with the optional
// companion alpha image ("pic_a.bmp" beside "pic.bmp").
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/graphics/images/base_image.h"

namespace orvik {

// A device-independent bitmap header as windows take it; negative height = top-down rows.
struct BitmapInfoHeader {
    uint32_t size;
    int32_t width;
    int32_t height;
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t sizeImage;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t colorsUsed;
    uint32_t colorsImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

struct BitmapInfo {
    BitmapInfoHeader header;
    PaletteEntry colors[256];
};

constexpr size_t kAlphaFileNameBytes = 260;

// Memory flag 0 reads the file at path, else the memory image. With the bitmap flag the
// image is also handed out as a bitmap header and bits (both tracked memory owned by the
// caller); the base image is then emptied. The mirror flag mirrors left to right.
// formatKnown, when given, tells whether an image reader knew the file's format (on -1:
// the file is an image that reader refused, not something else).
int LoadImageToBaseImage(const char* path, const void* memory, int32_t memorySize, int memoryFlag,
                         int bitmapFlag, int mirrorFlag, BaseImage* out,
                         BitmapInfo** bitmapInfo, void** bits, bool* formatKnown = nullptr);
int LoadImageToBaseImageEx(const char* path, const void* memory, int32_t memorySize,
                           int memoryFlag, BaseImage* out, int mirrorFlag);
// Alpha mode 0 loads the companion file of path, 1 the alpha memory image, others none.
// 0 with an alpha image, 1 without one, -1 when the main image fails; formatKnown as for
// LoadImageToBaseImage, of the main image.
int LoadImageWithAlphaFile(const char* path, const void* memory, int32_t memorySize,
                           int memoryFlag, const void* alphaMemory, int32_t alphaMemorySize,
                           int alphaMode, BaseImage* out, BaseImage* alphaOut, int unused,
                           int mirrorFlag, bool* formatKnown = nullptr);
// "dir/pic.bmp" -> "dir/pic_a.bmp"; a name without an extension gets "_a" at the end. The
// dot is looked for only in the last path component. -1 when the result does not fit.
int MakeAlphaFileName(const char* source, char* dest, size_t destBytes = kAlphaFileNameBytes);
// An 8-bit palette image becomes a top-down 8-bit bitmap, anything else top-down 24-bit.
int BaseImageToBitmapInfo(BaseImage* image, BitmapInfo** bitmapInfo, void** bits);

}  // namespace orvik
