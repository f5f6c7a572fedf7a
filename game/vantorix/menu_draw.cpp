#include "menu_draw.h"

#include "assets.h"
#include "engine_port.h"
#include "frame.h"

namespace vantorix {

void DrawMenu(const MenuLayout& layout, int row, int thickness) {
    Draw().SetFontThickness(thickness);
    if (layout.heading) {
        Draw().SetFontSize(36);
        Draw().DrawText(layout.headingX, layout.headingY, layout.heading, kTextWhite);
    }
    Draw().SetFontSize(24);
    for (int r = 0; r < layout.rowCount && r < kMaxMenuRows; ++r)
        Draw().DrawText(layout.rowX, layout.firstRowY + kRowSpacing * r, layout.rows[r], kTextWhite);
    if (layout.cursorX >= 0)
        DrawSpriteAt(kCursorSprite, float(layout.cursorX), float(layout.cursorBaseY + kRowSpacing * row));
}

void DrawBlackScreen() { Draw().DrawFilledRect(0, 0, kScreenWidth, kScreenHeight, 0); }

}  // namespace vantorix
