// A small stroke font of our own for the words painted into the pictures (the title,
// HUD labels, digits): no system font is used, so the pictures do not change with the
// fonts installed on the machine.
#pragma once
#include <cairo.h>

namespace gamedata {

// Adds the strokes of text to the current path; (x, y) is the top-left corner of the
// first letter and capHeight the height of a capital. Letters the font lacks are blanks.
void TextPath(cairo_t* cr, const char* text, double x, double y, double capHeight);
double TextWidth(const char* text, double capHeight);

}  // namespace gamedata
