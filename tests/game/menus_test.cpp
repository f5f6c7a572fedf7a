// The title's menus under scripted keys: fresh presses, wrapping, going back, the options
// and pad buttons kept, saved and read again, and the weapon select's choice.
#include <algorithm>
#include <tuple>

#include "game/vantorix/key_config.h"
#include "game/vantorix/menu_stack.h"
#include "game/vantorix/title.h"
#include "game/vantorix/weapon_select.h"
#include "screen_fixture.h"

namespace vantorix_test {
namespace {

using host::DIK_DOWN;
using host::DIK_ESCAPE;
using host::DIK_LEFT;
using host::DIK_RIGHT;
using host::DIK_UP;
using host::DIK_X;
using host::DIK_Z;
using vantorix::Game;

class MenuTest : public ScriptedScreens {
protected:
    // The title's menu as each frame showed it.
    std::vector<MenuAt> RunTitleRecording(std::vector<Held> held) {
        std::vector<MenuAt> seen;
        onFrame = [&seen](int) {
            const vantorix::MenuStack& m = Game().titleMenu;
            seen.push_back({vantorix::MenuId(m), vantorix::MenuRow(m)});
        };
        Script(std::move(held));
        vantorix::RunTitle();
        onFrame = nullptr;
        return seen;
    }
    Bytes ConfigFile(int32_t keyFlag, int32_t optionsFlag) {
        Bytes bytes(102, 0x55);
        PutInt(bytes, 4, keyFlag);
        for (int a = 0; a < 4; ++a) PutInt(bytes, 14 + 4 * a, 9 + a);
        PutInt(bytes, 90, optionsFlag);
        PutInt(bytes, 94, 0);
        PutInt(bytes, 98, 0);
        return bytes;
    }
};

TEST_F(MenuTest, TitleMovesOnFreshPressesWrapsAndGoesBack) {
    std::vector<MenuAt> seen = RunTitleRecording({
        {{DIK_X}}, {{DIK_Z}}, {}, {{DIK_UP}}, {{DIK_UP}}, {{DIK_DOWN}}, {}, {{DIK_DOWN}}, {{DIK_X}}, {{DIK_ESCAPE}},
    });
    // X on PUSH Z BUTTON does nothing; Z opens the main menu on START; up from START wraps
    // to EXIT and holding it moves no further; down wraps back; X returns to PUSH Z BUTTON.
    std::vector<MenuAt> expected = {{1, 1}, {1, 1}, {2, 1}, {2, 1}, {2, 4}, {2, 4}, {2, 1}, {2, 1}, {2, 2}, {1, 1}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(Game().gameState, vantorix::kStateQuit);
    EXPECT_EQ(Frames(), 10);

    EXPECT_TRUE(ShowsText(1, "PUSH Z BUTTON", 220, 350, 24, 6));
    EXPECT_EQ(FindText(1, "PUSH Z BUTTON")->fontType, 2);  // anti-aliased
    EXPECT_TRUE(Drew(1, vantorix::kTitleSprite, 0, 0));
    EXPECT_FALSE(Drew(1, 27, 210, 314));  // no cursor on PUSH Z BUTTON
    EXPECT_TRUE(ShowsText(3, "EXIT", 250, 410, 24, 6));
    EXPECT_TRUE(Drew(3, 27, 210, 314));
    EXPECT_TRUE(Drew(5, 27, 210, 404));
}

TEST_F(MenuTest, ConfigChangesApplyAtOnceButOnlyExitSavesThem) {
    Write("save_data.dat", ConfigFile(1, 0));
    Bytes before = Read("save_data.dat");
    // Into CONFIG, TRIGGER, back with X: in effect but unsaved.
    std::vector<Held> script = Taps({DIK_Z, DIK_DOWN, DIK_Z, DIK_RIGHT, DIK_X});
    int leftWithX = int(script.size());
    // CONFIG again (the main menu kept its row), BLADE AUTO left twice: FULL, then HALF;
    // then down to EXIT and Z.
    script = script + Taps({DIK_Z, DIK_DOWN, DIK_LEFT, DIK_LEFT, DIK_DOWN, DIK_DOWN, DIK_Z, DIK_ESCAPE});
    Bytes atX;
    onFrame = [&](int n) {
        if (n == leftWithX + 1) atX = Read("save_data.dat");
    };
    Script(script);
    vantorix::RunTitle();

    EXPECT_EQ(atX, before);
    Bytes after = Read("save_data.dat");
    ASSERT_EQ(after.size(), 102u);
    EXPECT_EQ(GetInt(after, 90), 1);
    EXPECT_EQ(GetInt(after, 94), vantorix::kBarrierTrigger);
    EXPECT_EQ(GetInt(after, 98), vantorix::kBladeAutoHalf);
    for (size_t i = 0; i < 90; ++i) EXPECT_EQ(after[i], before[i]) << i;  // keys and the rest untouched
    // The keys saved earlier were read on entry.
    EXPECT_EQ(Game().input.padButton[3], 12);

    bool trigger = false, half = false;
    for (int n = 1; n <= Frames(); ++n) {
        const TextCall* value = FindText(n, "TRIGGER");
        trigger |= value && value->x == 340 && value->y == 120;
        value = FindText(n, "HALF");
        half |= value && value->x == 340 && value->y == 150;
    }
    EXPECT_TRUE(trigger);
    EXPECT_TRUE(half);

    // A new visit to the title reads the file again.
    Game().options = {};
    Script({{{DIK_ESCAPE}}});
    vantorix::RunTitle();
    EXPECT_EQ(Game().options.barrierType, vantorix::kBarrierTrigger);
    EXPECT_EQ(Game().options.bladeAuto, vantorix::kBladeAutoHalf);
}

TEST_F(MenuTest, KeySettingTakesTheHighestButtonSwapsAndKeepsOnlyOnZ) {
    Write("save_data.dat", ConfigFile(0, 0));  // no saved keys: 5, 6, 7, 8
    std::vector<Held> toKeySetting = Taps({DIK_Z, DIK_DOWN, DIK_Z, DIK_DOWN, DIK_DOWN, DIK_Z});
    // SUB WEAPON takes button number 6 (pad button 1), so MAIN WEAPON takes its 5; BARRIER,
    // with numbers 9 and 12 held together, takes 12.
    std::vector<Held> assign = std::vector<Held>{{{}, {1}}, {}} + Taps({DIK_DOWN, DIK_DOWN}) +
                               std::vector<Held>{{{}, {4, 7}}, {}} + Taps({DIK_DOWN, DIK_DOWN});
    std::vector<int32_t> shownBarrier;
    onFrame = [&](int n) {
        const TextCall* t = nullptr;
        for (const TextCall& text : Shown(n).texts)
            if (text.x == 280 && text.y == 180) t = &text;
        if (t) shownBarrier.push_back(std::stoi(t->text));
    };
    Script(toKeySetting + assign + Taps({DIK_X}) + Taps({DIK_Z}) + assign + Taps({DIK_Z, DIK_ESCAPE}));
    vantorix::RunTitle();

    EXPECT_EQ(std::vector<int32_t>(Game().input.padButton, Game().input.padButton + 4),
              (std::vector<int32_t>{6, 5, 12, 8}));
    Bytes saved = Read("save_data.dat");
    EXPECT_EQ(GetInt(saved, 4), 1);
    EXPECT_EQ(GetInt(saved, 14), 6);
    EXPECT_EQ(GetInt(saved, 18), 5);
    EXPECT_EQ(GetInt(saved, 22), 12);
    EXPECT_EQ(GetInt(saved, 26), 8);
    EXPECT_EQ(GetInt(saved, 90), 0);  // the options half is left alone
    // The BARRIER row showed 7, then 12; after X it showed 7 again on the next visit.
    ASSERT_FALSE(shownBarrier.empty());
    EXPECT_EQ(shownBarrier.front(), 7);
    auto firstTwelve = std::find(shownBarrier.begin(), shownBarrier.end(), 12);
    ASSERT_NE(firstTwelve, shownBarrier.end());
    auto backToSeven = std::find(firstTwelve, shownBarrier.end(), 7);
    EXPECT_NE(backToSeven, shownBarrier.end());
}

TEST_F(MenuTest, EscapeOnTheKeySettingOrRankingScreenEndsTheTitleToo) {
    // ESC held for one frame only: the title, which reads the keys after it, sees it let go.
    Script(Taps({DIK_Z, DIK_DOWN, DIK_Z, DIK_DOWN, DIK_DOWN, DIK_Z}) + std::vector<Held>{{{DIK_ESCAPE}}});
    vantorix::RunTitle();
    EXPECT_EQ(Game().gameState, vantorix::kStateQuit);
    EXPECT_EQ(Frames(), 14);  // 12 on the title, 1 of KEY SETTING, 1 more of the title

    Game().gameState = vantorix::kStateTitle;
    Script(Taps({DIK_Z, DIK_DOWN, DIK_DOWN}) + std::vector<Held>{{{DIK_Z}}, {{DIK_ESCAPE}}});
    vantorix::RunTitle();
    EXPECT_EQ(Game().gameState, vantorix::kStateQuit);
    EXPECT_NE(FindText(Frames(), "SCORE RANKING"), nullptr);
}

TEST(KeyAssignment, HighestHeldNumberWinsAndSwapsWithItsHolder) {
    int32_t numbers[4] = {5, 6, 7, 8};
    EXPECT_FALSE(vantorix::AssignPadButton(numbers, 0, 0xF));  // directions only
    EXPECT_TRUE(vantorix::AssignPadButton(numbers, 0, 1 << 5));  // number 6
    EXPECT_EQ(std::vector<int32_t>(numbers, numbers + 4), (std::vector<int32_t>{6, 5, 7, 8}));
    EXPECT_TRUE(vantorix::AssignPadButton(numbers, 2, (1 << 8) | (1 << 19)));  // 9 and 20 held
    EXPECT_EQ(numbers[2], 20);
    EXPECT_FALSE(vantorix::AssignPadButton(numbers, 4, 1 << 5));  // no such action
}

TEST_F(MenuTest, WeaponSelectIgnoresTheHeldZAndRemembersTheSubWeaponRow) {
    HoldNow({DIK_Z});  // still held from the title
    std::vector<MenuAt> seen;
    onFrame = [&seen](int) {
        seen.push_back({vantorix::MenuId(Game().titleMenu), vantorix::MenuRow(Game().titleMenu)});
    };
    Script({{{DIK_Z}}, {}, {{DIK_DOWN}}, {{DIK_Z}}, {{DIK_X}}, {}, {{DIK_Z}}, {}, {{DIK_Z}}});
    vantorix::RunWeaponSelect();
    // Frame n shows the menu after its own input (this screen reads keys before presenting).
    std::vector<MenuAt> expected = {{1, 1}, {1, 1}, {1, 1}, {1, 2}, {2, 1}, {1, 2}, {1, 2}, {2, 1}, {2, 1}, {2, 1}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(Game().play.player.subType, 2);  // TYPE-B
    EXPECT_EQ(Game().play.player.style, 1);    // OFFENSIVE
    EXPECT_EQ(Game().gameState, vantorix::kStateStage);

    EXPECT_TRUE(ShowsText(1, "SUBWEAPON SELECT", 140, 100, 36, 4));
    // A frame draws the menu as the frame before left it.
    EXPECT_TRUE(ShowsText(6, "DEFENSIVE", 140, 190, 24, 4));
    EXPECT_TRUE(Drew(4, 27, 110, 158));
    EXPECT_TRUE(Drew(5, 27, 110, 188));

    Game().gameState = vantorix::kStateWeaponSelect;
    Script({{{DIK_ESCAPE}}});
    vantorix::RunWeaponSelect();
    EXPECT_EQ(Game().gameState, vantorix::kStateQuit);
}

}  // namespace
}  // namespace vantorix_test
