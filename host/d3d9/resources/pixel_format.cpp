#include "host/d3d9/resources/pixel_format.h"

#include <cstring>

#include "host/d3d9/resources/yuv_surface.h"

namespace host {
namespace {

constexpr PixelFormatInfo kFormats[] = {
    {D3DFMT_A8R8G8B8, 4, false, false, true, true},
    {D3DFMT_X8R8G8B8, 4, false, false, false, true},
    {D3DFMT_A8B8G8R8, 4, false, false, true, true},
    {D3DFMT_X8B8G8R8, 4, false, false, false, true},
    {D3DFMT_R5G6B5, 2, false, false, false, true},
    {D3DFMT_X1R5G5B5, 2, false, false, false, true},
    {D3DFMT_A1R5G5B5, 2, false, false, true, true},
    {D3DFMT_A4R4G4B4, 2, false, false, true, true},
    {D3DFMT_X4R4G4B4, 2, false, false, false, true},
    {D3DFMT_DXT1, 8, true, false, true, false},
    {D3DFMT_DXT2, 16, true, false, true, false},
    {D3DFMT_DXT3, 16, true, false, true, false},
    {D3DFMT_DXT4, 16, true, false, true, false},
    {D3DFMT_DXT5, 16, true, false, true, false},
    {D3DFMT_YUY2, 2, false, false, false, false},
    {D3DFMT_UYVY, 2, false, false, false, false},
    {D3DFMT_YV12, 1, false, false, false, false},
    {D3DFMT_D16, 2, false, true, false, false},
    {D3DFMT_D24X8, 4, false, true, false, false},
    {D3DFMT_D32, 4, false, true, false, false},
    {D3DFMT_D24S8, 4, false, true, false, false},
    {D3DFMT_D24X4S4, 4, false, true, false, false},
    {D3DFMT_D15S1, 2, false, true, false, false},
    {D3DFMT_D24FS8, 4, false, true, false, false},
};

// Channel layout of the 16-bit formats: shift and width of red, green, blue, alpha.
struct Packed16 {
    uint8_t rs, rw, gs, gw, bs, bw, as, aw;
};

bool Packed16Layout(D3DFORMAT format, Packed16* out) {
    switch (format) {
        case D3DFMT_R5G6B5: *out = {11, 5, 5, 6, 0, 5, 0, 0}; return true;
        case D3DFMT_X1R5G5B5: *out = {10, 5, 5, 5, 0, 5, 0, 0}; return true;
        case D3DFMT_A1R5G5B5: *out = {10, 5, 5, 5, 0, 5, 15, 1}; return true;
        case D3DFMT_A4R4G4B4: *out = {8, 4, 4, 4, 0, 4, 12, 4}; return true;
        case D3DFMT_X4R4G4B4: *out = {8, 4, 4, 4, 0, 4, 0, 0}; return true;
        default: return false;
    }
}

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

uint32_t Expand565(uint16_t c) {
    return Argb(255, WidenChannel(c >> 11, 5), WidenChannel((c >> 5) & 63, 6), WidenChannel(c & 31, 5));
}

uint32_t Mix(uint32_t a, uint32_t b, uint32_t wa, uint32_t wb, uint32_t div) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t ca = (a >> shift) & 255, cb = (b >> shift) & 255;
        out |= ((ca * wa + cb * wb + div / 2) / div) << shift;
    }
    return out;
}

// The colour half of a block: two 5:6:5 end points and 2-bit indices.
void DecodeColorBlock(const uint8_t* p, bool allowTransparent, uint32_t out[16]) {
    const uint16_t c0 = uint16_t(p[0] | p[1] << 8), c1 = uint16_t(p[2] | p[3] << 8);
    uint32_t colors[4];
    colors[0] = Expand565(c0);
    colors[1] = Expand565(c1);
    if (c0 > c1 || !allowTransparent) {
        colors[2] = 0xFF000000u | Mix(colors[0], colors[1], 2, 1, 3);
        colors[3] = 0xFF000000u | Mix(colors[0], colors[1], 1, 2, 3);
    } else {
        colors[2] = 0xFF000000u | Mix(colors[0], colors[1], 1, 1, 2);
        colors[3] = 0;
    }
    for (int i = 0; i < 16; ++i) out[i] = colors[(p[4 + i / 4] >> (2 * (i % 4))) & 3];
}

void DecodeExplicitAlpha(const uint8_t* p, uint32_t out[16]) {
    for (int i = 0; i < 16; ++i) {
        const uint32_t a4 = (p[i / 2] >> (4 * (i % 2))) & 15;
        out[i] = (out[i] & 0xFFFFFFu) | (a4 * 17) << 24;
    }
}

void DecodeInterpolatedAlpha(const uint8_t* p, uint32_t out[16]) {
    uint32_t a[8];
    a[0] = p[0];
    a[1] = p[1];
    if (a[0] > a[1]) {
        for (int i = 1; i < 7; ++i) a[i + 1] = ((7 - i) * a[0] + i * a[1] + 3) / 7;
    } else {
        for (int i = 1; i < 5; ++i) a[i + 1] = ((5 - i) * a[0] + i * a[1] + 2) / 5;
        a[6] = 0;
        a[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= uint64_t(p[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i) out[i] = (out[i] & 0xFFFFFFu) | a[(bits >> (3 * i)) & 7] << 24;
}

}  // namespace

const PixelFormatInfo* FindPixelFormat(D3DFORMAT format) {
    for (const auto& f : kFormats)
        if (f.format == format) return &f;
    return nullptr;
}

bool IsColorFormat(D3DFORMAT format) {
    const PixelFormatInfo* f = FindPixelFormat(format);
    return f && !f->depth;
}
bool IsDepthFormat(D3DFORMAT format) {
    const PixelFormatInfo* f = FindPixelFormat(format);
    return f && f->depth;
}
int StencilBits(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_D24S8:
        case D3DFMT_D24FS8: return 8;
        case D3DFMT_D24X4S4: return 4;
        case D3DFMT_D15S1: return 1;
        default: return 0;
    }
}

bool IsCompressedFormat(D3DFORMAT format) {
    const PixelFormatInfo* f = FindPixelFormat(format);
    return f && f->compressed;
}

size_t FormatRowBytes(D3DFORMAT format, uint32_t width) {
    const PixelFormatInfo* f = FindPixelFormat(format);
    if (!f) return 0;
    if (f->compressed) return size_t((width + 3) / 4) * size_t(f->bytes);
    if (IsYuvFormat(format)) return YuvRowBytes(format, width);
    return size_t(width) * size_t(f->bytes);
}

uint32_t FormatRowCount(D3DFORMAT format, uint32_t height) {
    if (IsYuvFormat(format)) return YuvRowCount(format, height);
    return IsCompressedFormat(format) ? (height + 3) / 4 : height;
}

uint32_t ReadPixelArgb(D3DFORMAT format, const uint8_t* pixel) {
    Packed16 l;
    if (Packed16Layout(format, &l)) {
        const uint32_t v = uint32_t(pixel[0] | pixel[1] << 8);
        auto field = [v](uint8_t shift, uint8_t width) {
            return width ? WidenChannel((v >> shift) & ((1u << width) - 1), width) : 255u;
        };
        return Argb(field(l.as, l.aw), field(l.rs, l.rw), field(l.gs, l.gw), field(l.bs, l.bw));
    }
    uint32_t v;
    std::memcpy(&v, pixel, 4);
    switch (format) {
        case D3DFMT_A8R8G8B8: return v;
        case D3DFMT_X8R8G8B8: return v | 0xFF000000u;
        case D3DFMT_A8B8G8R8: return (v & 0xFF00FF00u) | (v & 0xFF) << 16 | ((v >> 16) & 0xFF);
        case D3DFMT_X8B8G8R8: return 0xFF000000u | (v & 0xFF00u) | (v & 0xFF) << 16 | ((v >> 16) & 0xFF);
        default: return 0;
    }
}

void WritePixelArgb(D3DFORMAT format, uint8_t* pixel, uint32_t argb) {
    Packed16 l;
    if (Packed16Layout(format, &l)) {
        auto field = [argb](int byteShift, uint8_t shift, uint8_t width) {
            return NarrowChannel((argb >> byteShift) & 255, width) << shift;
        };
        uint32_t v = field(16, l.rs, l.rw) | field(8, l.gs, l.gw) | field(0, l.bs, l.bw);
        if (l.aw) v |= field(24, l.as, l.aw);
        else if (format == D3DFMT_X1R5G5B5) v |= 0x8000u;
        else if (format == D3DFMT_X4R4G4B4) v |= 0xF000u;
        pixel[0] = uint8_t(v);
        pixel[1] = uint8_t(v >> 8);
        return;
    }
    uint32_t v = argb;
    switch (format) {
        case D3DFMT_A8R8G8B8: break;
        case D3DFMT_X8R8G8B8: v |= 0xFF000000u; break;
        case D3DFMT_A8B8G8R8: v = (argb & 0xFF00FF00u) | (argb & 0xFF) << 16 | ((argb >> 16) & 0xFF); break;
        case D3DFMT_X8B8G8R8:
            v = 0xFF000000u | (argb & 0xFF00u) | (argb & 0xFF) << 16 | ((argb >> 16) & 0xFF);
            break;
        default: return;
    }
    std::memcpy(pixel, &v, 4);
}

void DecodeCompressedBlock(D3DFORMAT format, const uint8_t* block, uint32_t out[16]) {
    switch (format) {
        case D3DFMT_DXT1: DecodeColorBlock(block, true, out); break;
        case D3DFMT_DXT2:
        case D3DFMT_DXT3:
            DecodeColorBlock(block + 8, false, out);
            DecodeExplicitAlpha(block, out);
            break;
        case D3DFMT_DXT4:
        case D3DFMT_DXT5:
            DecodeColorBlock(block + 8, false, out);
            DecodeInterpolatedAlpha(block, out);
            break;
        default: std::memset(out, 0, 16 * sizeof(uint32_t)); break;
    }
}

bool ConvertImageToArgb(D3DFORMAT format, const uint8_t* bits, size_t pitch, uint32_t width,
                        uint32_t height, uint32_t* out) {
    const PixelFormatInfo* f = FindPixelFormat(format);
    if (!f || f->depth) return false;
    if (IsYuvFormat(format)) {
        ConvertYuvToArgb(format, bits, pitch, width, height, out);
        return true;
    }
    if (f->compressed) {
        uint32_t px[16];
        for (uint32_t by = 0; by < (height + 3) / 4; ++by)
            for (uint32_t bx = 0; bx < (width + 3) / 4; ++bx) {
                DecodeCompressedBlock(format, bits + by * pitch + bx * size_t(f->bytes), px);
                for (uint32_t i = 0; i < 16; ++i) {
                    const uint32_t x = bx * 4 + i % 4, y = by * 4 + i / 4;
                    if (x < width && y < height) out[size_t(y) * width + x] = px[i];
                }
            }
        return true;
    }
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            out[size_t(y) * width + x] = ReadPixelArgb(format, bits + y * pitch + x * size_t(f->bytes));
    return true;
}

}  // namespace host
