// Text for programs: font handles made from installed faces, drawing text with a font or
// with the default font, and the default font's settings. Every function returns 0 (or a
// handle, or a size) on success and -1 on failure; nothing is thrown. Text is code page
// 932 (Shift-JIS) unless the window's character set says otherwise.
#pragma once
#include <cstdint>

namespace orvik {

// Font types: edged (outlined) and anti-aliased, combinable.
constexpr int kFontTypeNormal = 0;
constexpr int kFontTypeEdge = 1;
constexpr int kFontTypeAntialias = 2;
constexpr int kFontTypeAntialiasEdge = 3;

// -1 for any number gives its default (size 16, thickness 6, type 0, the window's
// character set, edge 1, the first free slot, a new check number). A null or empty face is
// the default Japanese gothic. An edge size above 1 makes the font edged.
int32_t CreateFontToHandle(const char* face, int size, int thickness, int fontType, int charSet,
                           int edgeSize, int italic, int slot = -1, int check = -1);
int DeleteFontHandle(int32_t handle);
int IsValidFontHandle(int32_t handle);
int SetFontSpacingToHandle(int spacing, int32_t handle);
int QueryFontHandleState(char* face, int* size, int* thickness, int32_t handle);
int QueryFontHandleSize(int32_t handle);
int32_t QueryDefaultFontHandle();
// The int is set to 0 now and to 1 when the font is deleted.
int AttachFontDeletedFlag(int32_t handle, int* flag);

// Draws text with its top-left corner at (x, y); colours are 0x00RRGGBB. The result is the
// text's advance in pixels.
int DrawTextWithFont(int x, int y, const char* text, uint32_t color, int32_t font,
                     uint32_t edgeColor = 0, int vertical = 0);
int DrawTextDefault(int x, int y, const char* text, uint32_t color, uint32_t edgeColor = 0);
int DrawTextFormatted(int x, int y, uint32_t color, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
// The advance of the text without drawing it; size out (width, height) when not null.
int MeasureTextWithFont(const char* text, int length, int32_t font, int vertical, int* size);

// Sizes 1 to 256 (-1: 16); another size is refused with -1 and the default font kept.
int SetDefaultFontSize(int size);
int SetDefaultFontThickness(int thickness);
int SetDefaultFontType(int fontType);
int SetDefaultFontSizeAndThickness(int unused, int size, int thickness);

// 0 for a one-byte character at the position, 1 and 2 for the bytes of a two-byte one, -1
// past the end of the text.
int CheckCharBytePosition(const char* text, int position, int charSet);

}  // namespace orvik
