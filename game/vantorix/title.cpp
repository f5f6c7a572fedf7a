#include "title.h"

#include <orvik/platform.h>

#include "assets.h"
#include "engine_port.h"
#include "frame.h"
#include "game_files.h"
#include "game_state.h"
#include "input_map.h"
#include "key_config.h"
#include "menu_draw.h"
#include "menu_stack.h"
#include "ranking.h"

namespace vantorix {
namespace {

enum MainRow { kRowStart = 1, kRowConfig, kRowRanking, kRowExit };
enum ConfigRow { kRowBarrierType = 1, kRowBladeAuto, kRowKeySetting, kRowConfigExit };

constexpr MenuLayout kPushLayout = {nullptr, 0, 0, 1, {"PUSH Z BUTTON"}, 220, 350, -1, 0};
constexpr MenuLayout kMainLayout = {
    nullptr, 0, 0, 4, {"START", "CONFIG", "RANKING", "EXIT"}, 250, 320, 210, 284};
constexpr MenuLayout kConfigLayout = {
    "CONFIG", 250, 30, 4, {"BARRIER TYPE", "BLADE AUTO", "KEY SETTING", "EXIT"}, 80, 120, 40, 84};
constexpr int kValueX = 340;

const MenuLayout& LayoutOf(int id) {
    if (id == kMenuMain) return kMainLayout;
    if (id == kMenuConfig) return kConfigLayout;
    return kPushLayout;
}

void DrawOptionValues() {
    static const char* const kBarrierNames[] = {"SWITCH", "TRIGGER"};
    static const char* const kBladeNames[] = {"OFF", "HALF", "FULL"};
    const GameOptions& o = Game().options;
    int blade = o.bladeAuto >= kBladeAutoOff && o.bladeAuto <= kBladeAutoFull ? o.bladeAuto : 0;
    Draw().DrawText(kValueX, 120, kBarrierNames[o.barrierType == kBarrierTrigger], kTextWhite);
    Draw().DrawText(kValueX, 150, kBladeNames[blade], kTextWhite);
}

void DrawTitle(const MenuStack& m) {
    DrawSpriteAt(kTitleSprite, 0.0f, 0.0f);
    int id = MenuId(m);
    if (id == kMenuKeySetting) {
        RunKeySetting();
        return;
    }
    if (id == kMenuConfig) DrawBlackScreen();
    DrawMenu(LayoutOf(id), MenuRow(m), kTitleThickness);
    if (id == kMenuConfig) DrawOptionValues();
}

void Leave(int state) {
    Game().gameState = state;
    Game().titleExit = 1;
}

void ConfirmMain(MenuStack& m) {
    switch (MenuRow(m)) {
        case kRowStart: Leave(kStateWeaponSelect); break;
        case kRowConfig: PushMenu(m, kMenuConfig); break;
        case kRowRanking: ShowRanking(0); break;
        case kRowExit: Leave(kStateQuit); break;
        default: break;
    }
}

void ConfirmConfig(MenuStack& m) {
    if (MenuRow(m) == kRowKeySetting) PushMenu(m, kMenuKeySetting);
    if (MenuRow(m) != kRowConfigExit) return;
    SaveOptions();
    PopMenu(m);
}

void Confirm(MenuStack& m) {
    switch (MenuId(m)) {
        case kMenuPushZ: PushMenu(m, kMenuMain); break;
        case kMenuMain: ConfirmMain(m); break;
        case kMenuConfig: ConfirmConfig(m); break;
        default: break;
    }
}

// Left and right step the option on the cursor's row.
void ChangeOption(int row) {
    GameOptions& o = Game().options;
    bool left = TakePress(kActLeft), right = TakePress(kActRight);
    if (row == kRowBarrierType) {
        if (left != right) o.barrierType = o.barrierType == kBarrierSwitch ? kBarrierTrigger : kBarrierSwitch;
    } else if (row == kRowBladeAuto) {
        if (left) o.bladeAuto = (o.bladeAuto + 2) % 3;
        if (right) o.bladeAuto = (o.bladeAuto + 1) % 3;
    }
}

void HandleTitleInput(MenuStack& m) {
    int id = MenuId(m);
    MoveCursor(m, LayoutOf(id).rowCount);
    bool confirm = TakePress(kActSub), back = TakePress(kActBlade);
    if (id == kMenuConfig) ChangeOption(MenuRow(m));
    if (confirm) {
        Confirm(m);
    } else if (back && id != kMenuPushZ) {
        PopMenu(m);  // options changed in CONFIG stay in effect, unsaved
    }
}

bool TitleFrame() {
    MenuStack& m = Game().titleMenu;
    BeginFrame();
    DrawTitle(m);
    EndFrame();
    HandleTitleInput(m);
    if (EscapeQuits()) Game().titleExit = 1;
    // ESC on the ranking or key-setting screens has asked to quit as well.
    if (Game().gameState == kStateQuit) Game().titleExit = 1;
    return Game().titleExit == 0 && orvik::PumpMessages() == 0;
}

}  // namespace

void RunTitle() {
    Game().titleExit = 0;
    OpenMenu(Game().titleMenu, kMenuPushZ);
    Draw().SetFontType(kTitleFontType);
    LoadKeyConfig();
    LoadOptions();
    while (TitleFrame()) {
    }
}

}  // namespace vantorix
