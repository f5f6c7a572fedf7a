// Everything the game remembers, in one record with one reset, so a test starts from a
// freshly started program.
#pragma once
#include <cstdint>
#include <string>

namespace vantorix {

// Top-level states of the state loop.
enum GameStateValue : int32_t {
    kStateStage = 1, kStateTitle = 2, kStateWeaponSelect = 4, kStateEnding = 5, kStateQuit = 99,
};

enum InputAction : int {
    kActSub, kActBlade, kActBarrier, kActPause, kActQuit, kActUp, kActDown, kActLeft, kActRight,
    kActionCount,
};

struct InputState {
    int32_t held[kActionCount];
    int32_t latch[kActionCount];
    int32_t padButton[4];  // 1-based bit numbers in the pad word (5..20 name buttons 0..15)
    int32_t padState;
    int32_t lastKey;
};

enum PoolKind : int { kPoolShots, kPoolEnemies, kPoolBullets, kPoolEffects, kPoolCount };
constexpr int kShotCapacity = 100;
constexpr int kEnemyCapacity = 200;
constexpr int kBulletCapacity = 2000;
constexpr int kEffectCapacity = 500;

struct PlayerShotPool {
    int32_t active[kShotCapacity], damage[kShotCapacity], sprite[kShotCapacity];
    int32_t drawAngle[kShotCapacity], moveAngle[kShotCapacity];
    float speed[kShotCapacity], x[kShotCapacity], y[kShotCapacity];
    int32_t width[kShotCapacity], height[kShotCapacity];
    int32_t halfWidth[kShotCapacity], halfHeight[kShotCapacity];
    float hitHalfWidth[kShotCapacity], hitHalfHeight[kShotCapacity];
    float leaveHalfWidth[kShotCapacity], leaveHalfHeight[kShotCapacity];
};

struct EnemyPool {
    int32_t active[kEnemyCapacity], hitPoints[kEnemyCapacity], scoreValue[kEnemyCapacity];
    int32_t phaseTimer[kEnemyCapacity], type[kEnemyCapacity], sprite[kEnemyCapacity];
    int32_t explosion[kEnemyCapacity], deathSound[kEnemyCapacity];
    int32_t movePhase[kEnemyCapacity], direction[kEnemyCapacity], moveAngle[kEnemyCapacity];
    float speed[kEnemyCapacity];
    int32_t layer[kEnemyCapacity], hitFlag[kEnemyCapacity];
    float targetX[kEnemyCapacity], targetY[kEnemyCapacity];
    float homeX[kEnemyCapacity], homeY[kEnemyCapacity];
    float x[kEnemyCapacity], y[kEnemyCapacity];
    float glideX[kEnemyCapacity], glideY[kEnemyCapacity];
    int32_t width[kEnemyCapacity], height[kEnemyCapacity];
    int32_t halfWidth[kEnemyCapacity], halfHeight[kEnemyCapacity];
    float hitHalfWidth[kEnemyCapacity], hitHalfHeight[kEnemyCapacity];
    float leaveHalfWidth[kEnemyCapacity], leaveHalfHeight[kEnemyCapacity];
    int32_t drawStyle[kEnemyCapacity], animImages[kEnemyCapacity], animTicks[kEnemyCapacity];
    int32_t animCounter[kEnemyCapacity], bossFullHitPoints[kEnemyCapacity];
    int32_t bossState[kEnemyCapacity];
};

struct EnemyBulletPool {
    int32_t active[kBulletCapacity], life[kBulletCapacity], kind[kBulletCapacity];
    int32_t sprite[kBulletCapacity], moveAngle[kBulletCapacity], drawAngle[kBulletCapacity];
    float speed[kBulletCapacity], x[kBulletCapacity], y[kBulletCapacity];
    int32_t width[kBulletCapacity], height[kBulletCapacity];
    int32_t halfWidth[kBulletCapacity], halfHeight[kBulletCapacity];
    float hitHalfWidth[kBulletCapacity], hitHalfHeight[kBulletCapacity];
    float leaveHalfWidth[kBulletCapacity], leaveHalfHeight[kBulletCapacity];
    int32_t drawStyle[kBulletCapacity], animImages[kBulletCapacity], animTicks[kBulletCapacity];
    int32_t animCounter[kBulletCapacity];
};

struct EffectPool {
    int32_t active[kEffectCapacity], sprite[kEffectCapacity];
    int32_t moveAngle[kEffectCapacity], drawAngle[kEffectCapacity];
    float speed[kEffectCapacity];
    int32_t layer[kEffectCapacity], blendParam[kEffectCapacity], blendMode[kEffectCapacity];
    float x[kEffectCapacity], y[kEffectCapacity];
    int32_t width[kEffectCapacity], height[kEffectCapacity];
    float scale[kEffectCapacity];
    int32_t halfWidth[kEffectCapacity], halfHeight[kEffectCapacity];
    float leaveHalfWidth[kEffectCapacity], leaveHalfHeight[kEffectCapacity];
    int32_t kind[kEffectCapacity], animImages[kEffectCapacity], animTicks[kEffectCapacity];
    int32_t animCounter[kEffectCapacity];
};

struct PlayerState {
    float lives, bladeTimer;
    int32_t subCooldown, subGauge, subType, style;
    float x, y, speedX, speedY, hitHalfWidth, hitHalfHeight;
    float bladeX[3], bladeY[3];
    int32_t barrier, barrierEnergy, shotCooldown, invulnerable, visible;
};

// A stack of menus, one per level from 1; each level keeps its menu id, its cursor row
// (from 1) and its row count, so that leaving a menu returns to the row the one below had.
constexpr int kMenuLevels = 4;
struct MenuStack {
    int32_t level;
    int32_t id[kMenuLevels + 1];
    int32_t row[kMenuLevels + 1];
    int32_t rows[kMenuLevels + 1];
};

constexpr int kPhaseTableSize = 70;
constexpr int kStages = 6;

struct PlayState {
    int32_t exit, frameCounter;
    float scroll;
    int32_t stage, phase, phaseFrame;
    int32_t phaseLength[kPhaseTableSize];
    int32_t loopFirst[kStages + 1], loopLast[kStages + 1];
    int32_t gameOverCounter, stageClearCounter;
    int32_t bossFlag, bossTimer, bossSlot, scriptFlag;
    int32_t afterBossTalkShown;  // the scene after the boss has played in this stage run
    int32_t count[kPoolCount], top[kPoolCount];
    int32_t pause, freeze, portraitLeft, portraitRight;
    MenuStack menu;  // the pause, game-over and stage-clear screens
    PlayerState player;
    PlayerShotPool shots;
    EnemyPool enemies;
    EnemyBulletPool bullets;
    EffectPool effects;
};

struct ScoreState {
    int32_t score, slashCount;
    int64_t extendThreshold;  // grows past 32 bits long after the score has stopped at its cap
    int32_t extendCount;
};

enum BarrierType : int32_t { kBarrierSwitch = 0, kBarrierTrigger = 1 };
enum BladeAuto : int32_t { kBladeAutoOff = 0, kBladeAutoHalf = 1, kBladeAutoFull = 2 };

struct GameOptions {
    int32_t barrierType, bladeAuto;
};

constexpr int kRankingPlaces = 10;
constexpr int kSpeedCodes = 200;
constexpr int kMapColumns = 12;
constexpr int kMapRows = 1400;

struct StageMap {
    int32_t speedCode[kSpeedCodes];
    int32_t tile[kMapColumns][kMapRows];
};

constexpr int kSpriteIds = 5100;
constexpr int kSoundEffectSlots = 100;

struct AssetTables {
    int32_t sprite[kSpriteIds];
    int32_t soundEffect[kSoundEffectSlots];
    int32_t bgmHandle, bgmTrack;
};

struct GameGlobals {
    int32_t gameState;
    int32_t gameScreen;
    MenuStack titleMenu;  // the title's menus, and the weapon select after it
    int32_t titleExit;
    InputState input;
    PlayState play;
    ScoreState score;
    GameOptions options;
    int32_t ranking[kRankingPlaces];
    StageMap stageMap;
    AssetTables assets;
    uint32_t randomSeed;
    std::string fileDirectory;  // where the stage, options and ranking files lie ("" = here)
};

GameGlobals& Game();
// Back to the state of a program that has just started: everything zero, no handles.
void ResetGameGlobals();

}  // namespace vantorix
