// Menus as text in the default font: an optional heading in size 36, rows in size 24 one
// under the other 30 pixels apart, and the cursor sprite left of the chosen row.
#pragma once
#include <cstdint>

namespace vantorix {

constexpr int kMaxMenuRows = 5;
constexpr int kCursorSprite = 27;
constexpr uint32_t kTextWhite = 0xFFFFFF;

struct MenuLayout {
    const char* heading;  // null for none
    int headingX, headingY;
    int rowCount;
    const char* rows[kMaxMenuRows];
    int rowX, firstRowY;
    int cursorX;      // -1 for no cursor
    int cursorBaseY;  // the cursor of row n stands at cursorBaseY + 30n
};

constexpr int kRowSpacing = 30;

// The heading, the rows and the cursor on the row, in the font thickness given.
void DrawMenu(const MenuLayout& layout, int row, int thickness);
// A filled black rectangle over the whole picture.
void DrawBlackScreen();

}  // namespace vantorix
