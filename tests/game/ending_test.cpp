// The ending's timing: captions of 300 frames, a roll of 4800, the ranking until Z, and how
// Z, ESC and a closed window shorten them.
#include "game/vantorix/ending.h"
#include "game/vantorix/ending_text.h"
#include "screen_fixture.h"

namespace vantorix_test {
namespace {

using host::DIK_ESCAPE;
using host::DIK_Z;
using vantorix::Game;
using vantorix::kCaptionFrames;
using vantorix::kRollFrames;

constexpr int kAllCaptions = vantorix::kCaptionCount * kCaptionFrames;

class EndingTest : public ScriptedScreens {
protected:
    bool ShowsCaption(int n, int caption) const {
        const TextCall* t = FindText(n, vantorix::kEndingCaptions[size_t(caption)]);
        return t != nullptr;
    }
    // The y at which frame n drew the text, or 9999 when it was not drawn.
    int YOf(int n, const char* text) const {
        const TextCall* t = FindText(n, text);
        return t ? t->y : 9999;
    }
};

TEST_F(EndingTest, UntouchedCaptionsAndRollRunTheirFullLengthThenTheRankingWaitsForZ) {
    std::vector<Held> held(kAllCaptions + kRollFrames);
    held.push_back({{DIK_Z}});
    Script(held);
    Game().gameState = vantorix::kStateEnding;
    vantorix::RunEnding();

    EXPECT_EQ(Frames(), kAllCaptions + kRollFrames + 2);  // one ranking frame, the last copy
    EXPECT_EQ(Game().gameState, vantorix::kStateTitle);
    EXPECT_EQ(Game().input.latch[vantorix::kActSub], 1);  // the title does not see that Z

    // The caption and its shadow, 4 pixels right and down, in black.
    std::vector<TextCall> first = Shown(1).texts;
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(std::tie(first[0].x, first[0].y, first[0].color, first[0].size), std::make_tuple(104, 424, 0u, 16));
    EXPECT_EQ(std::tie(first[1].x, first[1].y, first[1].color), std::make_tuple(100, 420, 0xFFFFFFu));
    EXPECT_TRUE(ShowsCaption(kCaptionFrames, 0));
    EXPECT_TRUE(ShowsCaption(kCaptionFrames + 1, 1));
    EXPECT_TRUE(ShowsCaption(kAllCaptions, vantorix::kCaptionCount - 1));

    // Roll position r is frame kAllCaptions + 1 + r; lines show strictly inside -40 < y < 480.
    auto roll = [](int r) { return kAllCaptions + 1 + r; };
    EXPECT_EQ(YOf(roll(270), "VANTORIX"), 9999);
    EXPECT_EQ(YOf(roll(271), "VANTORIX"), 479);
    EXPECT_EQ(FindText(roll(271), "VANTORIX")->size, 24);
    const char* maker = vantorix::kCreditLines.back().text;
    EXPECT_EQ(YOf(roll(4329), maker), -39);
    EXPECT_EQ(YOf(roll(4330), maker), 9999);
    EXPECT_TRUE(Shown(roll(kRollFrames - 1)).texts.empty());
    EXPECT_NE(FindText(roll(kRollFrames), "SCORE RANKING"), nullptr);

    ASSERT_GE(sound_.loads.size(), 2u);
    EXPECT_EQ(sound_.loads[sound_.loads.size() - 2], "Data03/BGM09.mp3");
    EXPECT_EQ(sound_.loads.back(), "Data03/BGM10.mp3");
    EXPECT_EQ(Game().assets.bgmTrack, 0);
}

TEST_F(EndingTest, HeldZClosesOnlyTheFirstCaptionAndHeldEscapeShortensEverything) {
    HoldNow({DIK_Z});
    int zHeld = 1 + (vantorix::kCaptionCount - 1) * kCaptionFrames + kRollFrames;
    std::vector<Held> held(size_t(zHeld), Held{{DIK_Z}, {}});
    Script(held + std::vector<Held>{{}, {{DIK_Z}}});
    vantorix::RunEnding();
    EXPECT_TRUE(ShowsCaption(1, 0));
    EXPECT_TRUE(ShowsCaption(2, 1));
    EXPECT_TRUE(ShowsCaption(1 + kCaptionFrames, 1));
    EXPECT_TRUE(ShowsCaption(2 + kCaptionFrames, 2));
    // The ranking then needs Z let go and pressed again.
    EXPECT_EQ(Frames(), zHeld + 3);

    HoldNow({DIK_ESCAPE});
    Script(std::vector<Held>(100, Held{{DIK_ESCAPE}, {}}));
    vantorix::RunEnding();
    // One frame per caption and one of the roll; the ranking leaves at once; the last copy.
    EXPECT_EQ(Frames(), vantorix::kCaptionCount + 2);
    EXPECT_EQ(Game().gameState, vantorix::kStateTitle);
}

TEST_F(EndingTest, ClosingTheWindowEndsEveryRemainingPart) {
    onFrame = [](int n) {
        if (n == 5) host::RequestWindowClose();
    };
    Script({});
    vantorix::RunEnding();
    EXPECT_EQ(Frames(), 6);  // the last copy still goes out
}

}  // namespace
}  // namespace vantorix_test
