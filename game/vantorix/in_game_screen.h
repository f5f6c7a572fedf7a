// What the screens opened from stage play (pause, game over, stage clear) share: their
// picture behind the menu, their text thickness, and ESC.
#pragma once

namespace vantorix {

constexpr int kInGameThickness = 4;

// A black field with the panel beside it.
void DrawInGameBackground();
// ESC held: the game state becomes quit and stage play ends after this frame. True when it did.
bool EscapeEndsPlay();

}  // namespace vantorix
