// The title screen and its menus: PUSH Z BUTTON, the main menu, CONFIG (barrier type and
// BLADE AUTO) and KEY SETTING.
#pragma once

namespace vantorix {

enum TitleMenuId { kMenuPushZ = 1, kMenuMain = 2, kMenuConfig = 21, kMenuKeySetting = 22 };
constexpr int kTitleSprite = 1;
// The title and key-setting texts are anti-aliased and drawn thick.
constexpr int kTitleFontType = 2;
constexpr int kTitleThickness = 6;

// The game state 2. Reads the options file on entry; returns with the game state 4 after
// START, 99 after EXIT or ESC, or when the message pump asks to quit.
void RunTitle();

}  // namespace vantorix
