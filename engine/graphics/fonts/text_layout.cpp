// Laying out a line of text from the glyph cache: the pen, the place of every glyph
// (turned a quarter for vertical text), and handing each glyph to the graphic path or
// writing it into a memory image.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/graphics/images/color_format.h"
#include "engine/graphics/fonts/font_geometry.h"
#include "engine/graphics/fonts/font_graph_port.h"
#include "engine/graphics/fonts/fonts_internal.h"
#include "engine/platform/base/log.h"
#include "engine/softrender/pipeline/memimg.h"

namespace orvik {

namespace {

// What one pixel of a cached glyph holds: body and edge levels, 0 to 15.
struct CachedTexel {
    uint8_t body, edge;
};

CachedTexel SoftTexel(const FontRecord& f, CellOrigin cell, int32_t u, int32_t v) {
    const uint8_t* row = f.softPixels + size_t(cell.y + v) * size_t(f.softPitch);
    if (f.softBits == 1) return {uint8_t(row[u >> 3] >> (7 - (u & 7)) & 1 ? 15 : 0), 0};
    return {uint8_t(row[u] & 15), uint8_t(row[u] >> 4)};
}

struct GlyphWriter {
    const FontRecord& f;
    const TextTarget& target;
    uint32_t color, edgeColor;  // 0x00RRGGBB
    int antialiased;

    void Put(int32_t x, int32_t y, CachedTexel t) const {
        const int32_t* r = target.rect;
        if (x < r[0] || y < r[1] || x >= r[2] || y >= r[3]) return;
        MEMIMG* img = target.image;
        if (x >= img->width || y >= img->height || x < 0 || y < 0) return;
        uint8_t* p = img->pixels + size_t(y) * size_t(img->store->pitch) + size_t(x) * size_t(MemImgBytesPerPixel(img));
        if (antialiased) return PutBlended(p, t);
        if (!t.body && !t.edge) return;
        uint32_t rgb = t.body ? color : edgeColor;
        uint32_t value = GetColorInBaseImageFormat(*img->store->colorFormat, rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF, 255);
        std::memcpy(p, &value, size_t(MemImgBytesPerPixel(img)));
    }

    // Text colour over edge colour by the two coverages, into a pixel with alpha.
    void PutBlended(uint8_t* p, CachedTexel t) const {
        int edged = f.type & kFontEdge;
        uint32_t b = t.body, e = t.edge, alpha = 0, rgb = color;
        if (!edged) {
            alpha = 16 * b;
        } else if (b == 0 && e == 0) {
            return;
        } else if (b == 0) {
            alpha = 16 * e;
            rgb = edgeColor;
        } else if (b == 15) {
            alpha = 255;
        } else {
            alpha = 16 * b + (15 - b) * e;
            uint32_t w = b * 4096 / alpha;
            rgb = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                int32_t tc = int32_t(color >> shift & 0xFF), ec = int32_t(edgeColor >> shift & 0xFF);
                rgb |= uint32_t(ec + (tc - ec) * int32_t(w) / 256) << shift;
            }
        }
        MEMIMG* img = target.image;
        if (img->store->colorType == kMemImgXrgb32) {
            uint32_t v = alpha << 24 | rgb;
            std::memcpy(p, &v, 4);
            return;
        }
        // 16-bit screens: RGB565 in the low half, alpha in the third byte.
        uint32_t v = (rgb >> 8 & 0xF800) | (rgb >> 5 & 0x07E0) | (rgb >> 3 & 0x001F) | alpha << 16;
        std::memcpy(p, &v, 4);
    }

    void Write(const GlyphSlot& slot, int32_t x0, int32_t y0, int vertical) const {
        CellOrigin cell = CellPosition(slot.cell, f.cellSize, f.cellsPerColumn);
        for (int32_t v = 0; v < slot.boxHeight && v < f.cellSize; ++v)
            for (int32_t u = 0; u < slot.boxWidth && u < f.cellSize; ++u) {
                CachedTexel t = SoftTexel(f, cell, u, v);
                if (vertical) Put(x0 - 1 - v, y0 + u, t);
                else Put(x0 + u, y0 + v, t);
            }
    }
};

// A glyph placed this far off lies outside every target; skipping it keeps the sums of
// its pixel positions inside int.
bool WithinReach(double position) { return std::abs(position) < double(1 << 30); }

// Scaled text stretches each cell by the scales; vertical text is drawn unscaled.
void DrawCachedGlyph(const FontRecord& f, const GlyphSlot& slot, int32_t x0, int32_t y0, int vertical,
                     uint32_t color, uint32_t edgeColor, double scaleX, double scaleY) {
    FontGraphPort& port = FontPort();
    if (!port.drawCell || f.cacheGraph < 0) return;
    CellOrigin cell = CellPosition(slot.cell, f.cellSize, f.cellsPerColumn);
    int32_t dx = vertical ? x0 - slot.boxHeight : x0;
    if (f.type & kFontEdge) {
        int32_t graph = f.edgeGraph >= 0 ? f.edgeGraph : f.cacheGraph;
        int32_t srcX = f.edgeGraph >= 0 ? cell.x : f.cacheWidth + cell.x;
        port.drawCell(graph, srcX + 1, cell.y + 1, slot.boxWidth, slot.boxHeight, dx, y0, edgeColor, vertical, scaleX,
                      scaleY);
    }
    port.drawCell(f.cacheGraph, cell.x + 1, cell.y + 1, slot.boxWidth, slot.boxHeight, dx, y0, color, vertical, scaleX,
                  scaleY);
}

}  // namespace

int DrawTextCore(int drawFlag, int x, int y, int scaleFlag, double scaleX, double scaleY, const char* text,
                 uint32_t color, const TextTarget* target, int32_t handle, uint32_t edgeColor, int vertical,
                 int* size) {
    FontRecord* f = FindFont(handle);
    if (!f) return -1;
    if (!text || !text[0]) return 0;
    std::vector<CharEntry> chars(std::strlen(text));
    int count = 0;
    if (CacheStringGlyphs(text, -1, handle, chars.data(), &count) < 0) return -1;
    color = BrightenedColor(color);
    edgeColor = BrightenedColor(edgeColor);
    double scale = scaleFlag ? (vertical ? scaleY : scaleX) : 1.0;
    const double cellScaleX = scaleFlag ? scaleX : 1.0, cellScaleY = scaleFlag ? scaleY : 1.0;
    GlyphWriter writer{*f, target ? *target : TextTarget{}, color, edgeColor, f->type & kFontAntialias};
    double pen = 0;
    for (int i = 0; i < count; ++i) {
        CodeIndexEntry* entry = &f->index[CodeIndexKey(chars[i])];
        if (!entry->used) RenderGlyphToCache(handle, 1, &chars[i]);
        if (!entry->used || !entry->slot) return AddLogText("テキストキャッシュの作成に失敗しました\n");
        const GlyphSlot& slot = *entry->slot;
        const double gx = vertical ? double(x) + (f->charHeight - slot.top) : double(x) + slot.originX + std::trunc(pen);
        const double gy = vertical ? double(y) + slot.originX + std::trunc(pen) : double(y) + slot.top;
        if (drawFlag && slot.boxWidth > 0 && slot.boxHeight > 0 && WithinReach(gx) && WithinReach(gy)) {
            if (target && target->image && !f->textureCache) writer.Write(slot, int32_t(gx), int32_t(gy), vertical);
            else if (f->textureCache)
                DrawCachedGlyph(*f, slot, int32_t(gx), int32_t(gy), vertical, color, edgeColor, vertical ? 1.0 : cellScaleX,
                                vertical ? 1.0 : cellScaleY);
        }
        pen += (double(slot.advance) + f->spacing) * scale;
    }
    int total = std::isnan(pen) ? 0 : int(std::clamp(pen, double(INT_MIN), double(INT_MAX)));
    if (size) {
        size[vertical ? 1 : 0] = total;
        size[vertical ? 0 : 1] = f->charHeight;
    }
    return total;
}

}  // namespace orvik
