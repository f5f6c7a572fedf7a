// GDI-style fonts: CreateFontA by face name, memory device contexts to select them into,
// text metrics and glyph outlines, cut down to what the engine's text layer passes.
// Failures answer as GDI's do (null handle, FALSE, GDI_ERROR) with a line on the
// debugger output.
#pragma once
#include <cstdint>

#include "host/font/gdi_font_types.h"

namespace host {

// height: > 0 the cell height, < 0 the character (em) height, 0 the default cell of 16.
// weight is clamped to 0..1000. faceName is code page 932 text (GDI keeps its first 31
// bytes); null or empty, or the engine's Japanese gothic name, gives the Japanese
// monospace face. An unknown name is substituted by the closest installed face.
HFONT CreateFontA(int32_t height, int32_t weight, BOOL italic, uint32_t charset,
                  uint32_t pitchAndFamily, const char* faceName);
BOOL DeleteObject(HFONT font);

// A memory device context; the argument is not used (the engine passes null).
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
// Returns the font selected before (null when none). Null also on a bad context or font.
// A null font deselects. A font deleted while selected stays usable through the context.
HFONT SelectObject(HDC dc, HFONT font);

BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics);

// character: one byte, or lead byte x 256 + trail byte, in the code page of the font's
// character set. With a null buffer or a zero size, returns the bytes the bitmap needs
// (0 for a glyph without ink, which still gets its metrics); otherwise writes the bitmap
// and returns its size. GDI_ERROR for a bad context, format, matrix (only the identity is
// taken), missing metrics, a code that is no character, or a buffer too small.
uint32_t GetGlyphOutlineA(HDC dc, uint32_t character, uint32_t format, GLYPHMETRICS* metrics,
                          uint32_t bufferSize, void* buffer, const MAT2* matrix);

}  // namespace host
