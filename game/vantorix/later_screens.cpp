#include "later_screens.h"

#include "engine_port.h"
#include "game_files.h"
#include "game_state.h"

namespace vantorix {

// Without a title and a weapon select the game reads the options and goes into play with
// the rapid shots and the defensive style, and comes back to it after a game.
void RunTitle() {
    LoadKeyConfig();
    LoadOptions();
    Game().gameState = kStateWeaponSelect;
}

void RunWeaponSelect() {
    Game().play.player.subType = 2;
    Game().play.player.style = 2;
    Game().gameState = kStateStage;
}

void RunEnding() { Game().gameState = kStateTitle; }

// Without a pause screen play resumes at once, with the music where it stopped.
void RunPause() {
    PlayState& p = Game().play;
    p.pause = 0;
    p.freeze = 0;
    Sound().PlaySoundHandle(Game().assets.bgmHandle, kPlayLoop, 0);
}

void RunGameOver() {
    Game().play.exit = 1;
    Game().gameState = kStateTitle;
}

void RunStageClear() {
    Game().play.exit = 1;
    Game().gameState = kStateTitle;
}

// Without the talk window a scene passes at once, its messages unread.
void BeginTalk() {
    PlayState& p = Game().play;
    p.portraitLeft = p.portraitRight = 0;
    p.freeze = 1;
}

void ShowTalk(const char*) {}

void EndTalk() {
    PlayState& p = Game().play;
    p.portraitLeft = p.portraitRight = 0;
    p.freeze = 0;
}

}  // namespace vantorix
