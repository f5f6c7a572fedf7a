// What the font layer needs from the graphic handles and the drawing functions: making
// and filling its cache graphic, sending cache pixels into it, drawing cells of it, and
// drawing a memory image onto the software screen. Tests put recorders in its place;
// while an entry is missing the fonts use the software cache and the text work image is
// not shown.
#pragma once
#include <cstdint>

namespace orvik {

struct BaseImage;
struct MEMIMG;

struct FontGraphPort {
    // An empty graphic with an alpha channel (alpha true) or a colour key, 16 bits deep;
    // the handle or -1. lostFlag becomes 1 when the graphic is deleted.
    int32_t (*createCacheGraph)(int width, int height, int alpha, int* lostFlag) = nullptr;
    int32_t (*deriveGraph)(int x, int y, int width, int height, int32_t source) = nullptr;
    int (*deleteGraph)(int32_t handle) = nullptr;
    // Sends a rectangle of the image into the graphic at the same place.
    int (*uploadRect)(int32_t graph, const BaseImage* image, int x, int y, int width, int height) = nullptr;
    // Draws a rectangle of the graphic tinted with rgb (0x00RRGGBB), upright or turned a
    // quarter clockwise; (x, y) is the top-left corner of the drawn box, which for a turned
    // rectangle is height wide and width tall. An upright rectangle is stretched by the
    // scales (1 draws it texel for texel).
    int (*drawCell)(int32_t graph, int srcX, int srcY, int width, int height, int x, int y,
                    uint32_t rgb, int turned, double scaleX, double scaleY) = nullptr;
    // Draws the box (x1, y1, x2, y2 exclusive) of a screen-sized memory image at the same
    // place on the software draw target, at full brightness.
    int (*drawMemImg)(MEMIMG* image, const int32_t* box) = nullptr;
};

FontGraphPort& FontPort();
// Back to the graphic handles and drawing functions.
void ResetFontPort();
FontGraphPort DrawingFontGraphPort();

}  // namespace orvik
