#include "host/backends/layered_shape.h"

namespace host {

namespace {
uint32_t Scale(uint32_t value, uint8_t opacity) { return (value * opacity + 127) / 255; }
}  // namespace

uint8_t ShownAlpha(uint32_t pixel, uint8_t opacity) { return uint8_t(Scale(pixel >> 24, opacity)); }

std::vector<ShapeRun> LayeredShape(std::span<const uint32_t> pixels, int width, int height, uint8_t opacity) {
    std::vector<ShapeRun> runs;
    if (width <= 0 || height <= 0 || pixels.size() < size_t(width) * size_t(height)) return runs;
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = pixels.data() + size_t(y) * size_t(width);
        for (int x = 0; x < width;) {
            if (ShownAlpha(row[x], opacity) == 0) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < width && ShownAlpha(row[x], opacity) != 0) ++x;
            runs.push_back(ShapeRun{start, y, x - start});
        }
    }
    return runs;
}

uint32_t ShownOverBlack(uint32_t pixel, uint8_t opacity) {
    if (opacity == 255) return pixel & 0xFFFFFF;
    return Scale(pixel >> 16 & 255, opacity) << 16 | Scale(pixel >> 8 & 255, opacity) << 8 | Scale(pixel & 255, opacity);
}

}  // namespace host
