#include "engine/sound/movies/yuv_convert.h"

#include <algorithm>

#include "engine/graphics/images/base_image.h"
#include "engine/sound/core/sound_system.h"
#include "host/d3d9/resources/yuv_rows.h"

namespace orvik {

namespace {

YuvTables g_yuv;

uint32_t* Row(BaseImage* image, int y) {
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(image->pixels) + ptrdiff_t(y) * image->pitch);
}

// The chroma sample covering luma position i of `lumaSize`, over `chromaSize` samples: the
// planes' sizes give the subsampling (4:2:0 halves both sides, 4:2:2 only the width,
// 4:4:4 neither).
int ChromaIndex(int i, int chromaSize, int lumaSize) {
    return std::min(int(int64_t(i) * chromaSize / lumaSize), chromaSize - 1);
}

// One pixel by the tables: each channel the luma's term plus the chroma's, clamped.
uint32_t TablePixel(const YuvTables& t, uint8_t luma, uint8_t u, uint8_t v) {
    const int32_t l = t.y[luma];
    const auto channel = [&](int32_t chroma) { return uint32_t(t.Clamp((l + chroma) / 16384)); };
    return 0xFF000000u | channel(t.rFromV[v]) << 16 | channel(t.gFromU[u] + t.gFromV[v]) << 8 | channel(t.bFromU[u]);
}

}  // namespace

const YuvTables& GetYuvTables() { return g_yuv; }

int InitYuvTables() {
    for (int i = -512; i < 768; ++i) g_yuv.clamp[i + 512] = uint8_t(std::clamp(i, 0, 255));
    int32_t r = -3346944, gu = 819968, gv = 1704960, b = -4231936, l = -305120;
    for (int i = 0; i < 256; ++i) {
        g_yuv.rFromV[i] = r, g_yuv.gFromU[i] = gu, g_yuv.gFromV[i] = gv, g_yuv.bFromU[i] = b, g_yuv.y[i] = l;
        r += 26148, gu -= 6406, gv -= 13320, b += 33062, l += 19070;
    }
    return 0;
}

// Every layout converts by the tables' one rule, so 4:2:0, 4:2:2 and 4:4:4 pictures give
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
            out[x] = TablePixel(g_yuv, luma[x], u[c], v[c]);
        }
    }
}

}  // namespace orvik
