// Menus for the window tests written as nested lists: a command (flags, id, text), a
// separator, or a sub-menu with its own items.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/win/window/menu.h"

namespace orvik_test {

struct MenuItemSpec {
    uint32_t flags = host::MF_STRING;  // MF_CHECKED or MF_GRAYED may be added
    uint32_t id = 0;
    std::string text;
    std::vector<MenuItemSpec> popup;  // a sub-menu when not empty
};

inline MenuItemSpec Command(uint32_t id, std::string text, uint32_t flags = host::MF_STRING) {
    return {flags, id, std::move(text), {}};
}
inline MenuItemSpec Separator() { return {host::MF_SEPARATOR, 0, {}, {}}; }
inline MenuItemSpec Popup(std::string text, std::vector<MenuItemSpec> items) {
    return {host::MF_POPUP, 0, std::move(text), std::move(items)};
}

// A new menu holding the items; every sub-menu is made and appended in turn, so the menu
// owns them all.
inline host::HMENU BuildMenu(const std::vector<MenuItemSpec>& items) {
    host::HMENU menu = host::CreateMenu();
    for (const MenuItemSpec& item : items) {
        if (!item.popup.empty())
            host::AppendMenuA(menu, item.flags, uintptr_t(BuildMenu(item.popup)), item.text.c_str());
        else
            host::AppendMenuA(menu, item.flags, item.id, item.flags == host::MF_SEPARATOR ? nullptr : item.text.c_str());
    }
    return menu;
}

}  // namespace orvik_test
