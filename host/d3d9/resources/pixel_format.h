// Pixel layouts of the device's surfaces: sizes, conversion of one pixel to and from
// 0xAARRGGBB, and decoding of the compressed 4 x 4 block formats.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "host/d3d9/device/d3d9_types.h"

namespace host {

struct PixelFormatInfo {
    D3DFORMAT format;
    int bytes;         // per pixel, or per 4 x 4 block for compressed formats
    bool compressed;
    bool depth;
    bool alpha;        // carries an alpha channel
    bool renderable;   // may be a render target
};

// Null for formats the device does not know.
const PixelFormatInfo* FindPixelFormat(D3DFORMAT format);
bool IsColorFormat(D3DFORMAT format);
bool IsDepthFormat(D3DFORMAT format);
bool IsCompressedFormat(D3DFORMAT format);
// Stencil bits of a depth-stencil format (0 for formats without).
int StencilBits(D3DFORMAT format);

// Bytes of one row of pixels (of 4-pixel-high blocks when compressed) and the number of
// such rows.
size_t FormatRowBytes(D3DFORMAT format, uint32_t width);
uint32_t FormatRowCount(D3DFORMAT format, uint32_t height);

// Rounds an 8-bit value into an n-bit field and back, as the device's unit-range
// arithmetic does (nearest value, not bit replication).
constexpr uint32_t NarrowChannel(uint32_t v8, uint32_t bits) {
    const uint32_t max = (1u << bits) - 1;
    return (v8 * max + 127) / 255;
}
constexpr uint32_t WidenChannel(uint32_t v, uint32_t bits) {
    const uint32_t max = (1u << bits) - 1;
    return (v * 255 + max / 2) / max;
}

namespace detail {
template <uint32_t Bits>
constexpr std::array<uint8_t, (1u << Bits)> kWiden = [] {
    std::array<uint8_t, (1u << Bits)> t{};
    for (uint32_t v = 0; v < t.size(); ++v) t[v] = uint8_t(WidenChannel(v, Bits));
    return t;
}();
template <uint32_t Bits>
constexpr std::array<uint8_t, 256> kNarrow = [] {
    std::array<uint8_t, 256> t{};
    for (uint32_t v = 0; v < 256; ++v) t[v] = uint8_t(NarrowChannel(v, Bits));
    return t;
}();
}  // namespace detail

// The 5:6:5 layout by table, for the loops that convert whole rows.
inline uint32_t Rgb565ToArgb(uint16_t v) {
    return 0xFF000000u | uint32_t(detail::kWiden<5>[v >> 11]) << 16 | uint32_t(detail::kWiden<6>[(v >> 5) & 63]) << 8 |
           detail::kWiden<5>[v & 31];
}
inline uint16_t ArgbToRgb565(uint32_t c) {
    return uint16_t(detail::kNarrow<5>[(c >> 16) & 255] << 11 | detail::kNarrow<6>[(c >> 8) & 255] << 5 |
                    detail::kNarrow<5>[c & 255]);
}

// One uncompressed colour pixel to 0xAARRGGBB (alpha 255 where the format has none).
uint32_t ReadPixelArgb(D3DFORMAT format, const uint8_t* pixel);
// 0xAARRGGBB into one uncompressed colour pixel; unused bits are written as ones.
void WritePixelArgb(D3DFORMAT format, uint8_t* pixel, uint32_t argb);
// The 16 pixels (row by row) of one compressed block as 0xAARRGGBB.
void DecodeCompressedBlock(D3DFORMAT format, const uint8_t* block, uint32_t out[16]);

// Converts a whole image of `format` into 0xAARRGGBB pixels (out has width x height
// entries, tightly packed). False for formats without colour.
bool ConvertImageToArgb(D3DFORMAT format, const uint8_t* bits, size_t pitch, uint32_t width,
                        uint32_t height, uint32_t* out);

}  // namespace host
