// Turning text into characters under a font's character set and making sure every
// character of a text has a glyph in the cache before the text is drawn.
#include <cstring>
#include <vector>

#include "engine/graphics/fonts/fonts_internal.h"
#include "engine/platform/base/charset.h"
#include <orvik/fonts.h>

namespace orvik {

namespace {

// Splits at most length bytes of text into entries; a lead byte at the very end stands alone.
int SplitChars(const char* text, int length, int charSet, CharEntry* out) {
    int count = 0;
    for (int i = 0; i < length;) {
        auto* p = reinterpret_cast<const uint8_t*>(text + i);
        bool pair = IsDoubleByteLead(p, charSet) && i + 1 < length && p[1] != 0;
        out[count++] = CharEntry{{p[0], uint8_t(pair ? p[1] : 0), 0}};
        i += pair ? 2 : 1;
    }
    return count;
}

}  // namespace

int CheckCharBytePosition(const char* text, int position, int charSet) {
    if (!text || position < 0) return -1;
    for (int i = 0;;) {
        auto* p = reinterpret_cast<const uint8_t*>(text + i);
        if (p[0] == 0) return -1;
        int width = IsDoubleByteLead(p, charSet) && p[1] != 0 ? 2 : 1;
        if (position < i + width) return width == 1 ? 0 : position - i + 1;
        i += width;
    }
}

int CacheStringGlyphs(const char* text, int length, int32_t handle, CharEntry* entries, int* count) {
    FontRecord* f = FindFont(handle);
    if (!f || !text) return -1;
    int bytes = length < 0 ? int(std::strlen(text)) : int(strnlen(text, size_t(length)));
    // Up to 256 characters fit the fixed buffers; longer texts get their own.
    static CharEntry fixedAll[256], fixedNew[256];
    std::vector<CharEntry> ownAll, ownNew;
    CharEntry* all = entries ? entries : fixedAll;
    CharEntry* fresh = fixedNew;
    if (bytes > 256) {
        if (!entries) {
            ownAll.resize(size_t(bytes));
            all = ownAll.data();
        }
        ownNew.resize(size_t(bytes));
        fresh = ownNew.data();
    }
    int n = SplitChars(text, bytes, f->charSet, all);
    if (count) *count = n;
    // Each missing character once, no more than the cache holds.
    static uint8_t seen[kCodeIndexSize / 8];
    std::memset(seen, 0, sizeof seen);
    int missing = 0;
    for (int i = 0; i < n && uint32_t(missing) < f->slotCount; ++i) {
        uint16_t key = CodeIndexKey(all[i]);
        if (f->index[key].used || (seen[key >> 3] & (1 << (key & 7)))) continue;
        seen[key >> 3] |= uint8_t(1 << (key & 7));
        fresh[missing++] = all[i];
    }
    if (missing > 0) RenderGlyphToCache(handle, missing, fresh);
    return 0;
}

}  // namespace orvik
