// The font table: the record behind each font handle (its glyph slots, the code index
// that finds a character's slot, the cache geometry and the cache itself), the default
// font settings, and the handle look-up shared by the font files.
#pragma once
#include <cstdint>

#include "engine/graphics/images/base_image.h"
#include "host/font/gdi_font_types.h"

namespace orvik {

constexpr int kFontHandleCount = 40;
constexpr uint32_t kFontHandleType = 0x20000000u;
constexpr int kGlyphSlotCount = 2025;
constexpr int kMaxCacheCells = 2024;
constexpr int kCodeIndexSize = 65536;
constexpr int kFontFaceBytes = 64;
// The largest font size: beyond it a glyph cell grows too large for the caches to hold
// more than a few glyphs, and the sums of text layout near the int limits.
constexpr int kMaxFontSize = 256;

// Font type bits.
constexpr int kFontEdge = 1;
constexpr int kFontAntialias = 2;

struct CodeIndexEntry;

struct GlyphSlot {
    uint8_t used;
    int16_t originX;
    int16_t top;  // ascent minus the glyph's y origin
    int16_t advance;
    uint32_t cell;
    int16_t boxWidth;
    int16_t boxHeight;
    CodeIndexEntry* owner;
};

struct CodeIndexEntry {
    uint32_t used;
    GlyphSlot* slot;
};

// One tracked block per font, cleared at creation: only trivially copyable members.
struct FontRecord {
    uint32_t check;
    int* deletedFlag;
    GlyphSlot slots[kGlyphSlotCount];
    CodeIndexEntry index[kCodeIndexSize];
    uint32_t nextSlot;
    uint32_t slotCount;
    // Software cache: one column of cells, 1 or 8 bits a pixel.
    uint8_t* softPixels;
    int32_t softPitch;
    int32_t softBits;
    char face[kFontFaceBytes];
    int32_t thickness, size, charHeight, italic, spacing, cellSize;
    host::HFONT gdiFont;
    int32_t type, charSet, edgeSize;
    int32_t cacheWidth, cacheHeight, cellsPerColumn;
    int32_t cacheGraph, edgeGraph, cacheLost;
    BaseImage cacheImage;
    int32_t textureCache;
};

struct FontDefaults {
    int32_t handle = -1;
    char face[kFontFaceBytes] = {};
    int32_t size = 16, thickness = 6, type = 0, charSet = 1, edgeSize = 1, italic = 0;
    int32_t spacing = 0;
};

// Default fonts of other settings kept after the settings moved on, so that a program
// switching between a few sizes every frame finds each with its glyphs still cached.
constexpr int kKeptDefaultFonts = 3;

struct FontSystemState {
    FontRecord* table[kFontHandleCount] = {};
    FontDefaults defaults;
    // Out of the table (their handles are dead), the most recently left first.
    FontRecord* keptDefaults[kKeptDefaultFonts] = {};
    uint32_t serial = 0;  // next check number, 0 to 2047
};

FontSystemState& FontSystem();
// Frees every font and puts the settings to their defaults (tests and graphics start-up).
void ClearFontSystem();

// The record of a live handle, or null; slot out when not null.
FontRecord* FindFont(int32_t handle, int* slot = nullptr);
int32_t MakeFontHandle(int slot, uint32_t check);

// Takes a font out of the table as its deletion does (the handle dies, the owner's
// deleted flag is set) but keeps the record, its GDI font and its caches; null for a bad
// handle.
FontRecord* DetachFont(int32_t handle);
// Puts a detached record back in the first free slot with the next check number, as a
// font made then would get: its new handle, or -1 when every slot is taken.
int32_t AttachFont(FontRecord* f);
// Frees a record that no slot holds, with its GDI font, caches and graphics.
void FreeFontRecord(FontRecord* f);

}  // namespace orvik
