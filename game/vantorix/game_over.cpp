#include "game_over.h"

#include <cstdio>

#include "assets.h"
#include "engine_port.h"
#include "frame.h"
#include "game_state.h"
#include "in_game_screen.h"
#include "input_map.h"
#include "menu_draw.h"
#include "menu_stack.h"
#include "ranking.h"
#include "stage_play.h"

namespace vantorix {
namespace {

enum GameOverRow { kRowContinue = 1, kRowReturn };

constexpr MenuLayout kGameOverLayout = {
    "GAMEOVER", 140, 100, 2, {"CONTINUE", "RETURN TO TITLE"}, 140, 160, 110, 128};
constexpr uint32_t kRankColor = 0xFF8080;

void DrawRankIn(int place) {
    char text[32];
    std::snprintf(text, sizeof text, "RANK IN NO.%d!!", place);
    Draw().SetFontSize(24);
    Draw().DrawText(140, 400, text, kRankColor);
}

void Confirm(int row) {
    if (row == kRowContinue) {
        ResetGame(kContinue);
        PlayBgm(Game().play.stage);
        return;
    }
    Game().gameState = kStateTitle;
    ShowRanking(0);  // its ESC still quits the game
    Game().play.exit = 1;
}

}  // namespace

void RunGameOver() {
    MenuStack& m = Game().play.menu;
    OpenMenu(m, 1);
    LatchHeldActions();  // Z or Down held from play chooses nothing here
    StopBgm();
    int place = InsertScore(Game().score.score);
    RunScreenFrames([&m, place] {
        DrawInGameBackground();
        DrawMenu(kGameOverLayout, MenuRow(m), kInGameThickness);
        if (place > 0) DrawRankIn(place);
        UpdateInput();
        MoveCursor(m, kGameOverLayout.rowCount);
        bool done = TakePress(kActSub);
        if (done) Confirm(MenuRow(m));
        return EscapeEndsPlay() || done;
    });
}

}  // namespace vantorix
