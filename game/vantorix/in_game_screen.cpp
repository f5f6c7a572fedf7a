#include "in_game_screen.h"

#include "game_state.h"
#include "hud_draw.h"
#include "input_map.h"
#include "menu_draw.h"

namespace vantorix {

void DrawInGameBackground() {
    DrawBlackScreen();
    DrawHud();
}

// Play is ended too: the screen that opened this one would otherwise reopen on the next
// frame (the pause flag is still set) if ESC were let go in between.
bool EscapeEndsPlay() {
    if (!EscapeQuits()) return false;
    Game().play.exit = 1;
    return true;
}

}  // namespace vantorix
