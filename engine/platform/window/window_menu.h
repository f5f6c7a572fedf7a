// The main window's optional menu bar: when it is shown (always in window mode; in full
// screen while the pointer is near the top), its item list, and the commands chosen from it.
#pragma once
#include <cstdint>

#include "engine/platform/window/window.h"
#include "host/win/system/types.h"

namespace orvik {

int ShouldShowMenu();
// Stores the hide request and attaches or detaches the menu when the answer of
// ShouldShowMenu changed; 0 (nothing happens without a menu).
int ApplyMenuVisibility(int hide);
// Called by the pump in full screen: the menu follows the pointer.
void AutoShowMenuInFullScreen();
// Attaches (or detaches) the menu bar to the main window when it is not so already.
void AttachMenuBar(bool attach);
// Detaches and destroys the menu bar and forgets its items (the window is going).
void RemoveMenuBar();

// Appends every item of `menu` that is not a separator to the item list, walking
// sub-menus depth first; 0, -1 for a menu that cannot be read.
int ListMenuItems(host::HMENU menu);
// The item at `position`: 0 with `out` filled, 1 for a separator, -1 on failure.
int GetMenuItemByPos(host::HMENU menu, int position, MenuListEntry* out);
// The text of the listed item with the id into `text` (kMenuTextBytes bytes); 0, or -1
// without a menu or when no item has the id.
int GetMenuItemTextById(uint32_t id, char* text);
// A command chosen from the menu (or its accelerators): the callback hears it and its id
// is recorded once.
void HandleMenuCommand(uint32_t id);

}  // namespace orvik
