#include "engine/graphics/images/color_format.h"

#include <bit>

namespace orvik {

namespace {

// Writes every channel field of an 8-bit-per-channel layout; alpha only when asked.
void FillByteChannels(ColorFormat* f, int depth, int bytes, bool alpha, uint32_t unused) {
    f->bitDepth = static_cast<uint16_t>(depth);
    f->bytesPerPixel = static_cast<uint16_t>(bytes);
    f->redWidth = f->greenWidth = f->blueWidth = 8;
    f->redShift = 16;
    f->greenShift = 8;
    f->blueShift = 0;
    f->redMask = 0xFF0000u;
    f->greenMask = 0xFF00u;
    f->blueMask = 0xFFu;
    f->alphaWidth = alpha ? 8 : 0;
    f->alphaShift = alpha ? 24 : 0;
    f->alphaMask = alpha ? 0xFF000000u : 0;
    f->unusedMask = unused;
    MaskShiftAndWidth(unused, &f->unusedShift, &f->unusedWidth);
    f->compression = kCompressionNone;
}

uint32_t MaxOfWidth(int width) { return width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1; }

// A channel field scaled to 0..255 (0 for an absent channel).
int ScaleField(uint32_t value, uint32_t mask, int shift, int width) {
    if (width == 0) return 0;
    const uint64_t field = ChannelField(value, mask, shift, width);
    return static_cast<int>(field * 255 / MaxOfWidth(width));
}

// An 8-bit value cut (never rounded) to a channel's width, placed at its shift.
uint32_t PlaceChannel(int value, int width, int shift) {
    if (width == 0) return 0;
    const uint32_t v = static_cast<uint32_t>(value) & 0xFFu;
    const uint32_t field = width <= 8 ? v >> (8 - width) : v << (width - 8);
    return field << shift;
}

uint32_t NearestPaletteIndex(const ColorFormat& format, int red, int green, int blue) {
    uint32_t best = 0;
    int64_t bestDistance = 0xFFFFFF;
    for (uint32_t i = 0; i < 256; ++i) {
        const PaletteEntry& e = format.palette[i];
        const int64_t db = e.blue - blue, dg = e.green - green, dr = e.red - red;
        const int64_t distance = db * db + dg * dg + dr * dr;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

}  // namespace

uint32_t DepthBits(int bitDepth) { return MaxOfWidth(bitDepth); }

uint32_t ChannelField(uint32_t value, uint32_t mask, int shift, int width) {
    return ((value & mask) >> shift) & MaxOfWidth(width);
}

void MaskShiftAndWidth(uint32_t mask, uint8_t* shift, uint8_t* width) {
    if (mask == 0) {
        *shift = *width = 0;
        return;
    }
    const int s = std::countr_zero(mask);
    *shift = static_cast<uint8_t>(s);
    *width = static_cast<uint8_t>(std::countr_one(mask >> s));
}

void FillPalette8ColorFormat(ColorFormat* format) {
    FillByteChannels(format, 8, 1, false, 0xFF000000u);
}

void FillGray8ColorFormat(ColorFormat* format) {
    FillPalette8ColorFormat(format);
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<uint8_t>(i);
        format->palette[i] = PaletteEntry{v, v, v, 0};
    }
}

void FillRgb24ColorFormat(ColorFormat* format) { FillByteChannels(format, 24, 3, false, 0); }

void FillXrgb32ColorFormat(ColorFormat* format) {
    FillByteChannels(format, 32, 4, false, 0xFF000000u);
}

void FillArgb32ColorFormat(ColorFormat* format) { FillByteChannels(format, 32, 4, true, 0); }

void FillColorFormatFromMasks(ColorFormat* f, int bitDepth, uint32_t redMask, uint32_t greenMask,
                              uint32_t blueMask, uint32_t alphaMask) {
    f->bitDepth = static_cast<uint16_t>(bitDepth);
    f->bytesPerPixel = static_cast<uint16_t>(bitDepth / 8);
    f->compression = kCompressionNone;
    f->redMask = redMask;
    f->greenMask = greenMask;
    f->blueMask = blueMask;
    f->alphaMask = alphaMask;
    MaskShiftAndWidth(redMask, &f->redShift, &f->redWidth);
    MaskShiftAndWidth(greenMask, &f->greenShift, &f->greenWidth);
    MaskShiftAndWidth(blueMask, &f->blueShift, &f->blueWidth);
    MaskShiftAndWidth(alphaMask, &f->alphaShift, &f->alphaWidth);
    f->unusedMask = DepthBits(bitDepth) & ~(redMask | greenMask | blueMask | alphaMask);
    MaskShiftAndWidth(f->unusedMask, &f->unusedShift, &f->unusedWidth);
}

void ComputeColorFormatUnusedMask(ColorFormat* f) {
    const int used = f->redWidth + f->greenWidth + f->blueWidth + f->alphaWidth;
    f->unusedMask = used == f->bitDepth
                        ? 0
                        : DepthBits(f->bitDepth) &
                              ~(f->redMask | f->greenMask | f->blueMask | f->alphaMask);
}

int UnpackPixelColor(const ColorFormat& f, uint32_t value, int* red, int* green, int* blue,
                     int* alpha) {
    const bool bytes = f.redWidth == 8 && f.greenWidth == 8 && f.blueWidth == 8;
    auto raw = [value](uint32_t mask, int shift) {
        return static_cast<int>(ChannelField(value, mask, shift, 8));
    };
    if (bytes) {
        if (red) *red = raw(f.redMask, f.redShift);
        if (green) *green = raw(f.greenMask, f.greenShift);
        if (blue) *blue = raw(f.blueMask, f.blueShift);
        if (alpha && f.alphaWidth != 0)
            *alpha = f.alphaWidth == 8 ? raw(f.alphaMask, f.alphaShift)
                                       : ScaleField(value, f.alphaMask, f.alphaShift, f.alphaWidth);
        return 0;
    }
    if (red) *red = ScaleField(value, f.redMask, f.redShift, f.redWidth);
    if (green) *green = ScaleField(value, f.greenMask, f.greenShift, f.greenWidth);
    if (blue) *blue = ScaleField(value, f.blueMask, f.blueShift, f.blueWidth);
    if (alpha) *alpha = ScaleField(value, f.alphaMask, f.alphaShift, f.alphaWidth);
    return 0;
}

uint32_t GetColorInBaseImageFormat(const ColorFormat& f, int red, int green, int blue,
                                   int alpha) {
    if (f.bytesPerPixel == 1) return NearestPaletteIndex(f, red, green, blue);
    return PlaceChannel(blue, f.blueWidth, f.blueShift) +
           PlaceChannel(green, f.greenWidth, f.greenShift) +
           PlaceChannel(red, f.redWidth, f.redShift) + f.unusedMask +
           PlaceChannel(alpha, f.alphaWidth, f.alphaShift);
}

}  // namespace orvik
