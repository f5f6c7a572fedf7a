// The global state behind the font calls: the fonts and device contexts by id, the glyph
// source and the faults. Every field is guarded by the state's lock.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "host/font/font_host.h"
#include "host/font/gdi_font_types.h"
#include "host/font/glyph_source.h"

namespace host {

struct FontObject {
    std::unique_ptr<GlyphFace> face;
    uint8_t charset = 0;  // as realised: the default set becomes the system code page's
    uint32_t codePage = 0;
};

struct DcObject {
    HFONT selected = nullptr;
    std::shared_ptr<FontObject> font;  // keeps a font deleted while selected alive
};

struct FontHostState {
    std::mutex lock;
    std::shared_ptr<GlyphSource> source;  // null: the installed fonts
    FontFaults faults;
    std::unordered_map<uintptr_t, std::shared_ptr<FontObject>> fonts;
    std::unordered_map<uintptr_t, DcObject> dcs;
    uint32_t nextSerial = 1;  // never reset, so a handle from before a reset is not found
};

FontHostState& FontState();

// The source for new fonts; made on first use for the installed fonts. Lock held.
GlyphSource& CurrentGlyphSource(FontHostState& state);

// Consumes one failure from a fault counter: true when this call is to fail.
bool TakeFontFault(int& counter);

}  // namespace host
