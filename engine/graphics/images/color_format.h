// Pixel layouts: the record that describes how a pixel value holds its channels, the
// standard layouts, and conversions between 8-bit channel values and pixel values.
#pragma once
#include <cstdint>

namespace orvik {

// One palette entry as it lies in memory: blue, green, red, then a fourth byte that is 0
// after loading unless a reader stores alpha there.
struct PaletteEntry {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
    uint8_t alpha;
};

// Compression kinds of a base image.
enum : uint32_t {
    kCompressionNone = 0,
    kCompressionDxt1 = 1,
    kCompressionDxt2 = 2,
    kCompressionDxt3 = 3,
    kCompressionDxt4 = 4,
    kCompressionDxt5 = 5,
};

// For 1-byte layouts the pixel is a palette index and the channel fields describe the
// palette entries as 32-bit values.
struct ColorFormat {
    uint16_t bitDepth;       // 8, 16, 24, 32; 4 (DXT1) or 8 (DXT2-5) for compressed data
    uint16_t bytesPerPixel;  // 1 to 4, 0 for compressed data
    uint8_t redWidth, greenWidth, blueWidth, alphaWidth;
    uint8_t redShift, greenShift, blueShift, alphaShift;
    uint32_t redMask, greenMask, blueMask, alphaMask;
    uint32_t unusedMask;
    PaletteEntry palette[256];
    uint8_t unusedShift, unusedWidth;
    uint32_t compression;
};

void FillPalette8ColorFormat(ColorFormat* format);
// As the palette layout, with a grey ramp: entry i = (i, i, i, 0).
void FillGray8ColorFormat(ColorFormat* format);
void FillRgb24ColorFormat(ColorFormat* format);
void FillXrgb32ColorFormat(ColorFormat* format);
void FillArgb32ColorFormat(ColorFormat* format);
void FillColorFormatFromMasks(ColorFormat* format, int bitDepth, uint32_t redMask,
                              uint32_t greenMask, uint32_t blueMask, uint32_t alphaMask);
// Unused mask 0 when the channels fill the depth, else the depth's bits outside them.
void ComputeColorFormatUnusedMask(ColorFormat* format);

// All bits of a pixel of the given depth (all ones for 32 and above).
uint32_t DepthBits(int bitDepth);
// Index of the lowest set bit and length of the run of set bits from there (0, 0 for 0).
void MaskShiftAndWidth(uint32_t mask, uint8_t* shift, uint8_t* width);

// A channel's field of a pixel value, no wider than the channel's width even when a mask
// read from a file has gaps.
uint32_t ChannelField(uint32_t value, uint32_t mask, int shift, int width);

// Channels of a 2- to 4-byte pixel value as 8-bit values; any output may be null. When
// red, green and blue are 8 bits wide and the layout has no alpha, the alpha output is
// left as it was.
int UnpackPixelColor(const ColorFormat& format, uint32_t value, int* red, int* green,
                     int* blue, int* alpha);
// The pixel value of the layout for 8-bit channels: the nearest palette index (ties to
// the lower index) for 1-byte layouts, else the channels cut to their widths with all
// unused bits set.
uint32_t GetColorInBaseImageFormat(const ColorFormat& format, int red, int green, int blue,
                                   int alpha);

}  // namespace orvik
