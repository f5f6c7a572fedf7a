// What tests (and the engine's font tests) can set about the font services: the glyph
// source behind them, calls made to fail as a real system's can, and counts of what is
// alive.
#pragma once
#include <cstddef>
#include <memory>

#include "host/font/glyph_source.h"

namespace host {

// Each counter is the number of upcoming calls of that kind that fail; a negative
// counter makes every call fail until it is cleared.
struct FontFaults {
    int createFont = 0;    // CreateFontA finds no face
    int createDc = 0;      // CreateCompatibleDC
    int glyphOutline = 0;  // GetGlyphOutlineA
};
void SetFontFaults(const FontFaults& faults);

// Fonts created from now on take their faces from this source; null goes back to the
// installed fonts (FreeType over fontconfig).
void SetGlyphSource(std::shared_ptr<GlyphSource> source);

size_t LiveFontCount();
size_t LiveDcCount();

// Deletes every font and device context, clears the faults and goes back to the
// installed fonts.
void ResetFontHost();

}  // namespace host
