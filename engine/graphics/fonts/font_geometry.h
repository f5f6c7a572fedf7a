// The arithmetic of a font's cache: the cell that holds one glyph, the character height,
// the size of a texture cache and of a software cache, and where a cell lies.
#pragma once
#include <cstdint>

namespace orvik {

// Widest character + 2 (+ both edges), rounded up to 8, never below the character height.
int32_t FontCellSize(int32_t maxCharWidth, int32_t edgeSize, int edged, int32_t charHeight);
// Font height (+ both edges), made even.
int32_t FontCharHeight(int32_t fontHeight, int32_t edgeSize, int edged);

struct CacheGeometry {
    int32_t width = 0, height = 0, cells = 0, cellsPerColumn = 0;
    int32_t pitch = 0, bits = 0;  // software cache only
};

// From 512 x 512, the smaller side (the width on a tie) doubles while fewer than 10 cells fit.
CacheGeometry TextureCacheGeometry(int32_t cell);
// One column of 20 to 2024 cells in about 320 KB; 1 bit a pixel for plain fonts, else 8.
CacheGeometry SoftwareCacheGeometry(int32_t cell, int32_t fontType);

struct CellOrigin {
    int32_t x, y;
};
CellOrigin CellPosition(uint32_t cell, int32_t cellSize, int32_t cellsPerColumn);

}  // namespace orvik
