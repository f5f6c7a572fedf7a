// What a layered window looks like on a desktop that cuts windows to a shape: the shape is
// every pixel the desktop would blend with any weight, the rest are holes that show what
// lies below and let clicks through. Shared by the backends so both show the same window.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

namespace host {

// One horizontal run of shown pixels: row y, columns [x, x + width).
struct ShapeRun {
    int x = 0, y = 0, width = 0;
    bool operator==(const ShapeRun&) const = default;
};

// The alpha the desktop blends a premultiplied 0xAARRGGBB pixel with once the window's
// constant opacity (0 to 255) is applied, rounded to nearest.
uint8_t ShownAlpha(uint32_t pixel, uint8_t opacity);

// The shape of a width x height picture (tightly packed rows) as runs, row by row and left
// to right; a pixel is in it unless its shown alpha is 0. Empty when nothing is shown.
std::vector<ShapeRun> LayeredShape(std::span<const uint32_t> pixels, int width, int height, uint8_t opacity);

// The colour a pixel shows where the desktop does not blend (no compositing manager): the
// premultiplied colour is the pixel over black, scaled by the opacity. 0x00RRGGBB.
uint32_t ShownOverBlack(uint32_t pixel, uint8_t opacity);

}  // namespace host
