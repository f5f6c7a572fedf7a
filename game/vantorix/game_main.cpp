#include "game_main.h"

#include <orvik/files.h>
#include <orvik/log.h>
#include <orvik/platform.h>

#include <ctime>

#include "assets.h"
#include "data_folder.h"
#include "ending.h"
#include "engine_port.h"
#include "frame.h"
#include "game_files.h"
#include "game_state.h"
#include "input_map.h"
#include "random.h"
#include "stage_play.h"
#include "title.h"
#include "weapon_select.h"

namespace vantorix {
namespace {

void MakeEngineSettings() {
    orvik::SetAppWindowTitle("VANTORIX");
    orvik::ChangeWindowMode(1);
    orvik::SetLogFileEnabled(0);
    orvik::SetArchiveAccess(1);
    orvik::SetArchiveExtension(kArchiveExtension);
    orvik::SetArchiveKeyString("tnqwplx");
    orvik::SetWindowIconResource(101);
    orvik::SetRunInBackground(1);
}

void RunScreen(int state) {
    switch (state) {
        case kStateStage: RunStage(); break;
        case kStateTitle: RunTitle(); break;
        case kStateWeaponSelect: RunWeaponSelect(); break;
        case kStateEnding: RunEnding(); break;
        default: break;
    }
}

}  // namespace

int StartGame(unsigned randomSeed) {
    MakeEngineSettings();
    if (orvik::InitLibrary() != 0) return -1;
    Draw().SetDrawFilterMode(0);
    Game().gameScreen = Draw().CreateDrawableGraph(kScreenWidth, kScreenHeight);
    Draw().SetTransparentColor(0, 255, 0);
    LoadAssets();
    Game().gameState = kStateTitle;
    InitInput();
    LoadRanking();
    SeedRandom(randomSeed);
    return 0;
}

void RunStateLoop() {
    while (Game().gameState != kStateQuit) {
        RunScreen(Game().gameState);
        if (orvik::PumpMessages() != 0) break;
    }
}

int GameMain() {
    if (StartGame(static_cast<unsigned>(std::time(nullptr))) != 0) return -1;
    RunStateLoop();
    orvik::EndLibrary();
    return 0;
}

}  // namespace vantorix
