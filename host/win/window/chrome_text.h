// Text of the menu bar and its drop-down lists: code page 932 text measured and drawn in
// the system's user-interface face (the Japanese gothic), 12 pixels high.
#pragma once
#include <cstdint>
#include <string_view>

namespace host {

// A 32-bit picture the window's menu bar and toolbar are drawn into: 0xAARRGGBB, rows of
// `width` pixels; alpha 0 is left for the picture below to show through.
struct ChromeCanvas {
    uint32_t* pixels = nullptr;
    int width = 0, height = 0;
};

// The text's advance in pixels.
int ChromeTextWidth(std::string_view text);
// Draws the text with its top-left corner at (x, y) in the colour (0xRRGGBB), each
// glyph's grey levels blended over what lies below, clipped to the canvas.
void DrawChromeText(ChromeCanvas& canvas, int x, int y, std::string_view text, uint32_t rgb);
// The height of a line of menu text.
constexpr int kChromeTextHeight = 12;

}  // namespace host
