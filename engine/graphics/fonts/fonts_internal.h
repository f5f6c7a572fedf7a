// The font layer's engine-side entries: the glyph cache, the text layout shared by the
// two drawing paths, and the font table's life with graphics.
#pragma once
#include <cstdint>
#include <vector>

#include "engine/graphics/fonts/font_record.h"

namespace orvik {

struct MEMIMG;

FontRecord* GetFontRecord(int32_t handle);

int ResetGlyphCache(int32_t handle);
int CreateFontCacheGraph(int32_t handle);

// One character of a text: its first byte, its second byte (0 for a one-byte character)
// and a 0.
struct CharEntry {
    uint8_t bytes[3];
};
inline uint16_t CodeIndexKey(const CharEntry& c) { return uint16_t(c.bytes[0] | c.bytes[1] << 8); }

// entries, when not null, must have room for one entry per byte of the text.
int CacheStringGlyphs(const char* text, int length, int32_t handle, CharEntry* entries, int* count);
int RenderGlyphToCache(int32_t handle, int count, const CharEntry* chars);

struct TextTarget {
    MEMIMG* image = nullptr;  // software path: the image written into; null: graphic path
    int32_t rect[4] = {};     // its area to write in (x1, y1, x2, y2 exclusive)
    int workImage = 0;        // writing into a font work image
};

// drawFlag 0 only measures. Result: the total advance, -1 for a bad handle, 0 for empty
// text; size out gets (advance, character height), exchanged for vertical text.
int DrawTextCore(int drawFlag, int x, int y, int scaleFlag, double scaleX, double scaleY, const char* text,
                 uint32_t color, const TextTarget* target, int32_t handle, uint32_t edgeColor, int vertical,
                 int* size);
int DrawTextCached(int x, int y, const char* text, uint32_t color, uint32_t edgeColor, int vertical, int32_t font);
int DrawTextMemImg(int x, int y, const char* text, uint32_t color, uint32_t edgeColor, int vertical, int32_t font);

// The colour (0x00RRGGBB) times the current bright, channel by channel.
uint32_t BrightenedColor(uint32_t rgb);

int RebuildDefaultFont();
int StartFontManager();
int ResetFontSystem();
int RestartFontManager();
int RefreshFontHandles();

// What a font is made from, to make it again the same, in the same slot with the same
// check number.
struct FontParams {
    char face[kFontFaceBytes];
    int32_t size, thickness, type, charSet, edgeSize, italic, check, spacing;
};
struct KeptFont {
    FontParams params;
    int slot;
    int* deletedFlag;
    bool isDefault;
};
// Deletes every font, keeping what makes each again; the owners' deleted flags are not set.
std::vector<KeptFont> TakeFonts();
// Makes the kept fonts again with their handles (the default font only with withDefault);
// a font whose slot is taken or that cannot be made sets its owner's deleted flag.
void GiveBackFonts(const std::vector<KeptFont>& kept, int withDefault);

}  // namespace orvik
