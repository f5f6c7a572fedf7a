// Rendering characters into a font's cache: the slot to reuse (the oldest glyph first),
// the glyph's metrics from GetGlyphOutlineA, and its pixels written into the cache base
// image and graphic, or into the software cache.
#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/graphics/fonts/font_geometry.h"
#include "engine/graphics/fonts/font_graph_port.h"
#include "engine/graphics/fonts/fonts_internal.h"
#include "engine/graphics/fonts/glyph_raster.h"
#include "engine/platform/base/log.h"
#include "host/font/gdi_font.h"

namespace orvik {

namespace {

// A glyph bitmap larger than this is taken as a broken size answer, not allocated.
constexpr uint32_t kMaxGlyphBytes = 4u << 20;

bool IsSpace(const CharEntry& c) {
    return (c.bytes[0] == 0x20 && c.bytes[1] == 0) || (c.bytes[0] == 0x81 && c.bytes[1] == 0x40);
}

uint32_t GdiCode(const CharEntry& c) { return c.bytes[1] ? uint32_t(c.bytes[0]) << 8 | c.bytes[1] : c.bytes[0]; }

void PutRaw(BaseImage& image, int32_t x, int32_t y, uint32_t value) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    uint8_t* p = image.pixels + size_t(y) * size_t(image.pitch) + size_t(x) * image.format.bytesPerPixel;
    if (image.format.bytesPerPixel == 2) {
        uint16_t v = uint16_t(value);
        std::memcpy(p, &v, 2);
    } else {
        std::memcpy(p, &value, 4);
    }
}

// White with the alpha of grey level 1 to 16 (level 0 stays fully transparent).
uint32_t TexelOf(const ColorFormat& format, uint8_t level, int grey) {
    if (!level) return 0;
    uint32_t white = format.redMask | format.greenMask | format.blueMask;
    if (!grey || format.alphaWidth < 4) return white | format.alphaMask;
    uint32_t alpha = (uint32_t(level) << (format.alphaWidth - 4)) - 1;
    return white | (alpha << format.alphaShift & format.alphaMask);
}

void ClearCell(FontRecord& f, CellOrigin cell) {
    if (f.textureCache) {
        int halves = f.type & kFontEdge ? 2 : 1;
        for (int h = 0; h < halves; ++h)
            ZeroBaseImageRect(&f.cacheImage, cell.x + h * f.cacheWidth, cell.y, f.cellSize, f.cellSize);
        return;
    }
    for (int32_t y = 0; y < f.cellSize; ++y)
        std::memset(f.softPixels + size_t(cell.y + y) * size_t(f.softPitch), 0, size_t(f.softPitch));
}

void WriteTexture(FontRecord& f, CellOrigin cell, const GlyphRaster& r) {
    int grey = f.type & kFontAntialias;
    int32_t limit = f.cellSize - 1;  // one pixel in from the cell's corner
    int32_t w = std::min(r.width, limit), h = std::min(r.height, limit);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            size_t i = size_t(y) * size_t(r.width) + size_t(x);
            PutRaw(f.cacheImage, cell.x + 1 + x, cell.y + 1 + y, TexelOf(f.cacheImage.format, r.body[i], grey));
            if (!r.edge.empty())
                PutRaw(f.cacheImage, f.cacheWidth + cell.x + 1 + x, cell.y + 1 + y,
                       TexelOf(f.cacheImage.format, r.edge[i], grey));
        }
    FontGraphPort& port = FontPort();
    if (!port.uploadRect || f.cacheGraph < 0) return;
    port.uploadRect(f.cacheGraph, &f.cacheImage, cell.x, cell.y, f.cellSize, f.cellSize);
    if (!r.edge.empty()) port.uploadRect(f.cacheGraph, &f.cacheImage, f.cacheWidth + cell.x, cell.y, f.cellSize, f.cellSize);
}

// Stored levels: 1-bit caches keep the body's bits; 8-bit caches keep the body level in
// the low four bits and the edge level in the high four (level L as L - 1, 0 as 0).
uint8_t StoredLevel(uint8_t level) { return level ? uint8_t(level - 1) : 0; }

void WriteSoftware(FontRecord& f, CellOrigin cell, const GlyphRaster& r) {
    int32_t w = std::min(r.width, f.cellSize), h = std::min(r.height, f.cellSize);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = f.softPixels + size_t(cell.y + y) * size_t(f.softPitch);
        for (int32_t x = 0; x < w; ++x) {
            size_t i = size_t(y) * size_t(r.width) + size_t(x);
            if (f.softBits == 1) {
                if (r.body[i]) row[x >> 3] |= uint8_t(0x80 >> (x & 7));
                continue;
            }
            uint8_t edge = r.edge.empty() ? 0 : StoredLevel(r.edge[i]);
            row[x] = uint8_t(StoredLevel(r.body[i]) | edge << 4);
        }
    }
}

// The glyph's metrics and, unless it has no ink, its pixels. False when GDI fails.
bool ReadGlyph(host::HDC dc, const CharEntry& c, int grey, host::GLYPHMETRICS& gm, std::vector<uint8_t>& bits,
               int32_t& pitch) {
    uint32_t format = grey ? host::GGO_GRAY4_BITMAP : host::GGO_BITMAP;
    host::MAT2 identity = host::IdentityMat2();
    uint32_t size = host::GetGlyphOutlineA(dc, GdiCode(c), format, &gm, 0, nullptr, &identity);
    if (size == host::GDI_ERROR) return false;
    pitch = 0;
    bits.clear();
    if (IsSpace(c) || size == 0 || gm.gmBlackBoxY == 0 || size > kMaxGlyphBytes) return true;
    pitch = int32_t(size / gm.gmBlackBoxY) & ~3;
    if (pitch == 0) return true;
    bits.assign(size_t(size) + 2 * size_t(pitch), 0);
    return host::GetGlyphOutlineA(dc, GdiCode(c), format, &gm, size, bits.data() + pitch, &identity) != host::GDI_ERROR;
}

void RenderOne(FontRecord& f, host::HDC dc, const host::TEXTMETRICA& tm, const CharEntry& c) {
    GlyphSlot& slot = f.slots[f.nextSlot];
    if (slot.used && slot.owner) *slot.owner = CodeIndexEntry{};
    slot.used = 0;
    CellOrigin cell = CellPosition(slot.cell, f.cellSize, f.cellsPerColumn);
    ClearCell(f, cell);
    int grey = f.type & kFontAntialias;
    host::GLYPHMETRICS gm{};
    std::vector<uint8_t> bits;
    int32_t pitch = 0;
    bool ok = ReadGlyph(dc, c, grey, gm, bits, pitch);
    if (!ok) AddLogText("GetGlyphOutline 関数が失敗しました\n");
    // A character GDI cannot give is kept as an empty glyph, so that a text with it
    // still draws the rest and the character is not asked for again on every draw.
    int32_t e = f.type & kFontEdge ? f.edgeSize : 0;
    bool ink = ok && pitch > 0;
    slot.originX = int16_t(ok ? gm.gmptGlyphOrigin.x : 0);
    slot.top = int16_t(ok ? tm.tmAscent - gm.gmptGlyphOrigin.y : 0);
    slot.advance = int16_t(ok ? gm.gmCellIncX + 2 * e : 0);
    // The box never reaches past its cell (the texture cache keeps a pixel's margin).
    int32_t room = f.textureCache ? f.cellSize - 1 : f.cellSize;
    slot.boxWidth = int16_t(ink ? std::min(int32_t(gm.gmBlackBoxX) + 2 * e, room) : 0);
    slot.boxHeight = int16_t(ink ? std::min(int32_t(gm.gmBlackBoxY) + 2 * e, room) : 0);
    if (ink) {
        int32_t boxWidth = std::min<int32_t>(int32_t(gm.gmBlackBoxX), grey ? pitch : pitch * 8);
        GlyphRaster r = DecodeGlyphBits(bits.data() + pitch, pitch, boxWidth, int32_t(gm.gmBlackBoxY), grey, e);
        if (e) GrowGlyphEdge(r, e);
        if (f.textureCache) WriteTexture(f, cell, r);
        else WriteSoftware(f, cell, r);
    }
    CodeIndexEntry& entry = f.index[CodeIndexKey(c)];
    entry.used = 1;
    entry.slot = &slot;
    slot.used = 1;
    slot.owner = &entry;
    f.nextSlot = f.nextSlot + 1 >= f.slotCount ? 0 : f.nextSlot + 1;
}

}  // namespace

int RenderGlyphToCache(int32_t handle, int count, const CharEntry* chars) {
    FontRecord* f = FindFont(handle);
    if (!f || count <= 0 || !chars || f->slotCount == 0) return 0;
    host::HDC dc = host::CreateCompatibleDC(nullptr);
    if (!dc) return AddLogText("テキストキャッシュサーフェスのＤＣの取得に失敗しました\n");
    host::TEXTMETRICA tm{};
    host::SelectObject(dc, f->gdiFont);
    if (!host::GetTextMetricsA(dc, &tm)) {
        host::DeleteDC(dc);
        return AddLogText("テキストキャッシュサーフェスのＤＣの取得に失敗しました\n");
    }
    uint32_t last = f->nextSlot;
    for (int i = 0; i < count; ++i) {
        last = f->nextSlot;
        RenderOne(*f, dc, tm, chars[i]);
    }
    host::DeleteDC(dc);
    return int(last);
}

}  // namespace orvik
