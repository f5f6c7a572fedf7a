// The menu bar: its item list, when it shows in each mode, and what becomes of it.
#include <cstring>
#include <string>
#include <vector>

#include "../window/engine_fixture.h"
#include "menu_builder.h"
#include "engine/platform/window/window_menu.h"
#include "engine/platform/window/window_mode.h"
#include "host/win/window/menu.h"

namespace orvik_test {
namespace {

using orvik::Window;

class MenuTest : public EngineTest {
protected:
    // File(Open 10, -, Recent(a.txt 20), Quit 11), -, Help 30
    void SetUp() override {
        menu_ = BuildMenu({
            Popup("File", {Command(10, "Open"), Separator(), Popup("Recent", {Command(20, "a.txt")}),
                           Command(11, "Quit")}),
            Separator(),
            Command(30, "Help"),
        });
        Window().settings.menu = menu_;
    }
    static host::RECT Client() {
        host::RECT c;
        host::GetClientRect(MainWindow(), &c);
        return c;
    }
    static void PointerAt(int y) {
        host::SetCursorPos(100, y);
        orvik::PumpMessages();
    }
    static bool MenuAttached() { return host::GetMenu(MainWindow()) != nullptr; }

    host::HMENU menu_ = nullptr;
};

TEST_F(MenuTest, ItemsAreListedDepthFirstWithoutSeparatorsAndReadBackById) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    std::vector<std::string> texts;
    std::vector<uint32_t> ids;
    for (const orvik::MenuListEntry& e : Window().rt.menuItems) texts.push_back(e.text), ids.push_back(e.id);
    EXPECT_EQ(texts, (std::vector<std::string>{"File", "Open", "Recent", "a.txt", "Quit", "Help"}));
    EXPECT_EQ(ids, (std::vector<uint32_t>{0, 10, 0, 20, 11, 30}));
    EXPECT_EQ(Window().rt.menuItems[4].position, 3);  // Quit, after the separator

    char text[orvik::kMenuTextBytes];
    ASSERT_EQ(orvik::GetMenuItemTextById(20, text), 0);
    EXPECT_STREQ(text, "a.txt");
    EXPECT_EQ(orvik::GetMenuItemTextById(99, text), -1);
    EXPECT_NE(Log().find("ID 99 のメニュー項目がありません in GetMenuItemTextById"), std::string::npos);
    EXPECT_EQ(orvik::GetMenuItemTextById(20, nullptr), -1);

    orvik::MenuListEntry entry;
    EXPECT_EQ(orvik::GetMenuItemByPos(menu_, 1, &entry), 1);  // the separator
    EXPECT_EQ(orvik::GetMenuItemByPos(menu_, 3, &entry), -1);
    EXPECT_EQ(orvik::GetMenuItemByPos(menu_, -1, &entry), -1);
    EXPECT_EQ(orvik::ListMenuItems(nullptr), -1);
}

TEST_F(MenuTest, LongItemTextIsCutToTheBufferWithItsEnd) {
    std::string longText(300, 'm');
    host::AppendMenuA(menu_, host::MF_STRING, 40, longText.c_str());
    ASSERT_EQ(orvik::InitLibrary(), 0);
    char text[orvik::kMenuTextBytes + 8];
    std::memset(text, 'x', sizeof text);
    ASSERT_EQ(orvik::GetMenuItemTextById(40, text), 0);
    EXPECT_EQ(std::string(text), longText.substr(0, orvik::kMenuTextBytes - 1));
    EXPECT_EQ(text[orvik::kMenuTextBytes], 'x');  // nothing written past the buffer
}

TEST_F(MenuTest, WithoutAMenuNothingIsShownOrFound) {
    Window().settings.menu = nullptr;
    ASSERT_EQ(orvik::InitLibrary(), 0);
    char text[orvik::kMenuTextBytes];
    EXPECT_EQ(orvik::GetMenuItemTextById(10, text), -1);
    EXPECT_EQ(orvik::ShouldShowMenu(), 0);
    EXPECT_EQ(orvik::ApplyMenuVisibility(0), 0);
    EXPECT_FALSE(MenuAttached());
    host::DestroyMenu(menu_);
}

TEST_F(MenuTest, WindowModeShowsTheBarAndKeepsThePictureSize) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_EQ(host::GetMenu(MainWindow()), menu_);
    EXPECT_EQ(orvik::ShouldShowMenu(), 1);
    EXPECT_EQ(Client().right, 640);
    EXPECT_EQ(Client().bottom, 480);
    // Hiding takes the bar off; the window shrinks around the same picture.
    ASSERT_EQ(orvik::ApplyMenuVisibility(1), 0);
    EXPECT_FALSE(MenuAttached());
    EXPECT_EQ(orvik::ShouldShowMenu(), 0);
    EXPECT_EQ(Client().bottom, 480);
    ASSERT_EQ(orvik::ApplyMenuVisibility(0), 0);
    EXPECT_TRUE(MenuAttached());
    EXPECT_EQ(Client().bottom, 480);
}

TEST_F(MenuTest, ModeSwitchDetachesAndAttachesTheBar) {
    Window().settings.menuAutoShowOff = 1;  // the pump would bring it back in full screen
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(orvik::ChangeWindowMode(0), 0);
    EXPECT_FALSE(MenuAttached());
    ASSERT_EQ(orvik::ChangeWindowMode(1), 0);
    EXPECT_TRUE(MenuAttached());
    EXPECT_EQ(Client().right, 640);
    EXPECT_EQ(Client().bottom, 480);
}

TEST_F(MenuTest, SoftwareFullScreenShowsTheBarAndCursorWhileThePointerIsNearTheTop) {
    orvik::SetUseHardwareRendering(0);
    orvik::ChangeWindowMode(0);
    host::SetCursorPos(100, 300);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_FALSE(MenuAttached());
    PointerAt(300);
    EXPECT_FALSE(MenuAttached());
    EXPECT_LT(host::ShowCursor(1) - 1, 0);  // hidden (read without changing it)
    host::ShowCursor(0);
    PointerAt(10);
    EXPECT_TRUE(MenuAttached());
    EXPECT_EQ(orvik::ShouldShowMenu(), 1);
    EXPECT_GE(host::ShowCursor(1) - 1, 0);  // the menu needs the pointer
    host::ShowCursor(0);
    PointerAt(10);  // a second frame near the top keeps it
    EXPECT_TRUE(MenuAttached());
    PointerAt(59);
    EXPECT_TRUE(MenuAttached());
    PointerAt(60);
    EXPECT_FALSE(MenuAttached());
    // A hide request holds even near the top; the always-show setting shows it anywhere.
    orvik::ApplyMenuVisibility(1);
    PointerAt(10);
    EXPECT_FALSE(MenuAttached());
    orvik::ApplyMenuVisibility(0);
    Window().settings.menuAlwaysShow = 1;
    PointerAt(300);
    EXPECT_TRUE(MenuAttached());
}

TEST_F(MenuTest, Direct3DFullScreenKeepsTheBarAttachedAndTheTopEdgeHitsIt) {
    orvik::ChangeWindowMode(0);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(orvik::Graphics().direct3DMode, 1);
    PointerAt(300);
    EXPECT_TRUE(MenuAttached());
    auto hit = [](int y) { return host::SendMessageA(MainWindow(), host::WM_NCHITTEST, 0, host::MAKELPARAM(5, y)); };
    EXPECT_EQ(hit(7), host::HTMENU);
    EXPECT_EQ(hit(8), host::HTCLIENT);
    ASSERT_EQ(orvik::ChangeWindowMode(1), 0);
    EXPECT_EQ(hit(2), host::HTCLIENT);
}

struct Chosen {
    std::string text;
    int id = -1;
};

TEST_F(MenuTest, ChosenCommandReachesTheCallbackWithItsTextAndTheMenuGoesWithTheWindow) {
    Chosen chosen;
    Window().settings.menuCallback = [](const char* text, int id, void* user) {
        *static_cast<Chosen*>(user) = Chosen{text, id};
    };
    Window().settings.menuUser = &chosen;
    ASSERT_EQ(orvik::InitLibrary(), 0);
    host::SendMessageA(MainWindow(), host::WM_COMMAND, 11, 0);
    EXPECT_EQ(chosen.text, "Quit");
    EXPECT_EQ(chosen.id, 11);
    EXPECT_EQ(Window().rt.chosenMenuIdCount, 1);
    ASSERT_EQ(orvik::EndLibrary(), 0);
    EXPECT_EQ(Window().settings.menu, nullptr);
    EXPECT_EQ(host::CountLiveMenus(), 0u);
}

}  // namespace
}  // namespace orvik_test
