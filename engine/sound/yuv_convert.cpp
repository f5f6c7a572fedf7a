#include "engine/sound/yuv_convert.h"

#include <algorithm>

#include "engine/graphics/base_image.h"
#include "engine/sound/sound_system.h"
#include "host/d3d9/yuv_rows.h"

namespace orvik {

namespace {

YuvTables g_yuv;

uint32_t Pixel(int r, int g, int b) { return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

uint32_t* Row(BaseImage* image, int y) {
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(image->pixels) + ptrdiff_t(y) * image->pitch);
}

// Two by two pixels share one chroma sample: whole vector steps where the processor has
// them, the rest with one table lookup per component, to the same values.
void Convert420(const YuvPlanes& p, BaseImage* image, int width, int height) {
    const YuvTables& t = g_yuv;
    for (int y = 0; y < height; ++y) {
        const uint8_t* luma = p.y + ptrdiff_t(y) * p.yStride;
        const uint8_t* u = p.u + ptrdiff_t(y / 2) * p.cStride;
        const uint8_t* v = p.v + ptrdiff_t(y / 2) * p.cStride;
        uint32_t* out = Row(image, y);
        for (int x = host::ConvertYuv420RowHead(luma, u, v, out, width); x < width; ++x) {
            const int32_t r = t.rFromV[v[x / 2]], g = t.gFromU[u[x / 2]] + t.gFromV[v[x / 2]];
            const int32_t b = t.bFromU[u[x / 2]], l = t.y[luma[x]];
            out[x] = Pixel(t.Clamp((l + r) / 16384), t.Clamp((l + g) / 16384), t.Clamp((l + b) / 16384));
        }
    }
}

int ClampByte(float v) { return std::clamp(int(v), 0, 255); }

// Any other layout pixel by pixel, each taking the chroma sample that covers it: the
// planes' sizes give the subsampling (4:2:2 halves only the width, 4:4:4 neither side).
void ConvertAnyLayout(const YuvPlanes& p, BaseImage* image, int width, int height) {
    for (int y = 0; y < height; ++y) {
        const uint8_t* luma = p.y + ptrdiff_t(y) * p.yStride;
        const int cy = std::min(int(int64_t(y) * p.cHeight / p.yHeight), p.cHeight - 1);
        const uint8_t* u = p.u + ptrdiff_t(cy) * p.cStride;
        const uint8_t* v = p.v + ptrdiff_t(cy) * p.cStride;
        uint32_t* out = Row(image, y);
        for (int x = 0; x < width; ++x) {
            const int cx = std::min(int(int64_t(x) * p.cWidth / p.yWidth), p.cWidth - 1);
            const float l = float(luma[x] - 16) * 1.164f;
            const float cu = float(u[cx] - 128), cv = float(v[cx] - 128);
            out[x] = Pixel(ClampByte(l + 1.596f * cv), ClampByte(l - 0.391f * cu - 0.813f * cv),
                           ClampByte(l + 2.018f * cu));
        }
    }
}

}  // namespace

const YuvTables& GetYuvTables() { return g_yuv; }

int InitYuvTables() {
    for (int i = -512; i < 768; ++i) g_yuv.clampStore[i + 512] = uint8_t(std::clamp(i, 0, 255));
    int32_t r = -3346944, gu = 819968, gv = 1704960, b = -4231936, l = -305120;
    for (int i = 0; i < 256; ++i) {
        g_yuv.rFromV[i] = r, g_yuv.gFromU[i] = gu, g_yuv.gFromV[i] = gv, g_yuv.bFromU[i] = b, g_yuv.y[i] = l;
        r += 26148, gu -= 6406, gv -= 13320, b += 33062, l += 19070;
    }
    return 0;
}

void ConvertYuvToXrgb(const YuvPlanes& p, BaseImage* image) {
    if (!image || !image->pixels || image->format.bytesPerPixel != 4 || p.cWidth < 1 || p.cHeight < 1) return;
    const int width = std::min(p.yWidth, image->width), height = std::min(p.yHeight, image->height);
    if (p.yWidth == 2 * p.cWidth && p.yHeight == 2 * p.cHeight)
        Convert420(p, image, width, height);
    else
        ConvertAnyLayout(p, image, width, height);
}

}  // namespace orvik
