#include "engine/graphics/images/base_image.h"

#include <cstring>

#include "engine/graphics/dds/dxt_decode.h"
#include "engine/graphics/images/image_memory.h"
#include "engine/graphics/images/pixel_access.h"
#include "engine/graphics/images/pixel_convert.h"
#include "engine/graphics/images/reversed_rows.h"

namespace orvik {

namespace {

int AllocatePixels(BaseImage* out, int width, int height, int32_t pitch) {
    out->width = width;
    out->height = height;
    out->pitch = pitch;
    out->mipCount = 0;
    out->pixels = static_cast<uint8_t*>(
        ORVIK_IMAGE_ALLOC(static_cast<size_t>(pitch) * static_cast<size_t>(height)));
    return out->pixels ? 0 : -1;
}

int NewFilledBaseImage(int width, int height, void (*fill)(ColorFormat*), bool alignPitch,
                       BaseImage* out) {
    if (CheckImageSides(width, height) != 0) return -1;
    fill(&out->format);
    const int32_t pitch = alignPitch ? AlignedPitch(width, 4) : width * 4;
    return AllocatePixels(out, width, height, pitch);
}

bool Inside(const BaseImage* image, int x, int y) {
    return static_cast<uint32_t>(x) < static_cast<uint32_t>(image->width) &&
           static_cast<uint32_t>(y) < static_cast<uint32_t>(image->height);
}

uint8_t* PixelAt(const BaseImage* image, int x, int y) {
    return image->pixels + static_cast<ptrdiff_t>(y) * image->pitch +
           static_cast<ptrdiff_t>(x) * image->format.bytesPerPixel;
}

// A channel field moved to the top of its byte without scaling.
uint32_t TopOfByte(uint32_t value, uint32_t mask, int shift, int width) {
    if (width == 0) return 0;
    const uint32_t field = ChannelField(value, mask, shift, width);
    return (width <= 8 ? field << (8 - width) : field >> (width - 8)) & 0xFFu;
}

// Average of a 2x2 block, a pair or a single pixel, each channel apart, truncating.
uint32_t AveragePixels(const ColorFormat& f, const uint32_t* values, int count, int shift) {
    const uint32_t masks[4] = {f.redMask, f.greenMask, f.blueMask, f.alphaMask};
    const int shifts[4] = {f.redShift, f.greenShift, f.blueShift, f.alphaShift};
    uint32_t result = 0;
    for (int c = 0; c < 4; ++c) {
        uint64_t sum = 0;
        for (int i = 0; i < count; ++i) sum += (values[i] & masks[c]) >> shifts[c];
        result |= static_cast<uint32_t>((sum >> shift) << shifts[c]) & masks[c];
    }
    return result;
}

}  // namespace

int32_t AlignedPitch(int32_t width, int bytesPerPixel) {
    return (width * bytesPerPixel + 3) & ~3;
}

int CheckImageSides(int64_t width, int64_t height) {
    if (width < 0 || height < 0 || width > kMaxImageBytes) return -1;
    return height == 0 || width * 4 <= kMaxImageBytes / height ? 0 : -1;
}

int NewBaseImageLike(int width, int height, const BaseImage* pattern, BaseImage* out) {
    if (CheckImageSides(width, height) != 0) return -1;
    out->format = pattern->format;
    return AllocatePixels(out, width, height, AlignedPitch(width, pattern->format.bytesPerPixel));
}

int NewArgb32BaseImage(int width, int height, BaseImage* out) {
    return NewFilledBaseImage(width, height, FillArgb32ColorFormat, false, out);
}

int NewXrgb32BaseImage(int width, int height, BaseImage* out) {
    return NewFilledBaseImage(width, height, FillXrgb32ColorFormat, true, out);
}

int FreeBaseImage(BaseImage* image) {
    if (image->pixels) ImageFree(image->pixels);
    *image = BaseImage{};
    return 0;
}

int ZeroBaseImageRect(BaseImage* image, int x, int y, int width, int height) {
    const size_t rowBytes = static_cast<size_t>(width) * image->format.bytesPerPixel;
    for (int row = 0; row < height; ++row) std::memset(PixelAt(image, x, y + row), 0, rowBytes);
    return 0;
}

uint32_t ReadBaseImagePixel(const BaseImage* image, int x, int y) {
    if (!image->pixels) return 0;
    const ColorFormat& f = image->format;
    const uint32_t v = LoadPixel(PixelAt(image, x, y), f.bytesPerPixel);
    if (f.bytesPerPixel == 1) {
        const PaletteEntry& e = f.palette[v];
        return (uint32_t{e.alpha} << 24) | (uint32_t{e.red} << 16) | (uint32_t{e.green} << 8) |
               e.blue;
    }
    return (TopOfByte(v, f.alphaMask, f.alphaShift, f.alphaWidth) << 24) |
           (TopOfByte(v, f.redMask, f.redShift, f.redWidth) << 16) |
           (TopOfByte(v, f.greenMask, f.greenShift, f.greenWidth) << 8) |
           TopOfByte(v, f.blueMask, f.blueShift, f.blueWidth);
}

int ReadBaseImagePixelRGBA(BaseImage* image, int x, int y, int* red, int* green, int* blue,
                           int* alpha) {
    if (DecodeDxtBaseImage(image) != 0) return -1;
    if (!Inside(image, x, y) || !image->pixels) return -1;
    const ColorFormat& f = image->format;
    const uint32_t v = LoadPixel(PixelAt(image, x, y), f.bytesPerPixel);
    if (f.bytesPerPixel != 1) return UnpackPixelColor(f, v, red, green, blue, alpha);
    const PaletteEntry& e = f.palette[v];
    if (red) *red = e.red;
    if (green) *green = e.green;
    if (blue) *blue = e.blue;
    if (alpha) *alpha = e.alpha;
    return 0;
}

int WriteBaseImagePixel(BaseImage* image, int x, int y, int red, int green, int blue,
                        int alpha) {
    if (DecodeDxtBaseImage(image) != 0) return -1;
    if (!Inside(image, x, y) || !image->pixels) return -1;
    const uint32_t v = GetColorInBaseImageFormat(image->format, red, green, blue, alpha);
    StorePixel(PixelAt(image, x, y), image->format.bytesPerPixel, v);
    return 0;
}

int MirrorBaseImage(BaseImage* image) {
    if (image->width == 0 || image->height == 0) return -1;
    const int bytes = image->format.bytesPerPixel;
    if (bytes < 1 || bytes > 4 || !image->pixels) return 0;
    const int32_t w = image->width;
    SwapReversedRows({image->pixels, image->pitch, image->pixels, image->pitch, image->height, w, w / 2}, bytes);
    return 0;
}

int FlipBaseImage(BaseImage* image) {
    if (image->format.compression != kCompressionNone) return -1;
    const int bytes = image->format.bytesPerPixel;
    if (bytes < 1 || bytes > 4 || !image->pixels || image->height < 2) return 0;
    // Swapping pixel x of row i with pixel w-1-x of row height-1-i, for every x, turns the
    // pair of rows half a turn.
    const int32_t w = image->width;
    SwapReversedRows({image->pixels, image->pitch, PixelAt(image, 0, image->height - 1), -ptrdiff_t{image->pitch},
                      image->height / 2, w, w},
                     bytes);
    return 0;
}

int HalveImageBlt(const ColorFormat* format, void* dest, int destPitch, const void* source,
                  int sourcePitch, int destX, int /*unused*/, int sourceX, int y,
                  int sourceWidth, int sourceHeight) {
    auto sideOk = [](int s) { return s == 1 || (s > 0 && s % 2 == 0); };
    if (!sideOk(sourceWidth) || !sideOk(sourceHeight)) return -1;
    const int bytes = format->bytesPerPixel;
    if (bytes != 2 && bytes != 4) return 0;
    const auto* src = static_cast<const uint8_t*>(source);
    auto* dst = static_cast<uint8_t*>(dest);
    const int stepX = sourceWidth > 1 ? 2 : 1, stepY = sourceHeight > 1 ? 2 : 1;
    const int count = stepX * stepY;
    const int shift = count == 4 ? 2 : count == 2 ? 1 : 0;
    for (int oy = 0; oy * stepY < sourceHeight; ++oy) {
        const uint8_t* row0 = src + static_cast<ptrdiff_t>(y + oy * stepY) * sourcePitch;
        const uint8_t* row1 = row0 + (stepY == 2 ? sourcePitch : 0);
        uint8_t* out = dst + static_cast<ptrdiff_t>(y + oy) * destPitch;
        for (int ox = 0; ox * stepX < sourceWidth; ++ox) {
            const int sx = sourceX + ox * stepX;
            uint32_t v[4];
            int n = 0;
            v[n++] = LoadPixel(row0 + sx * bytes, bytes);
            if (stepX == 2) v[n++] = LoadPixel(row0 + (sx + 1) * bytes, bytes);
            if (stepY == 2) {
                v[n++] = LoadPixel(row1 + sx * bytes, bytes);
                if (stepX == 2) v[n++] = LoadPixel(row1 + (sx + 1) * bytes, bytes);
            }
            StorePixel(out + (destX + ox) * bytes, bytes, AveragePixels(*format, v, n, shift));
        }
    }
    return 0;
}

int ConvertBaseImageFormat(int sourceX, int sourceY, int width, int height, int destX,
                           int destY, BaseImage* source, BaseImage* dest) {
    if (DecodeDxtBaseImage(source) != 0 || DecodeDxtBaseImage(dest) != 0) return -1;
    auto clipStart = [](int& a, int& b, int& size) {
        if (a < 0) { b -= a; size += a; a = 0; }
    };
    clipStart(sourceX, destX, width);
    clipStart(sourceY, destY, height);
    clipStart(destX, sourceX, width);
    clipStart(destY, sourceY, height);
    if (destX + width > dest->width) width = dest->width - destX;
    if (destY + height > dest->height) height = dest->height - destY;
    if (sourceX + width > source->width) width = source->width - sourceX;
    if (sourceY + height > source->height) height = source->height - sourceY;
    if (width <= 0 || height <= 0 || !source->pixels || !dest->pixels) return 0;
    const PixelRect rect{sourceX, sourceY, sourceX + width, sourceY + height};
    ConvertPixelFormatBlt(dest->pixels, dest->pitch, &dest->format, source->pixels,
                          source->pitch, &source->format, nullptr, 0, nullptr, destX, destY,
                          rect, 0, 0, 0, kDitherNone, 0, 0, 0, 0);
    return 0;
}

}  // namespace orvik
