#include "stage_play.h"

#include <orvik/platform.h>

#include <algorithm>
#include <cmath>

#include "angles.h"
#include "assets.h"
#include "collisions.h"
#include "effects.h"
#include "enemies.h"
#include "enemy_defeat.h"
#include "field_draw.h"
#include "frame.h"
#include "game_files.h"
#include "game_over.h"
#include "game_state.h"
#include "hud_draw.h"
#include "pause_screen.h"
#include "pools.h"
#include "stage_clear.h"
#include "stage_script.h"

namespace vantorix {
namespace {

constexpr int kFramesPerCycle = 3600;
constexpr int kScreenOpensAt = 60;
constexpr int kMaxEnergy = 200;

struct PhaseRow {
    int stage;
    int lengths[6];
};
constexpr PhaseRow kPhaseLengths[] = {
    {1, {1100, 1300, 800, 1100, 10, 0}},   {2, {1200, 1400, 1200, 1800, 10, 0}},
    {3, {1200, 1200, 1500, 2800, 10, 0}},  {4, {1100, 1340, 1000, 1600, 1500, 10}},
    {5, {2000, 900, 2100, 3100, 2000, 10}}, {6, {100, 10, 0, 0, 0, 0}},
};
constexpr int kLoopFirst[kStages + 1] = {0, 19, 12, 5, 10, 58, 1};
constexpr int kLoopLast[kStages + 1] = {0, 21, 14, 7, 12, 60, 5};

void FillStageTables() {
    PlayState& p = Game().play;
    std::fill(std::begin(p.phaseLength), std::end(p.phaseLength), 0);
    for (const PhaseRow& row : kPhaseLengths)
        for (int phase = 1; phase <= 6; ++phase) p.phaseLength[row.stage * 10 + phase] = row.lengths[phase - 1];
    std::copy(std::begin(kLoopFirst), std::end(kLoopFirst), p.loopFirst);
    std::copy(std::begin(kLoopLast), std::end(kLoopLast), p.loopLast);
}

void ResetRun() {
    ResetStageRun();
    Game().play.player.lives = 3.0f;
    ScoreState& s = Game().score;
    s.score = s.slashCount = s.extendCount = 0;
    s.extendThreshold = 1000000;
}

void MoveShotsAndBullets() {
    PlayState& p = Game().play;
    for (int i = 0; i <= p.top[kPoolShots]; ++i) {
        if (p.shots.active[i] != 1) continue;
        double a = DegreesToRadians(p.shots.moveAngle[i]);
        p.shots.x[i] += static_cast<float>(std::cos(a) * p.shots.speed[i]);
        p.shots.y[i] += static_cast<float>(std::sin(a) * p.shots.speed[i]);
        CullObject(kPoolShots, i);
    }
    EnemyBulletPool& b = p.bullets;
    for (int i = 0; i <= p.top[kPoolBullets]; ++i) {
        if (b.active[i] != 1) continue;
        if (b.kind[i] == 1) {
            double a = DegreesToRadians(b.moveAngle[i]);
            b.x[i] += static_cast<float>(std::cos(a) * b.speed[i]);
            b.y[i] += static_cast<float>(std::sin(a) * b.speed[i]);
            CullObject(kPoolBullets, i);
        } else if (b.kind[i] == 11 && ++b.life[i] >= 2) {
            RemoveObject(kPoolBullets, i);
        }
    }
}

void CountDownTimers() {
    PlayState& p = Game().play;
    PlayerState& pl = p.player;
    if (p.freeze == 0) {
        if (pl.shotCooldown > 0) pl.shotCooldown -= 1;
        if (pl.invulnerable > 0) pl.invulnerable -= 1;
    }
    if (pl.subCooldown > 0) pl.subCooldown -= 1;
}

// A screen that ended play (back to the title, or quit) leaves none to follow it on the
// same frame: the last life lost as the boss fell makes both screens due at once.
void OpenInGameScreens() {
    PlayState& p = Game().play;
    if (p.pause == 1) RunPause();
    if (p.exit == 0 && p.gameOverCounter == kScreenOpensAt) RunGameOver();
    if (p.exit == 0 && p.stageClearCounter == kScreenOpensAt) RunStageClear();
}

void DrawField() {
    DrawStageMap();
    DrawPlayerShots();
    DrawEnemies(1);
    DrawEffects(2);
    DrawEnemies(2);
    if (Game().play.player.visible == 1) DrawPlayer();
    DrawEffects(3);
    DrawEnemyBullets();
    DrawGauges();
    DrawHud();
}

void AdvanceCounters() {
    PlayState& p = Game().play;
    if (p.freeze != 0) return;
    p.frameCounter = (p.frameCounter + 1) % kFramesPerCycle;
    if (p.bossFlag == 1 && --p.bossTimer <= 0) EndBossOnTimeout();
    if (p.gameOverCounter >= 1) p.gameOverCounter += 1;
    if (p.stageClearCounter >= 1) p.stageClearCounter += 1;
}

}  // namespace

void ResetStageRun() {
    PlayState& p = Game().play;
    PlayerState& pl = p.player;
    pl.x = 224.0f;
    pl.y = 400.0f;
    pl.barrier = 0;
    pl.barrierEnergy = kMaxEnergy;
    pl.invulnerable = 0;
    pl.bladeTimer = 0.0f;
    pl.visible = 1;
    pl.subCooldown = 0;
    pl.subGauge = 0;
    pl.shotCooldown = 10;
    p.scroll = 0.0f;
    p.pause = p.freeze = p.gameOverCounter = p.bossFlag = p.stageClearCounter = p.scriptFlag = 0;
    p.afterBossTalkShown = 0;
    p.phase = 1;
    p.phaseFrame = 0;
}

void ResetGame(int mode) {
    if (mode != kNewGame && mode != kContinue) return;
    ResetRun();
    if (mode == kNewGame) {
        Game().play.stage = 1;
        LoadStageData(1);
    }
    ClearAllPools();
}

void UpdateBarrierEnergy() {
    PlayState& p = Game().play;
    PlayerState& pl = p.player;
    if (p.freeze != 0) return;
    if (pl.barrier == 1) {
        pl.barrierEnergy += pl.style - 3;
        if (pl.barrierEnergy <= 0) {
            SpawnEffectByType(kEffectBarrierDown, pl.x, pl.y);
            pl.barrier = 0;
            pl.barrierEnergy = 0;
        }
    } else if (pl.barrierEnergy < kMaxEnergy && p.frameCounter % 3 == 0) {
        pl.barrierEnergy += 1;
    }
}

void AdvancePhase() {
    PlayState& p = Game().play;
    int index = p.stage * 10 + p.phase;
    // A phase outside the table has no length: it lasts until the stage ends.
    if (index < 0 || index >= kPhaseTableSize || p.phaseLength[index] == 0) return;
    if (p.phaseFrame == p.phaseLength[index]) {
        p.phase += 1;
        p.phaseFrame = 0;
    }
}

void BeginStage() {
    ResetGame(kNewGame);
    PlayerState& pl = Game().play.player;
    pl.speedX = pl.speedY = 6.0f;
    pl.hitHalfWidth = pl.hitHalfHeight = 2.0f;
    FillStageTables();
    Game().play.exit = 0;
    LoadStageData(Game().play.stage);
    PlayBgm(Game().play.stage);
}

bool StageFrame() {
    PlayState& p = Game().play;
    BeginFrame();
    UpdateEnemies();
    UpdateBarrierEnergy();
    OpenInGameScreens();
    DrawField();
    RunStageScript();
    CountDownTimers();
    if (p.freeze == 0) MoveShotsAndBullets();
    CheckCollisions();
    EndFrame();
    if (p.pause == 0) ControlPlayer();
    if (Game().input.held[kActQuit]) {
        p.exit = 1;
        Game().gameState = kStateQuit;
    }
    AdvanceCounters();
    return p.exit == 0 && orvik::PumpMessages() == 0;
}

void RunStage() {
    BeginStage();
    while (StageFrame()) {
    }
}

}  // namespace vantorix
