// A rendered glyph turned into what GetGlyphOutlineA hands back: the bitmap in one of
// GDI's formats, rows padded to 4 bytes, and GDI's glyph metrics.
#pragma once
#include <cstdint>
#include <span>

#include "host/font/gdi_font_types.h"
#include "host/font/glyph_source.h"

namespace host {

bool IsGlyphBitmapFormat(uint32_t format);
// GGO_BITMAP asks the source for a mono raster, the grey formats for coverage.
GlyphRaster RasterOfFormat(uint32_t format);

// False when the image's sizes and its coverage do not agree (or are absurd).
bool IsWellFormedGlyph(const GlyphImage& image);

uint32_t GlyphRowPitch(const GlyphImage& image, uint32_t format);
// The bytes the bitmap needs: 0 for a glyph without ink.
uint32_t GlyphBitmapSize(const GlyphImage& image, uint32_t format);

// Writes GlyphBitmapSize bytes into out, which must hold at least that many.
void WriteGlyphBitmap(const GlyphImage& image, uint32_t format, std::span<uint8_t> out);

// A glyph without ink answers as GDI does: a 1 x 1 black box at the pen position.
GLYPHMETRICS GlyphMetricsOf(const GlyphImage& image);

}  // namespace host
