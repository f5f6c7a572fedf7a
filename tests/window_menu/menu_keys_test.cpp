// The menu bar worked from the keyboard: ALT or F10 lights it, the arrows walk the bar and
// the lists past separators and greyed items, ENTER and access keys choose, ESC closes a
// level, and the access keys are underlined only while the keyboard works the menu.
#include <algorithm>
#include <vector>

#include "../window/engine_fixture.h"
#include "menu_builder.h"
#include "engine/platform/window/window_menu.h"
#include "host/dinput/key_codes.h"
#include "host/win/window/chrome_layout.h"
#include "host/win/window/chrome_state.h"
#include "host/win/window/window.h"
#include "host/win/window/window_chrome.h"

namespace orvik_test {
namespace {

using orvik::Window;

constexpr int kKeysWidth = 640, kKeysHeight = 520;
constexpr uint8_t kVkF10 = host::VK_F1 + 9;

class MenuKeysTest : public EngineTest {
protected:
    // &File(&Open 10, &Saved 12, -, &Recent(&a.txt 20), &Locked 13 greyed, E&xit 14),
    // &Edit(&Copy 40, &Paste 41 greyed), &Help 30.
    void SetUp() override {
        Window().settings.menu = BuildMenu({
            Popup("&File", {Command(10, "&Open"), Command(12, "&Saved"), Separator(),
                            Popup("&Recent", {Command(20, "&a.txt")}), Command(13, "&Locked", host::MF_GRAYED),
                            Command(14, "E&xit")}),
            Popup("&Edit", {Command(40, "&Copy"), Command(41, "&Paste", host::MF_GRAYED)}),
            Command(30, "&Help"),
        });
        host::ResetWindowChrome();
        ASSERT_EQ(orvik::InitLibrary(), 0);
        DrainQueue();
    }
    void TearDown() override { host::ResetWindowChrome(); }

    static bool Key(uint8_t vk, bool down, bool alt = false) {
        return host::ChromeKeyEvent(MainWindow(), host::ChromeKey{vk, down, alt, false}, kKeysWidth, kKeysHeight);
    }
    // A press and release; true when the menu took the press.
    static bool Tap(uint8_t vk, bool alt = false) {
        const bool taken = Key(vk, true, alt);
        Key(vk, false, alt);
        return taken;
    }
    static void AltAlone() {
        Key(host::VK_LMENU, true, true);
        Key(host::VK_LMENU, false, false);
    }
    static std::vector<uint32_t> ChosenIds() {
        orvik::PumpMessages();
        const auto& rt = Window().rt;
        return {rt.chosenMenuIds.begin(), rt.chosenMenuIds.begin() + rt.chosenMenuIdCount};
    }
    static int Lit() { return host::Chrome().selectedTop; }
    static size_t OpenLists() { return host::Chrome().lists.size(); }
    static int Hot() { return host::Chrome().hot.empty() ? -1 : host::Chrome().hot.back(); }
};

TEST_F(MenuKeysTest, AccessKeysAreTakenOutOfTheTextAndAmpersandsDoubledShowOne) {
    host::HMENU menu = host::CreateMenu();
    host::AppendMenuA(menu, host::MF_STRING, 1, "Save && &quit");
    host::AppendMenuA(menu, host::MF_STRING, 2, "\x83\x81&M");
    host::AppendMenuA(menu, host::MF_STRING, 3, "Plain&");
    const auto items = host::LayoutMenuBar(menu);
    EXPECT_EQ(items[0].text, "Save & quit");
    EXPECT_EQ(items[0].accessKey, 'Q');
    EXPECT_EQ(items[0].accessAt, 7);
    // A two-byte character is copied whole, so its second byte (here one that could begin
    // a character) does not swallow the mark after it.
    EXPECT_EQ(items[1].text, "\x83\x81M");
    EXPECT_EQ(items[1].accessKey, 'M');
    EXPECT_EQ(items[1].accessAt, 2);
    EXPECT_EQ(items[2].text, "Plain&");
    EXPECT_EQ(items[2].accessKey, 0);
    EXPECT_EQ(items[0].rect.w, host::ChromeTextWidth("Save & quit") + 2 * host::kMenuBarItemPadding);
    host::DestroyMenu(menu);
}

TEST_F(MenuKeysTest, ArrowsWalkPastSeparatorsAndGreyedItemsAndEnterChooses) {
    AltAlone();
    EXPECT_EQ(Lit(), 0);
    EXPECT_FALSE(host::ChromeMenuOpen());  // lit, not open
    EXPECT_TRUE(Tap(host::VK_DOWN));
    ASSERT_TRUE(host::ChromeMenuOpen());
    EXPECT_EQ(Hot(), 0);  // Open
    Tap(host::VK_DOWN);
    Tap(host::VK_DOWN);  // past the separator to Recent
    EXPECT_EQ(Hot(), 3);
    Tap(host::VK_DOWN);  // past Locked to Exit
    EXPECT_EQ(Hot(), 5);
    Tap(host::VK_DOWN);  // round to the top
    EXPECT_EQ(Hot(), 0);
    Tap(host::VK_UP);
    EXPECT_TRUE(Tap(host::VK_RETURN));
    EXPECT_EQ(ChosenIds(), std::vector<uint32_t>{14});
    EXPECT_FALSE(host::ChromeMenuOpen());
    EXPECT_EQ(Lit(), -1);
    EXPECT_FALSE(Tap(host::VK_DOWN));  // the menu is left: keys are the program's again

    // ALT, RIGHT, DOWN, DOWN, ENTER: the edit list's greyed Paste is passed over.
    AltAlone();
    Tap(host::VK_RIGHT);
    EXPECT_EQ(Lit(), 1);
    Tap(host::VK_DOWN);
    Tap(host::VK_DOWN);
    Tap(host::VK_RETURN);
    EXPECT_EQ(ChosenIds(), (std::vector<uint32_t>{14, 40}));
}

TEST_F(MenuKeysTest, RightOpensASubMenuOrTheNextMenuAndEscapeClosesOneLevel) {
    EXPECT_TRUE(Tap(kVkF10));
    EXPECT_EQ(Lit(), 0);
    Tap(host::VK_RETURN);
    ASSERT_EQ(OpenLists(), 1u);
    Tap(host::VK_UP);  // from the top round to Exit
    EXPECT_EQ(Hot(), 5);
    Tap(host::VK_UP);  // past Locked to Recent
    EXPECT_EQ(Hot(), 3);
    Tap(host::VK_RIGHT);
    ASSERT_EQ(OpenLists(), 2u);
    EXPECT_EQ(Hot(), 0);  // a.txt
    Tap(host::VK_ESCAPE);
    EXPECT_EQ(OpenLists(), 1u);
    Tap(host::VK_LEFT);  // back along the bar, round to Help: a command is lit, not chosen
    EXPECT_EQ(Lit(), 2);
    EXPECT_FALSE(host::ChromeMenuOpen());
    Tap(host::VK_LEFT);
    Tap(host::VK_DOWN);  // Edit opens
    EXPECT_EQ(host::Chrome().openTop, 1);
    Tap(host::VK_RIGHT);  // Copy has no sub-menu: on to Help, lit
    EXPECT_EQ(Lit(), 2);
    Tap(host::VK_LEFT);
    Tap(host::VK_DOWN);
    Tap(host::VK_ESCAPE);  // the list goes, the bar stays lit
    EXPECT_FALSE(host::ChromeMenuOpen());
    EXPECT_EQ(Lit(), 1);
    EXPECT_TRUE(Tap(host::VK_ESCAPE));
    EXPECT_EQ(Lit(), -1);
    EXPECT_TRUE(ChosenIds().empty());
}

TEST_F(MenuKeysTest, AltWithAnAccessKeyOpensItsMenuAndTheLetterAloneChooses) {
    EXPECT_FALSE(Tap('F'));  // without ALT and without an open menu a letter is the program's
    Key(host::VK_LMENU, true, true);
    EXPECT_TRUE(Tap('F', true));
    Key(host::VK_LMENU, false, false);  // ALT was not alone: the menu stays open
    ASSERT_TRUE(host::ChromeMenuOpen());
    EXPECT_TRUE(Tap('L'));  // Locked is greyed: nothing
    EXPECT_EQ(OpenLists(), 1u);
    Tap('R');
    ASSERT_EQ(OpenLists(), 2u);
    EXPECT_TRUE(Tap('A'));
    EXPECT_EQ(ChosenIds(), std::vector<uint32_t>{20});

    // A command on the bar is chosen by its key at once; an unknown key is nothing.
    EXPECT_FALSE(Tap('Q', true));
    EXPECT_TRUE(Tap('H', true));
    EXPECT_EQ(ChosenIds(), (std::vector<uint32_t>{20, 30}));
    // ALT pressed again leaves a lit bar.
    AltAlone();
    EXPECT_TRUE(Key(host::VK_LMENU, true, true));
    EXPECT_EQ(Lit(), -1);
}

TEST_F(MenuKeysTest, AccessKeysAreUnderlinedOnlyWhileTheKeyboardWorksTheMenu) {
    const host::MenuItemBox file = host::LayoutMenuBar(host::GetMenu(MainWindow()))[0];
    const int underlineY = (host::kMenuBarHeight - host::kChromeTextHeight) / 2 + host::kChromeTextHeight;
    const int fLeft = file.rect.x + host::kMenuBarItemPadding, fWidth = host::ChromeTextWidth("F");
    auto underlined = [&] {
        std::vector<uint32_t> pixels(size_t(kKeysWidth) * kKeysHeight, 0);
        host::ChromeCanvas canvas{pixels.data(), kKeysWidth, kKeysHeight};
        host::DrawWindowChrome(MainWindow(), canvas);
        const auto row = pixels.begin() + underlineY * kKeysWidth;
        return std::all_of(row + fLeft, row + fLeft + fWidth, [](uint32_t p) { return p == 0xFF000000u; }) &&
               row[fLeft + fWidth + 1] != 0xFF000000u;
    };
    EXPECT_FALSE(underlined());
    AltAlone();
    EXPECT_TRUE(underlined());
    Tap(host::VK_ESCAPE);
    EXPECT_FALSE(underlined());
    // Opened by the pointer, the menu shows no underlines.
    host::ChromePointerDown(MainWindow(), file.rect.x + 4, 4, kKeysWidth, kKeysHeight);
    host::ChromePointerUp(MainWindow(), file.rect.x + 4, 4);
    ASSERT_TRUE(host::ChromeMenuOpen());
    EXPECT_FALSE(underlined());
}

TEST_F(MenuKeysTest, AWindowWithoutAMenuLeavesEveryKeyToTheProgram) {
    host::SetMenu(MainWindow(), nullptr);
    AltAlone();
    EXPECT_FALSE(Tap(kVkF10));
    EXPECT_FALSE(Tap(host::VK_DOWN));
    EXPECT_EQ(Lit(), -1);
}

}  // namespace
}  // namespace orvik_test
