// One glyph as coverage levels 0 to 16 on a grid with room for the edge all round, and
// the edge grown from it with the round stamp of the edge size.
#pragma once
#include <cstdint>
#include <vector>

namespace orvik {

struct GlyphRaster {
    int32_t width = 0, height = 0;  // the black box plus the edge on every side
    std::vector<uint8_t> body;      // levels 0 (empty) to 16 (full)
    std::vector<uint8_t> edge;      // empty unless the font is edged
};

// Reads a GDI glyph bitmap (1-bit, or 17-level grey) of boxWidth x boxHeight with the
// given row pitch into the grid, the body shifted by edgeSize both ways.
GlyphRaster DecodeGlyphBits(const uint8_t* bits, int32_t pitch, int32_t boxWidth, int32_t boxHeight, int grey,
                            int32_t edgeSize);
// Stamps the edge pattern around every body pixel; a pixel takes the highest level of the
// body pixels whose stamp covers it.
void GrowGlyphEdge(GlyphRaster& raster, int32_t edgeSize);
// Whether (dx, dy) from the centre lies in the stamp of the edge size.
bool InEdgeStamp(int32_t edgeSize, int32_t dx, int32_t dy);

}  // namespace orvik
