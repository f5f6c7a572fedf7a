#include "engine/softrender/pipeline/run_codes.h"

#include <cstddef>

#include "engine/graphics/images/pixel_access.h"

namespace orvik::soft {
namespace {

int PixelKind(const MemImgStore& st, const uint8_t* p) {
    if (st.useAlpha) {
        const uint32_t a = st.colorType == kMemImgRgb565 ? p[2] : p[3];
        return a == 0 ? 0 : a == 255 ? 1 : 2;
    }
    uint32_t v;
    if (st.usePalette) v = p[0];
    else if (st.colorType == kMemImgRgb565) v = LoadPixel(p, 2);
    else v = LoadPixel(p, 4);
    return v == st.transColor ? 0 : 1;
}

int StoreBytesPerPixel(const MemImgStore& st) {
    if (st.usePalette) return 1;
    return st.colorType == kMemImgRgb565 && !st.useAlpha ? 2 : 4;
}

}  // namespace

void BuildMemImgRunCodes(const MemImgStore& st) {
    const int bytes = StoreBytesPerPixel(st);
    uint8_t* out = st.runCodes;
    for (int32_t y = 0; y < st.height; ++y) {
        const uint8_t* row = st.pixels + ptrdiff_t{y} * st.pitch;
        int32_t x = 0;
        while (x < st.width) {
            const int kind = PixelKind(st, row + x * bytes);
            int length = 1;
            while (x + length < st.width && length < 64 &&
                   PixelKind(st, row + (x + length) * bytes) == kind)
                ++length;
            *out++ = static_cast<uint8_t>(kind << 6 | (length - 1));
            x += length;
        }
        *out++ = kRunRowEnd;
    }
}

void BuildMemImgPremultiplied(const MemImgStore& st) {
    for (int32_t y = 0; y < st.height; ++y) {
        const uint8_t* in = st.pixels + ptrdiff_t{y} * st.pitch;
        uint8_t* out = st.premulPixels + ptrdiff_t{y} * st.pitch;
        for (int32_t x = 0; x < st.width; ++x, in += 4, out += 4) {
            if (st.colorType == kMemImgRgb565) {
                const uint32_t c = LoadPixel(in, 2), a = in[2];
                const uint32_t r = ((c >> 11) * a) >> 8, g = (((c >> 5) & 63) * a) >> 8,
                               b = ((c & 31) * a) >> 8;
                StorePixel(out, 2, r << 11 | g << 5 | b);
                out[2] = static_cast<uint8_t>(a);
                out[3] = 0;
            } else {
                const uint32_t a = in[3];
                for (int k = 0; k < 3; ++k) out[k] = static_cast<uint8_t>((in[k] * a) >> 8);
                out[3] = static_cast<uint8_t>(a);
            }
        }
    }
}

}  // namespace orvik::soft
