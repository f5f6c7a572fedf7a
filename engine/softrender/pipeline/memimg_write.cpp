#include "engine/softrender/pipeline/memimg_write.h"

#include <cstddef>
#include <cstring>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/images/pixel_access.h"
#include "engine/graphics/images/pixel_convert.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/rect.h"
#include "engine/softrender/pipeline/pixel_fill.h"
#include "engine/softrender/pipeline/run_codes.h"

namespace orvik {
namespace {

bool Inside(int64_t x, int64_t y, int64_t w, int64_t h, int64_t width, int64_t height) {
    return x >= 0 && y >= 0 && w >= 0 && h >= 0 && x + w <= width && y + h <= height;
}

// The blit does not clip, so a rectangle that leaves either image is refused here.
bool CheckWrite(const BaseImage* src, const BaseImage* alphaSrc, const MEMIMG* img,
                int32_t srcX, int32_t srcY, int32_t width, int32_t height, int32_t destX,
                int32_t destY) {
    if (src == nullptr || src->pixels == nullptr || !IsMemImgValid(img)) {
        AddLogFormat("no image to write in WriteBaseImageToMemImg");
        return false;
    }
    if (!Inside(srcX, srcY, width, height, src->width, src->height) ||
        !Inside(destX, destY, width, height, img->width, img->height) ||
        (alphaSrc != nullptr && (alphaSrc->pixels == nullptr ||
                                 !Inside(srcX, srcY, width, height, alphaSrc->width,
                                         alphaSrc->height)))) {
        AddLogFormat("rectangle (%d, %d) %d x %d to (%d, %d) lies outside the images in "
                     "WriteBaseImageToMemImg", srcX, srcY, width, height, destX, destY);
        return false;
    }
    return true;
}

int Blit(MEMIMG* img, const uint8_t* pixels, int pitch, const ColorFormat* format,
         const BaseImage* alphaSrc, int32_t destX, int32_t destY, const PixelRect& r,
         int keyFlag, uint32_t key, int singleValue) {
    const MemImgStore& st = *img->store;
    return ConvertPixelFormatBlt(img->pixels, st.pitch, st.colorFormat, pixels, pitch, format,
                                 alphaSrc ? alphaSrc->pixels : nullptr,
                                 alphaSrc ? alphaSrc->pitch : 0,
                                 alphaSrc ? &alphaSrc->format : nullptr, destX, destY, r, 0,
                                 keyFlag, key, 0, singleValue, singleValue, 0, 0);
}

void WritePalette(MemImgStore& st, const ColorFormat& format) {
    const bool wide = st.colorType == kMemImgXrgb32;
    for (int i = 0; i < 256; ++i) {
        const PaletteEntry& e = format.palette[i];
        if (wide)
            StorePixel(st.palette + 4 * i, 4, uint32_t{e.red} << 16 | uint32_t{e.green} << 8 | e.blue);
        else
            StorePixel(st.palette + 2 * i, 2,
                       uint32_t(e.red >> 3) << 11 | uint32_t(e.green >> 2) << 5 | (e.blue >> 3));
    }
    std::memcpy(st.paletteCopy, st.palette, wide ? 1024 : 512);
}

}  // namespace

int WriteBaseImageToMemImg(const BaseImage* src, const BaseImage* alphaSrc, MEMIMG* img,
                           int32_t srcX, int32_t srcY, int32_t width, int32_t height,
                           int32_t destX, int32_t destY, int32_t transFlag) {
    if (!CheckWrite(src, alphaSrc, img, srcX, srcY, width, height, destX, destY)) return -1;
    MemImgStore& st = *img->store;
    const PixelRect r{srcX, srcY, srcX + width, srcY + height};
    int result = 0;
    if (st.colorType == kMemImgSingle8 || st.colorType == kMemImgSingle16) {
        Blit(img, src->pixels, src->pitch, &src->format, nullptr, destX, destY, r, 0, 0, 1);
    } else {
        result = Blit(img, src->pixels, src->pitch, &src->format, alphaSrc, destX, destY, r,
                      transFlag, st.transColor, 0);
        if (result < 0) return result;
        if (alphaSrc == nullptr && st.usePalette) st.paletteCount = result + 1;
    }
    if (st.usePalette) WritePalette(st, src->format);
    st.premulValid = 0;
    st.runCodeValid = 0;

    // The codes and the premultiplied plane describe the whole stored image, so only a
    // write of all of it (not of a view inside it) rebuilds them.
    const bool wholeStore = width == st.width && height == st.height &&
                            img->width == st.width && img->height == st.height &&
                            img->pixels == st.pixels;
    if (!wholeStore || st.colorType > kMemImgXrgb32 || st.runCodes == nullptr) return result;
    st.runCodeValid = 1;
    if (st.useAlpha && st.premulPixels != nullptr) {
        st.premulValid = 1;
        soft::BuildMemImgPremultiplied(st);
    }
    soft::BuildMemImgRunCodes(st);
    return result;
}

int CopyMemImgRect(MEMIMG* dst, const MEMIMG* src, const int32_t* srcRect, int32_t destX,
                   int32_t destY) {
    if (!IsMemImgValid(dst) || !IsMemImgValid(src)) {
        AddLogFormat("no image to copy in CopyMemImgRect");
        return -1;
    }
    const PixelRect r = srcRect ? PixelRect{srcRect[0], srcRect[1], srcRect[2], srcRect[3]}
                                : PixelRect{0, 0, src->width, src->height};
    const int64_t w = int64_t{r.right} - r.left, h = int64_t{r.bottom} - r.top;
    if (w <= 0 || h <= 0) return -1;
    if (!Inside(r.left, r.top, w, h, src->width, src->height) ||
        !Inside(destX, destY, w, h, dst->width, dst->height)) {
        AddLogFormat("rectangle (%d, %d, %d, %d) to (%d, %d) lies outside the images in "
                     "CopyMemImgRect", r.left, r.top, r.right, r.bottom, destX, destY);
        return -1;
    }
    const MemImgStore& ss = *src->store;
    return ConvertPixelFormatBlt(dst->pixels, dst->store->pitch, dst->store->colorFormat,
                                 src->pixels, ss.pitch, ss.colorFormat, nullptr, 0, nullptr,
                                 destX, destY, r, 0, 0, 0, 0, 0, 0, 0, 0);
}

void PaintMemImgRect(MEMIMG* img, const int32_t* rect, uint32_t value) {
    if (!IsMemImgValid(img)) {
        AddLogFormat("no image to paint in PaintMemImgRect");
        return;
    }
    const Rect whole{0, 0, img->width, img->height};
    Rect r = rect ? Rect{rect[0], rect[1], rect[2], rect[3]} : whole;
    ClipRect(&r, &whole);
    const int bytes = img->store->colorFormat->bytesPerPixel;
    if (r.right == r.left || r.bottom == r.top) return;
    if (bytes != 1 && bytes != 2 && bytes != 4) return;
    uint8_t* first = img->pixels + ptrdiff_t{r.top} * img->store->pitch + ptrdiff_t{r.left} * bytes;
    soft::FillPixelRows(first, img->store->pitch, r.right - r.left, r.bottom - r.top, bytes, value);
}

}  // namespace orvik
