#include "engine/softrender/pipeline/memimg.h"

#include <cstdint>
#include <cstddef>
#include <cstring>
#include <limits>

#include "engine/graphics/images/color_format.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/softrender/pipeline/soft_state.h"

namespace orvik {
namespace {

int BytesPerPixel(int32_t colorType, int32_t usePalette, int32_t useAlpha) {
    if (usePalette) return 1;
    if (colorType == kMemImgRgb565) return useAlpha ? 4 : 2;
    static constexpr int kBytes[] = {2, 4, 1, 2};
    return kBytes[colorType];
}

int PitchShift(int64_t n, int32_t pitch) {
    int k = 0;
    int64_t p = 1;
    while (p < n) {
        p <<= 1;
        ++k;
    }
    return pitch == p ? k : -1;
}

// Byte count of rows x rowBytes, or -1 when it does not fit the 32-bit sizes the
// images are addressed with.
int64_t PlaneBytes(int64_t rowBytes, int64_t rows) {
    const int64_t n = rowBytes * rows;
    return n > std::numeric_limits<int32_t>::max() ? -1 : n;
}

uint8_t* AllocBlock(int64_t bytes) {
    return static_cast<uint8_t*>(TrackedAlloc(static_cast<size_t>(bytes), "", 0));
}

bool ValidRequest(int32_t width, int32_t height, int32_t pitch, int32_t colorType,
                  int bytes) {
    if (colorType < 0 || colorType > 3) {
        AddLogFormat("unknown memory image colour type %d", colorType);
        return false;
    }
    if (width < 0 || height < 0 || (pitch != -1 && pitch < int64_t{width} * bytes)) {
        AddLogFormat("bad memory image size %d x %d, pitch %d", width, height, pitch);
        return false;
    }
    if (PlaneBytes(int64_t{width} * bytes + 15, height) < 0 ||
        (pitch != -1 && PlaneBytes(pitch, height) < 0) ||
        PlaneBytes(int64_t{width} + 5, height) < 0) {
        AddLogFormat("memory image %d x %d is too large", width, height);
        return false;
    }
    return true;
}

void FillSingleValue(ColorFormat& f, int depth, uint32_t mask) {
    std::memset(&f, 0, sizeof f);
    f.bitDepth = static_cast<uint16_t>(depth);
    f.bytesPerPixel = static_cast<uint16_t>(depth / 8);
    f.redWidth = f.greenWidth = f.blueWidth = f.alphaWidth = static_cast<uint8_t>(depth);
    f.redMask = f.greenMask = f.blueMask = f.alphaMask = mask;
}

void BuildFormat(int index, ColorFormat& f) {
    if (index == 8) return FillSingleValue(f, 8, 0xFF);
    if (index == 9) return FillSingleValue(f, 16, 0xFFFF);
    const bool rgb32 = (index & 4) != 0, alpha = (index & 2) != 0, palette = (index & 1) != 0;
    const int depth = palette ? 8 : (rgb32 || alpha) ? 32 : 16;
    if (rgb32)
        FillColorFormatFromMasks(&f, depth, 0x00FF0000u, 0x0000FF00u, 0x000000FFu, alpha ? 0xFF000000u : 0);
    else
        FillColorFormatFromMasks(&f, depth, 0xF800u, 0x07E0u, 0x001Fu, alpha ? 0x00FF0000u : 0);
}

// The palette block, the pixel plane (unless the caller's) and, asked for, the
// premultiplied plane (alpha images) and the run codes (all but blend masks); false when
// one of them cannot be had.
bool AllocateBlocks(MemImgStore& st, int32_t makeExtras) {
    if (st.usePalette) {
        st.palette = static_cast<uint8_t*>(TrackedCalloc(2048, "", 0));
        if (st.palette == nullptr) return false;
        st.paletteCopy = st.palette + 1024;
    }
    const int64_t planeBytes = PlaneBytes(st.pitch, st.height);
    if (!st.userPixels && (st.pixels = AllocBlock(planeBytes)) == nullptr) return false;
    if (!makeExtras) return true;
    if (st.useAlpha && (st.premulPixels = AllocBlock(planeBytes)) == nullptr) return false;
    if (st.colorType != kMemImgSingle8 &&
        (st.runCodes = AllocBlock(PlaneBytes(int64_t{st.width} + 5, st.height))) == nullptr)
        return false;
    return true;
}

void FreeStore(MemImgStore* st) {
    if (!st->userPixels) TrackedFree(st->pixels);
    TrackedFree(st->premulPixels);
    TrackedFree(st->runCodes);
    TrackedFree(st->palette);
    TrackedFree(st);
}

}  // namespace

const ColorFormat* GetMemImgColorFormat(int32_t colorType, int32_t useAlpha, int32_t usePalette) {
    if (colorType < 0 || colorType > 3) return nullptr;
    const int index = colorType >= 2 ? 6 + colorType
                                     : colorType * 4 + (useAlpha ? 2 : 0) + (usePalette ? 1 : 0);
    SoftRenderState& s = SoftRender();
    if (!s.formatBuilt[index]) {
        BuildFormat(index, s.formats[index]);
        s.formatBuilt[index] = true;
    }
    return &s.formats[index];
}

int SetupMemImg(MEMIMG* img, int32_t width, int32_t height, int32_t pitch, uint32_t transColor,
                int32_t colorType, int32_t usePalette, int32_t useAlpha, int32_t makeExtras,
                void* userPixels) {
    if (img == nullptr || img->magic == kMemImgMagic) return -1;
    if (usePalette) useAlpha = 0;
    if (colorType == kMemImgSingle8 || colorType == kMemImgSingle16) usePalette = useAlpha = 0;
    usePalette = usePalette ? 1 : 0;
    useAlpha = useAlpha ? 1 : 0;
    const int bytes = colorType >= 0 && colorType <= 3 ? BytesPerPixel(colorType, usePalette, useAlpha) : 0;
    if (!ValidRequest(width, height, pitch, colorType, bytes)) return -1;

    auto* st = static_cast<MemImgStore*>(TrackedCalloc(sizeof(MemImgStore), "", 0));
    if (st == nullptr) return -1;
    st->refCount = 1;
    st->width = width;
    st->height = height;
    st->transColor = transColor;
    st->colorType = colorType;
    st->usePalette = usePalette;
    st->useAlpha = useAlpha;
    const int64_t rowBytes = int64_t{bytes} * width;
    st->pitch = pitch == -1 ? static_cast<int32_t>(((rowBytes + 15) >> 4) << 4) : pitch;
    st->pitchShift = PitchShift(pitch == -1 ? rowBytes : pitch, st->pitch);
    st->colorFormat = GetMemImgColorFormat(colorType, useAlpha, usePalette);
    st->userPixels = userPixels != nullptr ? 1 : 0;
    st->pixels = static_cast<uint8_t*>(userPixels);
    // A set-up that fails leaves nothing behind: the record is never valid, so no release
    // would ever free what it had made.
    if (!AllocateBlocks(*st, makeExtras)) {
        FreeStore(st);
        return -1;
    }

    img->store = st;
    img->magic = kMemImgMagic;
    img->width = width;
    img->height = height;
    img->pixels = st->pixels;
    img->premulPixels = st->premulPixels;
    return 0;
}

int MakeMemImg(MEMIMG* img, int32_t width, int32_t height, int32_t colorType) {
    if (img == nullptr) return -1;
    std::memset(img, 0, sizeof *img);
    if (colorType == -1)
        colorType = GetScreenColorBitDepth() == 16 ? kMemImgRgb565 : kMemImgXrgb32;
    return SetupMemImg(img, width, height, -1, 0, colorType, 0, 0, 0, nullptr);
}

void MakeMemImgView(MEMIMG* view, const MEMIMG* src, int32_t x, int32_t y, int32_t width,
                    int32_t height) {
    if (view == nullptr || !IsMemImgValid(src)) return;
    if (x < 0 || y < 0 || width < 0 || height < 0 || int64_t{x} + width > src->width ||
        int64_t{y} + height > src->height)
        return;
    MemImgStore* st = src->store;
    const ptrdiff_t offset = ptrdiff_t{y} * st->pitch + ptrdiff_t{x} * MemImgBytesPerPixel(src);
    view->width = width;
    view->height = height;
    view->magic = kMemImgMagic;
    view->pixels = src->pixels + offset;
    view->premulPixels = st->premulPixels != nullptr ? src->premulPixels + offset : nullptr;
    view->store = st;
    ++st->refCount;
}

int IsMemImgValid(const MEMIMG* img) {
    return img != nullptr && img->magic == kMemImgMagic && img->store != nullptr ? 1 : 0;
}

void ReleaseMemImg(MEMIMG* img) {
    if (img == nullptr || img->magic != kMemImgMagic) return;
    MemImgStore* st = img->store;
    if (st != nullptr && --st->refCount <= 0) FreeStore(st);
    img->store = nullptr;
    img->magic = 0;
}

int MemImgBytesPerPixel(const MEMIMG* img) {
    const MemImgStore* st = img->store;
    return BytesPerPixel(st->colorType, st->usePalette, st->useAlpha);
}

}  // namespace orvik
