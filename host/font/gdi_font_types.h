// The GDI font names the engine's text layer is written against: font and device-context
// handles, text metrics, glyph metrics and the glyph-outline formats, with the values the
// engine passes.
#pragma once
#include <cstdint>

#include "host/win/system/types.h"

namespace host {

struct FontTag;
// An opaque handle holding an id into the font table, never an address, like the window
// layer's handles: a stale or made-up handle is simply not found.
using HFONT = FontTag*;

// Character sets.
constexpr uint8_t ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SHIFTJIS_CHARSET = 0x80,
                  HANGEUL_CHARSET = 0x81, GB2312_CHARSET = 0x86, CHINESEBIG5_CHARSET = 0x88;

// Weights.
constexpr int32_t FW_DONTCARE = 0, FW_NORMAL = 400, FW_SEMIBOLD = 600, FW_BOLD = 700;

// Pitch requested in CreateFontA's pitch-and-family argument (low two bits).
constexpr uint32_t DEFAULT_PITCH = 0, FIXED_PITCH = 1, VARIABLE_PITCH = 2;

// tmPitchAndFamily bits. TMPF_FIXED_PITCH set means the font is NOT fixed pitch.
constexpr uint8_t TMPF_FIXED_PITCH = 0x01, TMPF_VECTOR = 0x02, TMPF_TRUETYPE = 0x04;

struct TEXTMETRICA {
    int32_t tmHeight = 0;  // ascent + descent: the cell height
    int32_t tmAscent = 0;
    int32_t tmDescent = 0;
    int32_t tmInternalLeading = 0;  // cell height minus the character (em) height
    int32_t tmExternalLeading = 0;
    int32_t tmAveCharWidth = 0;
    int32_t tmMaxCharWidth = 0;
    int32_t tmWeight = 0;
    int32_t tmOverhang = 0;
    int32_t tmDigitizedAspectX = 0;
    int32_t tmDigitizedAspectY = 0;
    uint8_t tmFirstChar = 0;
    uint8_t tmLastChar = 0;
    uint8_t tmDefaultChar = 0;
    uint8_t tmBreakChar = 0;
    uint8_t tmItalic = 0;
    uint8_t tmUnderlined = 0;
    uint8_t tmStruckOut = 0;
    uint8_t tmPitchAndFamily = 0;
    uint8_t tmCharSet = 0;
};

struct GLYPHMETRICS {
    uint32_t gmBlackBoxX = 0;  // the inked box; 1 x 1 for a glyph without ink
    uint32_t gmBlackBoxY = 0;
    struct {
        int32_t x = 0;  // from the pen position to the box's left edge
        int32_t y = 0;  // from the baseline up to the box's top edge
    } gmptGlyphOrigin;
    int16_t gmCellIncX = 0;  // how far the pen moves after this glyph
    int16_t gmCellIncY = 0;
};

// A 16.16 fixed-point number and the 2 x 2 transformation GetGlyphOutlineA takes.
struct FIXED {
    uint16_t fract = 0;
    int16_t value = 0;
};
struct MAT2 {
    FIXED eM11, eM12, eM21, eM22;
};
constexpr MAT2 IdentityMat2() { return MAT2{{0, 1}, {0, 0}, {0, 0}, {0, 1}}; }

// GetGlyphOutlineA formats. The bitmaps have rows padded to 4 bytes: GGO_BITMAP one bit
// per pixel (the leftmost in the top bit), the grey formats one byte per pixel with the
// levels 0..4, 0..16 and 0..64.
constexpr uint32_t GGO_BITMAP = 1, GGO_GRAY2_BITMAP = 4, GGO_GRAY4_BITMAP = 5,
                   GGO_GRAY8_BITMAP = 6;
constexpr uint32_t GDI_ERROR = 0xFFFFFFFFu;

}  // namespace host
