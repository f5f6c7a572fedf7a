#include "host/win/window/chrome_layout.h"

#include <algorithm>
#include <cctype>

#include "host/win/window/chrome_text.h"

namespace host {

namespace {

// Takes the '&' marks out of the text; the first one before a letter or digit names the
// item's access key. A lead byte of a two-byte character is copied with its second byte.
void SetText(MenuItemBox& item, const char* text) {
    for (size_t i = 0; text[i]; ++i) {
        auto c = uint8_t(text[i]);
        if (c == '&' && text[i + 1]) {
            c = uint8_t(text[++i]);
            if (c != '&' && item.accessAt < 0 && c < 0x80 && std::isalnum(c)) {
                item.accessKey = char(std::toupper(c));
                item.accessAt = int(item.text.size());
            }
        }
        item.text += char(c);
        if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && text[i + 1]) item.text += text[++i];
    }
}

std::vector<MenuItemBox> ReadItems(HMENU menu) {
    std::vector<MenuItemBox> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        MENUITEMINFOA info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        if (!GetMenuItemInfoA(menu, uint32_t(i), 1, &info)) continue;
        MenuItemBox item;
        item.position = uint32_t(i);
        item.id = info.wID;
        item.sub = info.hSubMenu;
        item.separator = info.fType & MFT_SEPARATOR;
        item.grayed = (info.fState & MFS_GRAYED) != 0;
        item.checked = (info.fState & MFS_CHECKED) != 0;
        SetText(item, text);
        items.push_back(std::move(item));
    }
    return items;
}

}  // namespace

std::vector<MenuItemBox> LayoutMenuBar(HMENU menu) {
    std::vector<MenuItemBox> items = ReadItems(menu);
    int x = 0;
    for (MenuItemBox& item : items) {
        const int w = item.separator ? kMenuBarItemPadding : ChromeTextWidth(item.text) + 2 * kMenuBarItemPadding;
        item.rect = ChromeRect{x, 0, w, kMenuBarHeight};
        x += w;
    }
    return items;
}

MenuListBox LayoutMenuList(HMENU menu, int x, int y, int width, int height) {
    MenuListBox list;
    list.menu = menu;
    list.items = ReadItems(menu);
    int textWidth = 0, listHeight = 2;
    for (const MenuItemBox& item : list.items) {
        if (!item.separator) textWidth = std::max(textWidth, ChromeTextWidth(item.text));
        listHeight += item.separator ? kMenuSeparatorHeight : kMenuItemHeight;
    }
    const int listWidth = kMenuCheckColumn + textWidth + kMenuArrowColumn + 2;
    x = std::max(0, std::min(x, width - listWidth));
    y = std::max(0, std::min(y, height - listHeight));
    list.rect = ChromeRect{x, y, listWidth, listHeight};
    int top = y + 1;
    for (MenuItemBox& item : list.items) {
        const int h = item.separator ? kMenuSeparatorHeight : kMenuItemHeight;
        item.rect = ChromeRect{x + 1, top, listWidth - 2, h};
        top += h;
    }
    return list;
}

std::vector<ToolbarButtonBox> LayoutToolbar(HWND toolbar, int top) {
    std::vector<ToolbarButtonBox> boxes;
    int x = kToolbarButtonsLeft;
    int index = 0;
    for (const TBBUTTON& b : GetToolbarButtons(toolbar)) {
        const int w = (b.fsStyle & BTNS_SEP) ? kToolbarSeparatorWidth : kToolbarButtonWidth;
        boxes.push_back(ToolbarButtonBox{ChromeRect{x, top + kToolbarButtonsTop, w, kToolbarButtonHeight}, index++, b});
        x += w;
    }
    return boxes;
}

}  // namespace host
