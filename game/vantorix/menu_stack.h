// Menus stacked by level: opening, entering and leaving a menu, and the cursor moved by
// fresh presses of up and down.
#pragma once
#include "game_state.h"

namespace vantorix {

// The stack holds just this menu, at level 1 with the cursor on row 1.
void OpenMenu(MenuStack& stack, int id);
// Enters a menu one level up, cursor on row 1; -1 (logged) when the stack is full.
int PushMenu(MenuStack& stack, int id);
// Back to the menu below, on the row it had; nothing at level 1.
void PopMenu(MenuStack& stack);
int MenuId(const MenuStack& stack);
int MenuRow(const MenuStack& stack);
// Sets the row count of the menu on top, then moves its cursor: a fresh press of down goes
// one row down (from the last row to row 1), of up one row up (from row 1 to the last).
void MoveCursor(MenuStack& stack, int rowCount);

}  // namespace vantorix
