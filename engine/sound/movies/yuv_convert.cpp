#include "engine/sound/movies/yuv_convert.h"

#include <algorithm>

#include "engine/graphics/images/base_image.h"
#include "host/d3d9/resources/yuv_rows.h"

namespace orvik {

namespace {

uint32_t* Row(BaseImage* image, int y) {
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(image->pixels) + ptrdiff_t(y) * image->pitch);
}

// The chroma sample covering luma position i of `lumaSize`, over `chromaSize` samples: the
// planes' sizes give the subsampling (4:2:0 halves both sides, 4:2:2 only the width,
// 4:4:4 neither).
int ChromaIndex(int i, int chromaSize, int lumaSize) {
    return std::min(int(int64_t(i) * chromaSize / lumaSize), chromaSize - 1);
}

}  // namespace

// Every layout converts by the host's one rule, so 4:2:0, 4:2:2 and 4:4:4 pictures give
// the same colour for the same sample; 4:2:0 rows start with whole vector steps where
// the processor has them, to the same values.
void ConvertYuvToXrgb(const YuvPlanes& p, BaseImage* image) {
    if (!image || !image->pixels || image->format.bytesPerPixel != 4 || p.cWidth < 1 || p.cHeight < 1) return;
    const int width = std::min(p.yWidth, image->width), height = std::min(p.yHeight, image->height);
    const bool halves = p.yWidth == 2 * p.cWidth && p.yHeight == 2 * p.cHeight;
    for (int y = 0; y < height; ++y) {
        const uint8_t* luma = p.y + ptrdiff_t(y) * p.yStride;
        const ptrdiff_t chromaRow = ptrdiff_t(ChromaIndex(y, p.cHeight, p.yHeight)) * p.cStride;
        const uint8_t* u = p.u + chromaRow;
        const uint8_t* v = p.v + chromaRow;
        uint32_t* out = Row(image, y);
        for (int x = halves ? host::ConvertYuv420RowHead(luma, u, v, out, width) : 0; x < width; ++x) {
            const int c = ChromaIndex(x, p.cWidth, p.yWidth);
            const host::YuvRgb rgb = host::YuvToRgb(luma[x], u[c], v[c]);
            out[x] = 0xFF000000u | uint32_t(rgb.r) << 16 | uint32_t(rgb.g) << 8 | rgb.b;
        }
    }
}

}  // namespace orvik
