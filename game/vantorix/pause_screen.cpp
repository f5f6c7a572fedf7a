#include "pause_screen.h"

#include "assets.h"
#include "engine_port.h"
#include "frame.h"
#include "game_state.h"
#include "in_game_screen.h"
#include "input_map.h"
#include "menu_draw.h"
#include "menu_stack.h"
#include "stage_play.h"

namespace vantorix {
namespace {

enum PauseRow { kRowContinue = 1, kRowRestart, kRowReturn };
enum AnswerRow { kRowYes = 1, kRowNo };

constexpr MenuLayout kPauseLayout = {
    "PAUSE", 80, 210, 3, {"CONTINUE", "RESTART", "RETURN TO TITLE"}, 80, 300, 40, 268};
constexpr MenuLayout kRestartLayout = {"RESTART?", 80, 210, 2, {"YES", "NO"}, 80, 300, 40, 268};
constexpr MenuLayout kReturnLayout = {"RETURN TO TITLE?", 80, 210, 2, {"YES", "NO"}, 80, 300, 40, 268};

const MenuLayout& LayoutOf(int id) {
    if (id == kRestartQuestion) return kRestartLayout;
    if (id == kReturnQuestion) return kReturnLayout;
    return kPauseLayout;
}

// The music goes on from where the pause stopped it. Music the game had already stopped
// (no track current: between a stage clear and the next stage's own music) stays silent.
void Resume() {
    PlayState& p = Game().play;
    p.pause = 0;
    p.freeze = 0;
    if (Game().assets.bgmTrack != 0) Sound().PlaySoundHandle(Game().assets.bgmHandle, kPlayLoop, 0);
}

// A new game from stage 1, its music from the beginning.
void Restart() {
    ResetGame(kNewGame);
    StopBgm();
    PlayBgm(Game().play.stage);
}

void ReturnToTitle() {
    Game().gameState = kStateTitle;
    Game().play.exit = 1;
    StopBgm();
}

// True when the answer ends the pause.
bool Confirm(MenuStack& m) {
    int id = MenuId(m), row = MenuRow(m);
    if (id == kPauseMenu) {
        if (row == kRowContinue) {
            Resume();
            return true;
        }
        PushMenu(m, row == kRowRestart ? kRestartQuestion : kReturnQuestion);
        return false;
    }
    if (row != kRowYes) {
        PopMenu(m);
        return false;
    }
    if (id == kRestartQuestion) Restart();
    else ReturnToTitle();
    return true;
}

}  // namespace

void RunPause() {
    MenuStack& m = Game().play.menu;
    OpenMenu(m, kPauseMenu);
    LatchHeldActions();  // Z held as SPACE paused must not choose CONTINUE at once
    RunScreenFrames([&m] {
        const MenuLayout& layout = LayoutOf(MenuId(m));
        DrawInGameBackground();
        DrawMenu(layout, MenuRow(m), kInGameThickness);
        UpdateInput();
        MoveCursor(m, layout.rowCount);
        bool done = TakePress(kActSub) && Confirm(m);
        return EscapeEndsPlay() || done;
    });
}

}  // namespace vantorix
