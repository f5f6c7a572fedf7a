#include "engine/graphics/fonts/glyph_raster.h"

#include <algorithm>
#include <cstdlib>

namespace orvik {

bool InEdgeStamp(int32_t edgeSize, int32_t dx, int32_t dy) {
    int32_t e = edgeSize;
    if (std::abs(dx) > e || std::abs(dy) > e) return false;
    // Half widths of the stamp's rows, top half and middle: rounded masks for the small sizes.
    static const int8_t kHalf1[] = {0, 1};
    static const int8_t kHalf2[] = {1, 2, 2};
    static const int8_t kHalf3[] = {0, 2, 2, 3};
    static const int8_t kHalf4[] = {2, 3, 4, 4, 4};
    static const int8_t* const kHalves[] = {nullptr, kHalf1, kHalf2, kHalf3, kHalf4};
    if (e > 4) return true;
    int32_t row = e - std::abs(dy);
    return std::abs(dx) <= kHalves[e][row];
}

GlyphRaster DecodeGlyphBits(const uint8_t* bits, int32_t pitch, int32_t boxWidth, int32_t boxHeight, int grey,
                            int32_t edgeSize) {
    GlyphRaster r;
    r.width = boxWidth + 2 * edgeSize;
    r.height = boxHeight + 2 * edgeSize;
    r.body.assign(size_t(r.width) * size_t(r.height), 0);
    for (int32_t y = 0; y < boxHeight; ++y) {
        const uint8_t* row = bits + size_t(y) * size_t(pitch);
        uint8_t* out = r.body.data() + size_t(y + edgeSize) * size_t(r.width) + size_t(edgeSize);
        for (int32_t x = 0; x < boxWidth; ++x) {
            out[x] = grey ? std::min<uint8_t>(row[x], 16) : (row[x >> 3] >> (7 - (x & 7)) & 1) * 16;
        }
    }
    return r;
}

void GrowGlyphEdge(GlyphRaster& r, int32_t edgeSize) {
    r.edge.assign(r.body.size(), 0);
    for (int32_t y = 0; y < r.height; ++y) {
        for (int32_t x = 0; x < r.width; ++x) {
            uint8_t level = r.body[size_t(y) * size_t(r.width) + size_t(x)];
            if (!level) continue;
            int32_t y0 = std::max(0, y - edgeSize), y1 = std::min(r.height - 1, y + edgeSize);
            int32_t x0 = std::max(0, x - edgeSize), x1 = std::min(r.width - 1, x + edgeSize);
            for (int32_t v = y0; v <= y1; ++v)
                for (int32_t u = x0; u <= x1; ++u) {
                    if (!InEdgeStamp(edgeSize, u - x, v - y)) continue;
                    uint8_t& e = r.edge[size_t(v) * size_t(r.width) + size_t(u)];
                    e = std::max(e, level);
                }
        }
    }
}

}  // namespace orvik
