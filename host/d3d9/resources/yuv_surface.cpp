#include "host/d3d9/resources/yuv_surface.h"

#include "host/d3d9/resources/yuv_rows.h"

namespace host {

namespace {

uint32_t ToArgb(uint8_t y, uint8_t u, uint8_t v) {
    const YuvRgb p = YuvToRgb(y, u, v);
    return 0xFF000000u | uint32_t(p.r) << 16 | uint32_t(p.g) << 8 | p.b;
}

void ConvertPackedRow(bool uFirst, const uint8_t* p, uint32_t width, uint32_t* out) {
    for (uint32_t x = 0; x < width; ++x) {
        const uint8_t* pair = p + (x / 2) * 4;
        // YUY2: Y0 U Y1 V; UYVY: U Y0 V Y1.
        const uint8_t y = uFirst ? pair[1 + (x & 1) * 2] : pair[(x & 1) * 2];
        const uint8_t u = uFirst ? pair[0] : pair[1], v = uFirst ? pair[2] : pair[3];
        out[x] = ToArgb(y, u, v);
    }
}

void ConvertPlanarRow(const uint8_t* bits, size_t pitch, uint32_t width, uint32_t height, uint32_t row, uint32_t* out) {
    const size_t chromaPitch = pitch / 2;
    const uint8_t* vPlane = bits + pitch * height;
    const uint8_t* uPlane = vPlane + chromaPitch * ((height + 1) / 2);
    const uint8_t* y = bits + row * pitch;
    const uint8_t* u = uPlane + (row / 2) * chromaPitch;
    const uint8_t* v = vPlane + (row / 2) * chromaPitch;
    for (uint32_t x = uint32_t(ConvertYuv420RowHead(y, u, v, out, int(width))); x < width; ++x)
        out[x] = ToArgb(y[x], u[x / 2], v[x / 2]);
}

}  // namespace

bool IsYuvFormat(D3DFORMAT format) {
    return format == D3DFMT_YUY2 || format == D3DFMT_UYVY || format == D3DFMT_YV12;
}

size_t YuvRowBytes(D3DFORMAT format, uint32_t width) {
    return format == D3DFMT_YV12 ? width : size_t((width + 1) / 2) * 4;
}

uint32_t YuvRowCount(D3DFORMAT format, uint32_t height) {
    return format == D3DFMT_YV12 ? height + (height + 1) / 2 : height;
}

void ConvertYuvRowToArgb(D3DFORMAT format, const uint8_t* bits, size_t pitch, uint32_t width, uint32_t height,
                         uint32_t row, uint32_t* out) {
    if (format == D3DFMT_YV12) return ConvertPlanarRow(bits, pitch, width, height, row, out);
    ConvertPackedRow(format == D3DFMT_UYVY, bits + row * pitch, width, out);
}

void ConvertYuvToArgb(D3DFORMAT format, const uint8_t* bits, size_t pitch, uint32_t width, uint32_t height,
                      uint32_t* out) {
    for (uint32_t row = 0; row < height; ++row)
        ConvertYuvRowToArgb(format, bits, pitch, width, height, row, out + size_t(row) * width);
}

}  // namespace host
