// The weapon select before play: the sub weapon (TYPE-A charged attack, TYPE-B rapid
// shots), then the style (OFFENSIVE, DEFENSIVE).
#pragma once

namespace vantorix {

enum WeaponMenuId { kMenuSubWeapon = 1, kMenuStyle = 2 };

// The game state 4; returns with the game state 1 and the choice in the player's record,
// 99 after ESC, or when the message pump asks to quit.
void RunWeaponSelect();

}  // namespace vantorix
