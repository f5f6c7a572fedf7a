#include "key_config.h"

#include <orvik/platform.h>

#include <algorithm>
#include <cstdio>

#include "assets.h"
#include "engine_port.h"
#include "frame.h"
#include "game_files.h"
#include "game_state.h"
#include "input_map.h"
#include "menu_draw.h"
#include "menu_stack.h"
#include "title.h"

namespace vantorix {
namespace {

constexpr int kExitRow = 5;
constexpr MenuLayout kKeyLayout = {
    "KEY SETTING", 200, 30, 5, {"SUB WEAPON", "MAIN WEAPON", "BARRIER", "PAUSE", "EXIT"}, 80, 120, 40, 84};
constexpr int kNumberX = 280;

void DrawKeySetting(const int32_t (&numbers)[4], int row) {
    DrawSpriteAt(kTitleSprite, 0.0f, 0.0f);
    DrawBlackScreen();
    DrawMenu(kKeyLayout, row, kTitleThickness);
    for (int a = 0; a < 4; ++a) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", numbers[a]);
        Draw().DrawText(kNumberX, kKeyLayout.firstRowY + kRowSpacing * a, text, kTextWhite);
    }
}

// True once the menu has gone back to CONFIG.
bool HandleKeyInput(MenuStack& m, int32_t (&numbers)[4]) {
    InputState& in = Game().input;
    MoveCursor(m, kKeyLayout.rowCount);
    int row = MenuRow(m);
    // A button still held after Z confirmed is not taken again.
    if (in.latch[kActSub] == 0 && row >= 1 && row < kExitRow) AssignPadButton(numbers, row - 1, in.padState);
    bool confirm = TakePress(kActSub), back = TakePress(kActBlade);
    if (row != kExitRow || !(confirm || back)) return false;
    if (confirm) {
        std::copy(std::begin(numbers), std::end(numbers), in.padButton);
        SaveKeyConfig();
    }
    PopMenu(m);
    return true;
}

}  // namespace

bool AssignPadButton(int32_t (&numbers)[4], int action, int32_t padState) {
    if (action < 0 || action >= 4) return false;
    for (int n = kLastPadButton; n >= kFirstPadButton; --n) {
        if ((padState & (int32_t(1) << (n - 1))) == 0) continue;
        for (int32_t& other : numbers)
            if (other == n) other = numbers[action];
        numbers[action] = n;
        return true;
    }
    return false;
}

void RunKeySetting() {
    MenuStack& m = Game().titleMenu;
    int32_t numbers[4];
    std::copy(std::begin(Game().input.padButton), std::end(Game().input.padButton), numbers);
    Draw().SetFontType(kTitleFontType);
    for (;;) {
        BeginFrame();
        DrawKeySetting(numbers, MenuRow(m));
        EndFrame();
        if (HandleKeyInput(m, numbers) || EscapeQuits() || orvik::PumpMessages() != 0) return;
    }
}

}  // namespace vantorix
