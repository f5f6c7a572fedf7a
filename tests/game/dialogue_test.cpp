// Talk messages: splitting at ';' with overlong messages cut safely, and a message over
// the frozen field that only a fresh Z closes.
#include <tuple>

#include "game/vantorix/dialogue.h"
#include "game/vantorix/pools.h"
#include "screen_fixture.h"

namespace vantorix_test {
namespace {

using host::DIK_Z;
using vantorix::Game;

std::vector<std::string> Lines(const vantorix::TalkLines& lines) {
    return {lines.line[0], lines.line[1], lines.line[2], lines.line[3]};
}

TEST_F(GameFilesTest, TalkMessagesSplitAtSemicolonsAndOverlongOnesAreCut) {
    EXPECT_EQ(Lines(vantorix::SplitTalk("one")), (std::vector<std::string>{"one", "", "", ""}));
    EXPECT_EQ(Lines(vantorix::SplitTalk("a;;c;d;")), (std::vector<std::string>{"a", "", "c", "d"}));
    EXPECT_EQ(Log().find("cut"), std::string::npos);

    // Two-byte characters count two; one that would end past byte 49 is dropped whole.
    std::string kana = "\x82\xa0";  // one two-byte character
    std::string fits = std::string(47, 'x') + kana;
    std::string over = std::string(48, 'x') + kana + "y";
    vantorix::TalkLines lines = vantorix::SplitTalk((fits + ";" + over).c_str());
    EXPECT_EQ(std::string(lines.line[0]), fits);
    EXPECT_EQ(std::string(lines.line[1]), std::string(48, 'x') + "y");
    EXPECT_NE(Log().find("talk message longer than 4 lines of 49 bytes is cut"), std::string::npos);

    lines = vantorix::SplitTalk("1;2;3;4;5;6");
    EXPECT_EQ(Lines(lines), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(Lines(vantorix::SplitTalk(nullptr)), (std::vector<std::string>{"", "", "", ""}));
}

class TalkTest : public ScriptedPlay {
protected:
    bool DrewSprite(int n, int spriteId) const {
        for (const DrawCall& c : Shown(n).draws)
            if (c.handle == vantorix::SpriteHandle(spriteId)) return true;
        return false;
    }
};

TEST_F(TalkTest, MessageNeedsAFreshZAndTheFieldStandsStill) {
    vantorix::SpawnEnemy({1, 10, 100, 2012, 0, 21, 90, 0.0f, 0, 1, 100, 100, 32, 32, 8, 8, 16, 16, 1, 3, 4});
    vantorix::SpawnEnemy({1, 10, 100, 2001, 0, 21, 90, 0.0f, 0, 2, 200, 100, 32, 32, 8, 8, 16, 16, 0, 1, 1});
    Step();
    int counter = Play().enemies.animCounter[0];
    int cooldown = Player().shotCooldown;

    vantorix::BeginTalk();
    Play().portraitLeft = 101;
    HoldNow({DIK_Z});  // held on from play
    Script({{{DIK_Z}}, {}, {{DIK_Z}}});
    vantorix::ShowTalk("Hold on.;We are not done yet.");
    EXPECT_EQ(Frames(), 4);
    EXPECT_EQ(Player().shotCooldown, cooldown + 2);
    EXPECT_EQ(Play().enemies.animCounter[0], counter);

    std::vector<TextCall> texts = Shown(1).texts;
    ASSERT_EQ(texts.size(), 2u);  // empty lines draw nothing
    EXPECT_EQ(std::tie(texts[0].x, texts[0].y, texts[0].size, texts[0].thickness, texts[0].text),
              std::make_tuple(46, 374, 16, 4, std::string("Hold on.")));
    EXPECT_EQ(std::tie(texts[1].y, texts[1].text), std::make_tuple(394, std::string("We are not done yet.")));
    EXPECT_TRUE(Drew(1, 101, 48, 82));
    EXPECT_TRUE(Drew(1, 26, 32, 366));
    EXPECT_TRUE(DrewSprite(1, 2012));   // layer 1 stays on view
    EXPECT_FALSE(DrewSprite(1, 2001));  // layer 2 stays hidden behind the talk
    for (int portrait = 102; portrait <= 105; ++portrait) EXPECT_FALSE(DrewSprite(1, portrait));

    // The next message needs its own press, and the scene ends back in play.
    Play().portraitRight = 103;
    Script({{{DIK_Z}}});
    vantorix::ShowTalk("Go.");
    EXPECT_EQ(Frames(), 2);
    EXPECT_TRUE(Drew(1, 103, 240, 82));
    vantorix::EndTalk();
    EXPECT_EQ(std::tie(Play().freeze, Play().portraitLeft, Play().portraitRight), std::make_tuple(0, 0, 0));
    Step();
    EXPECT_NE(Play().enemies.animCounter[0], counter);
}

}  // namespace
}  // namespace vantorix_test
