#include "stage_clear.h"

#include "assets.h"
#include "frame.h"
#include "game_files.h"
#include "game_state.h"
#include "in_game_screen.h"
#include "input_map.h"
#include "menu_draw.h"
#include "menu_stack.h"
#include "pools.h"
#include "ranking.h"
#include "stage_play.h"

namespace vantorix {
namespace {

constexpr MenuLayout kStageClearLayout = {"STAGE CLEAR", 120, 100, 0, {}, 0, 0, -1, 0};
// The last stage has its music started later by its own script.
constexpr int kLastStageWithMusic = 5;

// Lives, score, slash count and extends carry over into the next stage.
void GoOn() {
    ResetStageRun();
    ClearAllPools();
    PlayState& p = Game().play;
    if (p.stage >= 1 && p.stage < kStages) {
        p.stage += 1;
        LoadStageData(p.stage);
        if (p.stage <= kLastStageWithMusic) PlayBgm(p.stage);
        return;
    }
    InsertScore(Game().score.score);
    Game().gameState = kStateEnding;
    p.exit = 1;
}

}  // namespace

void RunStageClear() {
    OpenMenu(Game().play.menu, 1);
    LatchHeldActions();  // Z held from play does not move on at once
    StopBgm();
    RunScreenFrames([] {
        DrawInGameBackground();
        DrawMenu(kStageClearLayout, 1, kInGameThickness);
        UpdateInput();
        bool done = TakePress(kActSub);
        if (done) GoOn();
        return EscapeEndsPlay() || done;
    });
}

}  // namespace vantorix
