#include "stage_script.h"

#include "game_state.h"
#include "stage_play.h"

namespace vantorix {
namespace {

constexpr float kScrollSteps[10] = {0.0f, 0.25f, 0.5f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 7.0f, 9.0f};
// The phase in which each stage's boss appears; phases before it advance by length.
constexpr int kBossPhase[kStages + 1] = {0, 6, 6, 6, 7, 7, 3};
constexpr int kRowsPerBlock = 14;
constexpr float kBlockPixels = 448.0f;
constexpr int kRowPixels = 32;
constexpr int kRowsPerCode = 7;

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
    bool known = p.stage >= 1 && p.stage <= kStages;
    if (known && p.phase < kBossPhase[p.stage]) AdvancePhase();
    if (p.freeze != 0) return;
    p.phaseFrame += 1;
    Scroll();
}

}  // namespace vantorix
