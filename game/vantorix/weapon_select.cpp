#include "weapon_select.h"

#include "frame.h"
#include "game_state.h"
#include "input_map.h"
#include "menu_draw.h"
#include "menu_stack.h"

namespace vantorix {
namespace {

constexpr MenuLayout kSubWeaponLayout = {
    "SUBWEAPON SELECT", 140, 100, 2, {"TYPE-A", "TYPE-B"}, 140, 160, 110, 128};
constexpr MenuLayout kStyleLayout = {
    "STYLE SELECT", 140, 100, 2, {"OFFENSIVE", "DEFENSIVE"}, 140, 160, 110, 128};
constexpr int kThickness = 4;

// True once both choices are made.
bool HandleWeaponInput(MenuStack& m) {
    bool style = MenuId(m) == kMenuStyle;
    MoveCursor(m, 2);
    bool confirm = TakePress(kActSub), back = TakePress(kActBlade);
    if (confirm && !style) {
        PushMenu(m, kMenuStyle);
    } else if (confirm) {
        PlayerState& pl = Game().play.player;
        pl.style = MenuRow(m);
        pl.subType = m.row[1];  // the sub weapon's menu keeps its row below the style's
        Game().gameState = kStateStage;
        return true;
    } else if (back && style) {
        PopMenu(m);
    }
    return false;
}

}  // namespace

void RunWeaponSelect() {
    MenuStack& m = Game().titleMenu;
    OpenMenu(m, kMenuSubWeapon);
    // The press that left the title does not also choose here.
    Game().input.latch[kActSub] = 1;
    RunScreenFrames([&m] {
        DrawBlackScreen();
        DrawMenu(MenuId(m) == kMenuStyle ? kStyleLayout : kSubWeaponLayout, MenuRow(m), kThickness);
        UpdateInput();
        bool chosen = HandleWeaponInput(m);
        return EscapeQuits() || chosen;
    });
}

}  // namespace vantorix
