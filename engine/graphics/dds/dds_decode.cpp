// Decoding of the later DDS layouts. Normalised channels of any width are rounded to the
// nearest 8-bit value, signed ones from (v + 1) / 2; float channels are clamped to [0, 1]
// first.
#include "engine/graphics/dds/dds_decode.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/graphics/dds/dxt_decode.h"
#include "engine/graphics/dds/half_float.h"
#include "engine/graphics/images/pixel_access.h"

namespace orvik {

namespace {

uint64_t FieldBits(const uint8_t* pixel, int bytes, PixelField f) {
    const int first = f.shift / 8;
    uint64_t v = 0;
    for (int i = first; i < bytes && i < first + 8; ++i) v |= uint64_t(pixel[i]) << (8 * (i - first));
    return (v >> f.shift % 8) & ((uint64_t{1} << f.width) - 1);  // fields are at most 32 bits wide
}

int64_t SnormMax(int width) { return (int64_t{1} << (width - 1)) - 1; }

// A signed normalised field as -max to max: its most negative value counts as -max too.
int64_t SnormValue(uint64_t bits, int width) {
    const int64_t max = SnormMax(width);
    return std::max(-max, bits > uint64_t(max) ? int64_t(bits) - (int64_t{1} << width) : int64_t(bits));
}

// A signed normalised field, -1 to 1, shown as (v + 1) / 2 like the signed BC4 and BC5
// blocks, rounded.
uint8_t SnormToByte(uint64_t bits, int width) {
    const int64_t max = SnormMax(width);
    return uint8_t(((SnormValue(bits, width) + max) * 255 + max) / (2 * max));
}

// The third component of a unit normal from its first two, 0 when their squares already
// pass 1; shown as (c + 1) / 2 like the stored signed channels.
uint8_t NormalZByte(const PixelLayout& l, const uint8_t* pixel) {
    const PixelField u = l.fields[0], v = l.fields[1];
    const double x = double(SnormValue(FieldBits(pixel, l.bytes, u), u.width)) / double(SnormMax(u.width));
    const double y = double(SnormValue(FieldBits(pixel, l.bytes, v), v.width)) / double(SnormMax(v.width));
    const double z = std::sqrt(std::max(0.0, 1.0 - x * x - y * y));
    return uint8_t(std::lround((z + 1) * 127.5));
}

uint8_t ChannelByte(const PixelLayout& l, const uint8_t* pixel, PixelField f) {
    const uint64_t v = FieldBits(pixel, l.bytes, f);
    switch (l.kind) {
        case FieldKind::kHalf: return HalfToByte(uint16_t(v));
        case FieldKind::kFloat: {
            const uint32_t word = uint32_t(v);
            float value;
            std::memcpy(&value, &word, sizeof value);
            return UnitToByte(value);
        }
        case FieldKind::kSnorm: return SnormToByte(v, f.width);
        case FieldKind::kUnorm: break;
    }
    const uint64_t top = (uint64_t{1} << f.width) - 1;
    return uint8_t((v * 255 + top / 2) / top);
}

uint32_t PixelArgb(const PixelLayout& l, const uint8_t* pixel) {
    uint8_t c[4] = {0, 0, 0, 255};
    for (int i = 0; i < 4; ++i)
        if (l.fields[i].width) c[i] = ChannelByte(l, pixel, l.fields[i]);
    if (l.derived == DerivedColour::kGrey) c[1] = c[2] = c[0];
    if (l.derived == DerivedColour::kNormalZ) c[2] = NormalZByte(l, pixel);
    return uint32_t(c[3]) << 24 | uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | c[2];
}

void DecodePixels(const PixelLayout& l, const uint8_t* source, int64_t pitch, int width, int height,
                  uint8_t* argb) {
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = source + y * pitch;
        uint8_t* out = argb + int64_t(y) * width * 4;
        for (int x = 0; x < width; ++x) StorePixel(out + 4 * x, 4, PixelArgb(l, row + x * l.bytes));
    }
}

// Blocks of the right column and bottom row may reach past the image: only the texels
// inside it are written.
void DecodeBlocks(const DdsLayout& l, const uint8_t* source, int width, int height, uint8_t* argb) {
    const int across = (width + 3) / 4, down = (height + 3) / 4;
    BcTexels texels;
    for (int by = 0; by < down; ++by)
        for (int bx = 0; bx < across; ++bx) {
            l.decode(source + (int64_t(by) * across + bx) * l.blockBytes, texels);
            const int w = std::min(4, width - 4 * bx), h = std::min(4, height - 4 * by);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    StorePixel(argb + ((int64_t(4 * by + y) * width) + 4 * bx + x) * 4, 4, texels[4 * y + x]);
        }
}

// Decoded ARGB pixels whose colours were stored multiplied by their alpha.
void Unpremultiply(uint8_t* argb, int64_t pixels) {
    for (int64_t i = 0; i < pixels; ++i) {
        uint8_t* p = argb + 4 * i;  // blue, green, red, alpha
        for (int c = 0; c < 3; ++c) p[c] = uint8_t(UnpremultiplyChannel(p[c], p[3]));
    }
}

}  // namespace

int64_t DdsLevelBytes(const DdsLayout& layout, int64_t width, int64_t height, int64_t pitch) {
    if (layout.blockBytes) return ((width + 3) / 4) * ((height + 3) / 4) * layout.blockBytes;
    return pitch * height;
}

void DecodeDdsLevel(const DdsLayout& layout, const uint8_t* source, int64_t pitch, int width, int height,
                    uint8_t* argb) {
    if (layout.kind == DdsKind::kBlocks) DecodeBlocks(layout, source, width, height, argb);
    else DecodePixels(layout.pixels, source, pitch, width, height, argb);
    if (layout.premultiplied) Unpremultiply(argb, int64_t(width) * height);
}

}  // namespace orvik
