// The KEY SETTING menu: pad buttons assigned to the four actions by pressing them.
#pragma once
#include <cstdint>

namespace vantorix {

// Runs inside the title while KEY SETTING is on top, until it goes back to CONFIG (Z on
// EXIT keeps and saves the numbers, X on EXIT drops them), ESC (the game state becomes
// quit) or a quit request.
void RunKeySetting();

// The highest pad button number (5..20) held in the pad state goes to the action (0..3);
// an action that had that number takes the action's old one. False when none is held.
bool AssignPadButton(int32_t (&numbers)[4], int action, int32_t padState);

}  // namespace vantorix
