#include "engine/graphics/dds/dxt_decode.h"

#include <algorithm>

#include "engine/graphics/images/image_memory.h"
#include "engine/graphics/images/pixel_access.h"

namespace orvik {

namespace {

struct Rgba {
    uint32_t r, g, b, a;
};

Rgba Expand565(uint16_t c) {
    return Rgba{(c >> 11) * 255u / 31, ((c >> 5) & 63) * 255u / 63, (c & 31) * 255u / 31, 255};
}

// The four colours of a colour block; the three-colour rule with a transparent fourth
// applies only to DXT1 blocks whose first colour is not above the second.
void ColourPalette(const uint8_t* block, bool allowTransparent, Rgba out[4]) {
    const uint16_t c0 = ReadLe16(block), c1 = ReadLe16(block + 2);
    const Rgba a = Expand565(c0), b = Expand565(c1);
    out[0] = a;
    out[1] = b;
    if (c0 > c1 || !allowTransparent) {
        out[2] = Rgba{(2 * a.r + b.r) / 3, (2 * a.g + b.g) / 3, (2 * a.b + b.b) / 3, 255};
        out[3] = Rgba{(a.r + 2 * b.r) / 3, (a.g + 2 * b.g) / 3, (a.b + 2 * b.b) / 3, 255};
    } else {
        out[2] = Rgba{(a.r + b.r) / 2, (a.g + b.g) / 2, (a.b + b.b) / 2, 255};
        out[3] = Rgba{out[2].r, out[2].g, out[2].b, 0};
    }
}

void ExplicitAlpha(const uint8_t* block, uint32_t alpha[16]) {
    for (int i = 0; i < 16; ++i) {
        const uint32_t nibble = (block[i / 2] >> ((i & 1) * 4)) & 15;
        alpha[i] = nibble * 255 / 15;
    }
}

void InterpolatedAlpha(const uint8_t* block, uint32_t alpha[16]) {
    const uint32_t a0 = block[0], a1 = block[1];
    uint32_t table[8] = {a0, a1};
    if (a0 > a1) {
        for (uint32_t i = 1; i <= 6; ++i) table[i + 1] = ((7 - i) * a0 + i * a1) / 7;
    } else {
        for (uint32_t i = 1; i <= 4; ++i) table[i + 1] = ((5 - i) * a0 + i * a1) / 5;
        table[6] = 0;
        table[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= uint64_t{block[2 + i]} << (8 * i);
    for (int i = 0; i < 16; ++i) alpha[i] = table[(bits >> (3 * i)) & 7];
}

void DecodeBlock(uint32_t kind, const uint8_t* block, uint32_t out[16]) {
    const bool hasAlphaBlock = kind != kCompressionDxt1;
    const uint8_t* colour = hasAlphaBlock ? block + 8 : block;
    Rgba palette[4];
    ColourPalette(colour, !hasAlphaBlock, palette);
    uint32_t alpha[16];
    if (kind == kCompressionDxt2 || kind == kCompressionDxt3) ExplicitAlpha(block, alpha);
    if (kind == kCompressionDxt4 || kind == kCompressionDxt5) InterpolatedAlpha(block, alpha);
    const bool premultiplied = kind == kCompressionDxt2 || kind == kCompressionDxt4;
    const uint32_t indices = ReadLe32(colour + 4);
    for (int i = 0; i < 16; ++i) {
        Rgba p = palette[(indices >> (2 * i)) & 3];
        if (hasAlphaBlock) p.a = alpha[i];
        if (premultiplied) {
            p.r = UnpremultiplyChannel(p.r, p.a);
            p.g = UnpremultiplyChannel(p.g, p.a);
            p.b = UnpremultiplyChannel(p.b, p.a);
        }
        out[i] = (p.a << 24) | (p.r << 16) | (p.g << 8) | p.b;
    }
}

}  // namespace

uint32_t UnpremultiplyChannel(uint32_t channel, uint32_t alpha) {
    return alpha == 0 ? 0 : std::min<uint32_t>(channel * 255 / alpha, 255);
}

int DxtBlockBytes(uint32_t compression) {
    if (compression == kCompressionDxt1) return 8;
    return compression >= kCompressionDxt2 && compression <= kCompressionDxt5 ? 16 : 0;
}

size_t DxtLevelBytes(uint32_t compression, int width, int height) {
    const size_t blocksWide = (static_cast<size_t>(width) + 3) / 4;
    const size_t blocksHigh = (static_cast<size_t>(height) + 3) / 4;
    return blocksWide * blocksHigh * DxtBlockBytes(compression);
}

void DecodeDxtBlocks(uint32_t compression, const uint8_t* blocks, int width, int height,
                     uint8_t* argb) {
    const int blockBytes = DxtBlockBytes(compression);
    const int pitch = width * 4;
    for (int by = 0; by * 4 < height; ++by) {
        for (int bx = 0; bx * 4 < width; ++bx) {
            uint32_t texels[16];
            DecodeBlock(compression, blocks, texels);
            blocks += blockBytes;
            const int rows = std::min(4, height - by * 4), cols = std::min(4, width - bx * 4);
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < cols; ++x)
                    StorePixel(argb + static_cast<ptrdiff_t>(by * 4 + y) * pitch + (bx * 4 + x) * 4,
                               4, texels[y * 4 + x]);
        }
    }
}

int DecodeDxtBaseImage(BaseImage* image) {
    const uint32_t kind = image->format.compression;
    if (kind == kCompressionNone) return 0;
    const size_t bytes = static_cast<size_t>(image->width) * 4 * static_cast<size_t>(image->height);
    auto* argb = static_cast<uint8_t*>(ORVIK_IMAGE_ALLOC(bytes));
    if (!argb) return -1;
    if (DxtBlockBytes(kind) != 0 && image->pixels)
        DecodeDxtBlocks(kind, image->pixels, image->width, image->height, argb);
    else
        std::fill(argb, argb + bytes, uint8_t{0});
    if (image->pixels) ImageFree(image->pixels);
    image->pixels = argb;
    image->format = ColorFormat{};
    FillArgb32ColorFormat(&image->format);
    image->pitch = image->width * 4;
    return 0;
}

}  // namespace orvik
