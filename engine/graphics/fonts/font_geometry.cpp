#include "engine/graphics/fonts/font_geometry.h"

#include <algorithm>

#include "engine/graphics/fonts/font_record.h"

namespace orvik {
namespace {
// The glyph cache texture grows no larger than the device's largest texture side.
constexpr int kMaxCacheSide = 16384;
}  // namespace

int32_t FontCellSize(int32_t maxCharWidth, int32_t edgeSize, int edged, int32_t charHeight) {
    int32_t cell = maxCharWidth + 2 + (edged ? 2 * edgeSize : 0);
    cell = (cell + 7) / 8 * 8;
    return std::max(cell, charHeight);
}

int32_t FontCharHeight(int32_t fontHeight, int32_t edgeSize, int edged) {
    int32_t height = fontHeight + (edged ? 2 * edgeSize : 0);
    return height + (height & 1);
}

CacheGeometry TextureCacheGeometry(int32_t cell) {
    CacheGeometry g;
    if (cell <= 0) return g;
    g.width = g.height = 512;
    int64_t cells = int64_t(512 / cell) * (512 / cell);
    // Bounded by the largest image side so that an absurd cell cannot loop for ever.
    while (cells < 10 && g.width < kMaxCacheSide && g.height < kMaxCacheSide) {
        if (g.width <= g.height) g.width *= 2;
        else g.height *= 2;
        cells = int64_t(g.width / cell) * (g.height / cell);
    }
    g.cells = int32_t(std::min<int64_t>(cells, kMaxCacheCells));
    g.cellsPerColumn = g.height / cell;
    return g;
}

CacheGeometry SoftwareCacheGeometry(int32_t cell, int32_t fontType) {
    CacheGeometry g;
    if (cell <= 0) return g;
    g.bits = fontType == 0 ? 1 : 8;
    g.cells = std::clamp<int32_t>(327680 / (cell * cell), 20, kMaxCacheCells);
    g.width = cell;
    g.height = g.cells * cell;
    g.cellsPerColumn = g.cells;
    g.pitch = (cell * g.bits + 7) / 8;
    return g;
}

CellOrigin CellPosition(uint32_t cell, int32_t cellSize, int32_t cellsPerColumn) {
    if (cellsPerColumn <= 0) return {0, 0};
    return {int32_t(cell / uint32_t(cellsPerColumn)) * cellSize,
            int32_t(cell % uint32_t(cellsPerColumn)) * cellSize};
}

}  // namespace orvik
