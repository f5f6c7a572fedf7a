#include "engine/graphics/graph_soft.h"

#include "engine/graphics/base_image.h"
#include "engine/graphics/pixel_convert.h"
#include "engine/softrender/memimg.h"

namespace orvik {

int TransferImageToMemImg(GraphRecord& record, const BaseImage* image, const BaseImage* alphaImage, int offsetX,
                          int offsetY, int x, int y, int width, int height) {
    MEMIMG& target = record.images->image;
    if (!IsMemImgValid(&target) || !target.store || !target.store->colorFormat) return -1;
    const ColorFormat* format = target.store->colorFormat;
    if (format->bytesPerPixel == 0) return -1;
    uint8_t* at = target.pixels + size_t(y) * size_t(target.store->pitch) + size_t(x) * format->bytesPerPixel;
    PixelRect src{x + offsetX, y + offsetY, x + offsetX + width, y + offsetY + height};
    const BaseImage* a = alphaImage;
    return ConvertPixelFormatBlt(at, target.store->pitch, format, image->pixels, image->pitch, &image->format,
                                 a ? a->pixels : nullptr, a ? a->pitch : 0, a ? &a->format : nullptr, 0, 0, src, 0,
                                 0, 0, kDitherNone, 0, 0, 0, 0) < 0
               ? -1
               : 0;
}

int DrawGraphMemImg(int, int, GraphRecord&, int) { return 0; }
int DrawGraphStretchedMemImg(int, int, int, int, GraphRecord&, int) { return 0; }
int DrawGraphRotatedMemImg(float, float, double, double, GraphRecord&, int, int) { return 0; }
int DrawBoxMemImg(int, int, int, int, uint32_t) { return 0; }
int DrawLineBoxMemImg(int, int, int, int, uint32_t) { return 0; }
int DrawLineMemImg(int, int, int, int, uint32_t) { return 0; }

}  // namespace orvik
