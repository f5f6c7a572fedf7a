// Menus: a list of items (a command with its text, a separator, or a sub-menu) that a
// window can carry as its menu bar.
#pragma once
#include <cstddef>

#include "host/win/types.h"

namespace host {

// AppendMenuA flags.
constexpr uint32_t MF_STRING = 0x0000, MF_POPUP = 0x0010, MF_SEPARATOR = 0x0800;
// MENUITEMINFOA: what to read, and the item types.
constexpr uint32_t MIIM_ID = 0x0002, MIIM_SUBMENU = 0x0004, MIIM_STRING = 0x0040, MIIM_FTYPE = 0x0100;
constexpr uint32_t MFT_STRING = 0x0000, MFT_SEPARATOR = 0x0800;

struct MENUITEMINFOA {
    uint32_t cbSize = sizeof(MENUITEMINFOA);
    uint32_t fMask = 0;
    uint32_t fType = 0;
    uint32_t wID = 0;
    HMENU hSubMenu = nullptr;
    char* dwTypeData = nullptr;  // the text buffer
    uint32_t cch = 0;            // its size in; the text's length out
};

HMENU CreateMenu();
// With MF_POPUP `item` is the sub-menu, which the menu then owns (refused when the menu
// lies inside it); else the command id.
BOOL AppendMenuA(HMENU menu, uint32_t flags, uintptr_t item, const char* text);
// -1 for an unknown menu.
int GetMenuItemCount(HMENU menu);
// Reads what fMask asks of the item at `position` (byPosition must be 1). The text is
// cut to the buffer with its ending 0. 0 for an unknown menu or position.
BOOL GetMenuItemInfoA(HMENU menu, uint32_t position, BOOL byPosition, MENUITEMINFOA* info);
// Destroys the menu and its sub-menus; 0 for an unknown one.
BOOL DestroyMenu(HMENU menu);
// Menus made and not destroyed (tests).
size_t CountLiveMenus();

}  // namespace host
