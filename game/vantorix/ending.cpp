#include "ending.h"

#include <orvik/platform.h>

#include "assets.h"
#include "engine_port.h"
#include "ending_text.h"
#include "frame.h"
#include "game_state.h"
#include "input_map.h"
#include "menu_draw.h"
#include "ranking.h"

namespace vantorix {
namespace {

constexpr int kEndingTrack = 9;
constexpr int kCreditsTrack = 10;
constexpr uint32_t kBlack = 0;

// A fresh Z or a held ESC ends a caption or the roll early.
bool SkipPressed() {
    bool z = TakePress(kActSub);
    return z || Game().input.held[kActQuit] != 0;
}

void DrawCaption(const char* text) {
    Draw().DrawFilledRect(0, 400, kScreenWidth, kScreenHeight, kBlack);
    Draw().SetFontThickness(4);
    Draw().SetFontSize(16);
    Draw().DrawText(104, 424, text, kBlack);  // the shadow
    Draw().DrawText(100, 420, text, kTextWhite);
}

void DrawCredits(int roll) {
    for (const CreditLine& line : kCreditLines) {
        int y = line.startY - roll;
        if (y <= -40 || y >= kScreenHeight) continue;
        Draw().SetFontThickness(4);
        Draw().SetFontSize(24);
        Draw().DrawText(100, y, line.text, kTextWhite);
    }
}

}  // namespace

void ShowCaption(const char* text) {
    int frames = 0;
    RunScreenFrames([text, &frames] {
        if (text) DrawCaption(text);
        bool timeUp = ++frames == kCaptionFrames;
        UpdateInput();
        return SkipPressed() || timeUp;
    });
}

void RunCredits() {
    PlayBgm(kCreditsTrack);
    int roll = 0;
    RunScreenFrames([&roll] {
        DrawCredits(roll);
        bool rolled = ++roll == kRollFrames;
        UpdateInput();
        return SkipPressed() || rolled;
    });
}

void RunEnding() {
    PlayBgm(kEndingTrack);
    if (orvik::PumpMessages() != 0) return;
    BeginFrame();
    for (const char* caption : kEndingCaptions) ShowCaption(caption);
    RunCredits();
    StopBgm();
    ShowRanking(0);
    // The Z that closed the ranking does not act on the title.
    Game().input.latch[kActSub] = 1;
    Game().gameState = kStateTitle;
    PresentFrame();
}

}  // namespace vantorix
