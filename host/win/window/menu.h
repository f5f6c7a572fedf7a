// Menus: a list of items (a command with its text, a separator, or a sub-menu) that a
// window can carry as its menu bar.
#pragma once
#include <cstddef>

#include "host/win/system/types.h"

namespace host {

// AppendMenuA flags.
constexpr uint32_t MF_STRING = 0x0000, MF_GRAYED = 0x0001, MF_CHECKED = 0x0008, MF_POPUP = 0x0010,
                   MF_SEPARATOR = 0x0800;
// MENUITEMINFOA: what to read, the item types and the item states.
constexpr uint32_t MIIM_STATE = 0x0001, MIIM_ID = 0x0002, MIIM_SUBMENU = 0x0004, MIIM_STRING = 0x0040,
                   MIIM_FTYPE = 0x0100;
constexpr uint32_t MFT_STRING = 0x0000, MFT_SEPARATOR = 0x0800;
constexpr uint32_t MFS_GRAYED = 0x0003, MFS_CHECKED = 0x0008;

struct MENUITEMINFOA {
    uint32_t cbSize = sizeof(MENUITEMINFOA);
    uint32_t fMask = 0;
    uint32_t fType = 0;
    uint32_t fState = 0;
    uint32_t wID = 0;
    HMENU hSubMenu = nullptr;
    char* dwTypeData = nullptr;  // the text buffer
    uint32_t cch = 0;            // its size in; the text's length out
};

HMENU CreateMenu();
// With MF_POPUP `item` is the sub-menu, which the menu then owns (refused when the menu
// lies inside it); else the command id.
BOOL AppendMenuA(HMENU menu, uint32_t flags, uintptr_t item, const char* text);
// MF_CHECKED and MF_GRAYED set the new item's state.
// -1 for an unknown menu.
int GetMenuItemCount(HMENU menu);
// Reads what fMask asks of the item at `position` (byPosition must be 1). The text is
// cut to the buffer with its ending 0. 0 for an unknown menu or position.
BOOL GetMenuItemInfoA(HMENU menu, uint32_t position, BOOL byPosition, MENUITEMINFOA* info);
// Sets (MF_CHECKED) or clears the check mark of the item with the command id, searching
// sub-menus too; the previous state (MF_CHECKED or 0), or -1 when no item has the id.
int32_t CheckMenuItem(HMENU menu, uint32_t id, uint32_t check);
// Greys (MF_GRAYED) or enables the item with the command id likewise.
int32_t EnableMenuItem(HMENU menu, uint32_t id, uint32_t enable);
// Destroys the menu and its sub-menus; 0 for an unknown one.
BOOL DestroyMenu(HMENU menu);
// Menus made and not destroyed (tests).
size_t CountLiveMenus();

}  // namespace host
