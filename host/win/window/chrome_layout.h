// Where the parts of a window's menu bar, its drop-down lists and its toolbar lie, in
// pixels of the window's picture (the menu bar's top-left corner is (0, 0)), and which
// part a point falls on.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/win/window/menu.h"
#include "host/win/window/toolbar.h"

namespace host {

// The menu bar's height; the window's frame leaves the same room for it.
constexpr int kMenuBarHeight = 20;
constexpr int kMenuBarItemPadding = 8;       // left and right of a top-level item's text
constexpr int kMenuItemHeight = 20;          // an item of a drop-down list
constexpr int kMenuSeparatorHeight = 8;
constexpr int kMenuCheckColumn = 24;         // left of an item's text: the check mark
constexpr int kMenuArrowColumn = 20;         // right of it: the sub-menu arrow
constexpr int kToolbarButtonWidth = 23, kToolbarButtonHeight = 22, kToolbarSeparatorWidth = 8;
constexpr int kToolbarButtonsLeft = 4, kToolbarButtonsTop = 3;

struct ChromeRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool Contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

// One item of a menu as it is laid out. Its text is shown without the '&' that marks the
// access key ("&&" shows one '&'); the key is kept upper-case with the byte it underlines.
struct MenuItemBox {
    ChromeRect rect;
    uint32_t position = 0;
    uint32_t id = 0;
    HMENU sub = nullptr;
    bool separator = false, grayed = false, checked = false;
    std::string text;
    char accessKey = 0;
    int accessAt = -1;
    bool Selectable() const { return !separator && !grayed; }
};

// A drop-down list: its frame and its items.
struct MenuListBox {
    HMENU menu = nullptr;
    ChromeRect rect;
    std::vector<MenuItemBox> items;
};

// The top-level items of the menu along the bar, left to right.
std::vector<MenuItemBox> LayoutMenuBar(HMENU menu);
// The drop-down list of `menu` with its top-left corner at (x, y), moved left or up as
// far as needed (not past 0) to lie inside a window of width x height.
MenuListBox LayoutMenuList(HMENU menu, int x, int y, int width, int height);

struct ToolbarButtonBox {
    ChromeRect rect;
    int index = 0;
    TBBUTTON button;
};
// The toolbar's buttons (separators included) in a row whose top edge is at `top`.
std::vector<ToolbarButtonBox> LayoutToolbar(HWND toolbar, int top);

// The index of the box holding the point, or -1.
template <typename Box>
int BoxAt(const std::vector<Box>& boxes, int x, int y) {
    for (size_t i = 0; i < boxes.size(); ++i)
        if (boxes[i].rect.Contains(x, y)) return int(i);
    return -1;
}

}  // namespace host
