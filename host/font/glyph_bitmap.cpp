#include "host/font/glyph_bitmap.h"

#include <algorithm>
#include <cstring>

namespace host {
namespace {

// Larger than any glyph a font makes; keeps the size arithmetic far from overflow.
constexpr int32_t kMaxGlyphSide = 8192;

int GreyLevels(uint32_t format) {
    switch (format) {
        case GGO_GRAY2_BITMAP: return 4;
        case GGO_GRAY4_BITMAP: return 16;
        default: return 64;
    }
}

bool HasInk(const GlyphImage& image) { return image.width > 0 && image.rows > 0; }

void WriteMonoRows(const GlyphImage& image, uint32_t pitch, std::span<uint8_t> out) {
    for (int32_t y = 0; y < image.rows; ++y) {
        const uint8_t* src = image.coverage.data() + size_t(y) * image.width;
        uint8_t* row = out.data() + size_t(y) * pitch;
        for (int32_t x = 0; x < image.width; ++x) {
            if (src[x] >= 128) row[x >> 3] |= uint8_t(0x80 >> (x & 7));
        }
    }
}

void WriteGreyRows(const GlyphImage& image, uint32_t pitch, int levels, std::span<uint8_t> out) {
    for (int32_t y = 0; y < image.rows; ++y) {
        const uint8_t* src = image.coverage.data() + size_t(y) * image.width;
        uint8_t* row = out.data() + size_t(y) * pitch;
        for (int32_t x = 0; x < image.width; ++x) {
            row[x] = uint8_t((src[x] * levels + 127) / 255);
        }
    }
}

}  // namespace

bool IsGlyphBitmapFormat(uint32_t format) {
    return format == GGO_BITMAP || format == GGO_GRAY2_BITMAP || format == GGO_GRAY4_BITMAP ||
           format == GGO_GRAY8_BITMAP;
}

GlyphRaster RasterOfFormat(uint32_t format) {
    return format == GGO_BITMAP ? GlyphRaster::Mono : GlyphRaster::Grey;
}

bool IsWellFormedGlyph(const GlyphImage& image) {
    if (image.width < 0 || image.rows < 0 || image.width > kMaxGlyphSide ||
        image.rows > kMaxGlyphSide) {
        return false;
    }
    if (!HasInk(image)) return true;
    return image.coverage.size() == size_t(image.width) * size_t(image.rows);
}

uint32_t GlyphRowPitch(const GlyphImage& image, uint32_t format) {
    uint32_t width = uint32_t(std::max(image.width, 0));
    return format == GGO_BITMAP ? (width + 31) / 32 * 4 : (width + 3) & ~3u;
}

uint32_t GlyphBitmapSize(const GlyphImage& image, uint32_t format) {
    if (!HasInk(image)) return 0;
    return GlyphRowPitch(image, format) * uint32_t(image.rows);
}

void WriteGlyphBitmap(const GlyphImage& image, uint32_t format, std::span<uint8_t> out) {
    uint32_t size = GlyphBitmapSize(image, format);
    std::memset(out.data(), 0, size);
    if (size == 0) return;
    uint32_t pitch = GlyphRowPitch(image, format);
    if (format == GGO_BITMAP) {
        WriteMonoRows(image, pitch, out);
    } else {
        WriteGreyRows(image, pitch, GreyLevels(format), out);
    }
}

GLYPHMETRICS GlyphMetricsOf(const GlyphImage& image) {
    GLYPHMETRICS gm;
    gm.gmCellIncX = int16_t(std::clamp(image.advance, -32768, 32767));
    gm.gmCellIncY = 0;
    if (!HasInk(image)) {
        gm.gmBlackBoxX = 1;
        gm.gmBlackBoxY = 1;
        return gm;
    }
    gm.gmBlackBoxX = uint32_t(image.width);
    gm.gmBlackBoxY = uint32_t(image.rows);
    gm.gmptGlyphOrigin.x = image.left;
    gm.gmptGlyphOrigin.y = image.top;
    return gm;
}

}  // namespace host
