#include "menu_stack.h"

#include <orvik/log.h>

#include "input_map.h"

namespace vantorix {
namespace {

// A stack read from a reset or damaged record still names a level inside the arrays.
int Level(const MenuStack& stack) {
    return stack.level >= 1 && stack.level <= kMenuLevels ? stack.level : 1;
}

}  // namespace

void OpenMenu(MenuStack& stack, int id) {
    stack = {};
    stack.level = 1;
    stack.id[1] = id;
    stack.row[1] = 1;
    stack.rows[1] = 1;
}

int PushMenu(MenuStack& stack, int id) {
    int level = Level(stack);
    if (level == kMenuLevels) return orvik::AddLogFormat("menu %d: no room above level %d", id, level);
    stack.level = level + 1;
    stack.id[stack.level] = id;
    stack.row[stack.level] = 1;
    stack.rows[stack.level] = 1;
    return 0;
}

void PopMenu(MenuStack& stack) {
    int level = Level(stack);
    if (level > 1) stack.level = level - 1;
}

int MenuId(const MenuStack& stack) { return stack.id[Level(stack)]; }

int MenuRow(const MenuStack& stack) { return stack.row[Level(stack)]; }

void MoveCursor(MenuStack& stack, int rowCount) {
    int level = Level(stack);
    stack.rows[level] = rowCount;
    int32_t& row = stack.row[level];
    if (TakePress(kActDown)) row = row >= rowCount ? 1 : row + 1;
    if (TakePress(kActUp)) row = row <= 1 ? rowCount : row - 1;
}

}  // namespace vantorix
