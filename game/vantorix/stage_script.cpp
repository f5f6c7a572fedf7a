#include "stage_script.h"

#include "assets.h"
#include "dialogue.h"
#include "enemy_kinds.h"
#include "game_state.h"
#include "pools.h"
#include "stage_play.h"
#include "talk_scenes.h"
#include "wave_table.h"

namespace vantorix {
namespace {

constexpr float kScrollSteps[10] = {0.0f, 0.25f, 0.5f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 7.0f, 9.0f};
constexpr int kRowsPerBlock = 14;
constexpr float kBlockPixels = 448.0f;
constexpr int kRowPixels = 32;
constexpr int kRowsPerCode = 7;
constexpr int kTalkFrame = 10;
constexpr int kAfterBossTalkAt = 59;  // the stage-clear count, one frame before its screen
constexpr int kLastStageWithAfterTalk = 5;

// Wave phases run up to the talk phase; the boss phase follows it.
struct StagePlan {
    int talkPhase, bossPhase, bossType, bossFrame;
    float bossX, bossY;
};
constexpr StagePlan kPlans[kStages + 1] = {
    {},
    {5, 6, 101, 60, 192.0f, -128.0f}, {5, 6, 102, 60, 192.0f, -64.0f},
    {5, 6, 103, 30, 192.0f, -64.0f},  {6, 7, 104, 30, 192.0f, -64.0f},
    {6, 7, 105, 30, 192.0f, -64.0f},  {2, 3, 106, 30, 192.0f, -160.0f},
};

void SpawnWave(const Wave& wave) {
    for (int k = 0; k < wave.count; ++k)
        SpawnEnemyByType(wave.type, static_cast<float>(wave.x + k * wave.dx),
                         static_cast<float>(wave.y + k * wave.dy));
}

void SpawnDueWaves(bool gated) {
    const PlayState& p = Game().play;
    for (const Wave& wave : Waves())
        if (wave.stage == p.stage && wave.phase == p.phase && wave.frame == p.phaseFrame &&
            wave.gated == gated)
            SpawnWave(wave);
}

const WaveGate* GateOf(int stage, int phase) {
    for (const WaveGate& gate : WaveGates())
        if (gate.stage == stage && gate.phase == phase) return &gate;
    return nullptr;
}

// Gated waves come only once the field has been cleared within the gate's window.
void RunGate(const WaveGate& gate) {
    PlayState& p = Game().play;
    int f = p.phaseFrame;
    if (f >= gate.windowFirst && f <= gate.windowLast && p.count[kPoolEnemies] == 0) p.scriptFlag = 1;
    if (p.scriptFlag == 1) SpawnDueWaves(true);
    if (f == gate.closeFrame) p.scriptFlag = 0;
}

void RunWavePhase() {
    const PlayState& p = Game().play;
    SpawnDueWaves(false);
    if (const WaveGate* gate = GateOf(p.stage, p.phase)) RunGate(*gate);
    AdvancePhase();
}

void PlayScene(const TalkScene& scene) {
    PlayState& p = Game().play;
    if (scene.clearField) {
        WipePool(2);
        WipePool(3);
    }
    BeginTalk();
    for (size_t k = 0; k < scene.lines.size(); ++k) {
        p.portraitLeft = scene.lines[k].left;
        p.portraitRight = scene.lines[k].right;
        ShowTalk(scene.lines[k].text);
        if (static_cast<int>(k) + 1 == scene.soundAfterLine) PlaySe(scene.sound);
    }
    if (scene.track != 0) PlayBgm(scene.track);
    EndTalk();
}

void PlaySceneOf(int stage, bool afterBoss) {
    if (const TalkScene* scene = FindTalkScene(stage, afterBoss)) PlayScene(*scene);
}

// The count stands still over frozen frames, so a pause begun as the scene ends leaves it
// at 59 for the frames after the pause too: the scene plays once all the same.
void RunBossPhase(const StagePlan& plan) {
    PlayState& p = Game().play;
    if (p.phaseFrame == plan.bossFrame) SpawnEnemyByType(plan.bossType, plan.bossX, plan.bossY);
    if (p.stage <= kLastStageWithAfterTalk && p.stageClearCounter == kAfterBossTalkAt && p.afterBossTalkShown == 0) {
        p.afterBossTalkShown = 1;
        PlaySceneOf(p.stage, true);
    }
}

void RunPhase() {
    const PlayState& p = Game().play;
    if (p.stage < 1 || p.stage > kStages) return;
    const StagePlan& plan = kPlans[p.stage];
    if (p.phase < plan.talkPhase) {
        RunWavePhase();
    } else if (p.phase == plan.talkPhase) {
        if (p.phaseFrame == kTalkFrame) PlaySceneOf(p.stage, false);
        AdvancePhase();
    } else if (p.phase == plan.bossPhase) {
        RunBossPhase(plan);
    }
}

void Scroll() {
    PlayState& p = Game().play;
    int row = static_cast<int>(p.scroll) / kRowPixels;
    int index = row / kRowsPerCode;
    int code = index >= 0 && index < kSpeedCodes ? Game().stageMap.speedCode[index] : 0;
    p.scroll += ScrollStep(code);
    int block = (static_cast<int>(p.scroll) / kRowPixels) / kRowsPerBlock;
    if (p.stage >= 1 && p.stage <= kStages && block == p.loopLast[p.stage])
        p.scroll -= (p.loopLast[p.stage] - p.loopFirst[p.stage]) * kBlockPixels;
}

}  // namespace

float ScrollStep(int code) { return code >= 1 && code <= 9 ? kScrollSteps[code] : 0.0f; }

void RunStageScript() {
    PlayState& p = Game().play;
    RunPhase();
    if (p.freeze != 0) return;
    p.phaseFrame += 1;
    Scroll();
}

}  // namespace vantorix
