// The least of the memory images graphics start-up needs: plain 16- and 32-bit images
// over a reference-counted store, their standard formats and a rectangle fill.
#include "engine/softrender/memimg.h"

#include <array>
#include <cstring>
#include <new>

#include "engine/graphics/color_format.h"
#include "engine/graphics/graphics_system.h"
#include "engine/softrender/blend_tables.h"
#include "engine/softrender/memimg_write.h"

namespace orvik {

namespace {

const ColorFormat* Format(int32_t colorType) {
    static std::array<ColorFormat, 2> formats{};
    static bool built = false;
    if (!built) {
        FillColorFormatFromMasks(&formats[0], 16, 0xF800, 0x7E0, 0x1F, 0);
        FillXrgb32ColorFormat(&formats[1]);
        built = true;
    }
    return colorType == 0 || colorType == 1 ? &formats[size_t(colorType)] : nullptr;
}

}  // namespace

int SetupMemImg(MEMIMG* img, int32_t width, int32_t height, int32_t pitch, uint32_t transColor, int32_t colorType,
                int32_t usePalette, int32_t useAlpha, int32_t, void* userPixels) {
    if (!img || width <= 0 || height <= 0 || width > 16384 || height > 16384 || usePalette) return -1;
    const ColorFormat* format = Format(colorType);
    if (!format) return -1;
    *img = MEMIMG{};
    auto* store = new (std::nothrow) MemImgStore{};
    if (!store) return -1;
    int32_t bytes = colorType == 0 ? 2 : 4;
    store->refCount = 1;
    store->width = width;
    store->height = height;
    store->pitch = pitch > 0 ? pitch : (width * bytes + 15) / 16 * 16;
    store->pitchShift = -1;
    store->colorFormat = format;
    store->transColor = transColor;
    store->colorType = colorType;
    store->useAlpha = useAlpha;
    store->userPixels = userPixels != nullptr;
    store->pixels = userPixels ? static_cast<uint8_t*>(userPixels)
                               : new (std::nothrow) uint8_t[size_t(store->pitch) * size_t(height)]();
    if (!store->pixels) {
        delete store;
        return -1;
    }
    img->magic = kMemImgMagic;
    img->width = width;
    img->height = height;
    img->pixels = store->pixels;
    img->store = store;
    return 0;
}

int MakeMemImg(MEMIMG* img, int32_t width, int32_t height, int32_t colorType) {
    if (colorType == -1) colorType = GetScreenColorBitDepth() == 16 ? kMemImgRgb565 : kMemImgXrgb32;
    return SetupMemImg(img, width, height, -1, 0, colorType, 0, 0, 0, nullptr);
}

void MakeMemImgView(MEMIMG* view, const MEMIMG* src, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (!view || !IsMemImgValid(src) || x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > src->width ||
        y + height > src->height)
        return;
    *view = *src;
    view->width = width;
    view->height = height;
    view->pixels = src->pixels + size_t(y) * size_t(src->store->pitch) + size_t(x) * size_t(MemImgBytesPerPixel(src));
    ++src->store->refCount;
}

int IsMemImgValid(const MEMIMG* img) { return img && img->magic == kMemImgMagic && img->store ? 1 : 0; }

void ReleaseMemImg(MEMIMG* img) {
    if (!IsMemImgValid(img)) return;
    MemImgStore* store = img->store;
    if (--store->refCount == 0) {
        if (!store->userPixels) delete[] store->pixels;
        delete store;
    }
    img->magic = 0;
    img->store = nullptr;
}

const ColorFormat* GetMemImgColorFormat(int32_t colorType, int32_t, int32_t) { return Format(colorType); }

int MemImgBytesPerPixel(const MEMIMG* img) { return img->store->colorType == 0 ? 2 : 4; }

void PaintMemImgRect(MEMIMG* img, const int32_t* rect, uint32_t value) {
    if (!IsMemImgValid(img)) return;
    int32_t l = 0, t = 0, r = img->width, b = img->height;
    if (rect) {
        l = rect[0] > 0 ? rect[0] : 0;
        t = rect[1] > 0 ? rect[1] : 0;
        r = rect[2] < img->width ? rect[2] : img->width;
        b = rect[3] < img->height ? rect[3] : img->height;
    }
    int bytes = MemImgBytesPerPixel(img);
    for (int32_t y = t; y < b; ++y) {
        uint8_t* row = img->pixels + size_t(y) * size_t(img->store->pitch);
        for (int32_t x = l; x < r; ++x) std::memcpy(row + size_t(x) * size_t(bytes), &value, size_t(bytes));
    }
}

int InitMemImgBlendTables() { return 0; }

void BuildBlendImageWeightTable(int, int) {}

}  // namespace orvik
