// The menu bar of the real window: xdotool clicks a menu item, or works the menu with
// keys, through the X server and its id reaches the program.
#include <gtest/gtest.h>

#include <orvik/platform.h>

#include <algorithm>
#include <string>

#include "../support/bounded_wait.h"
#include "engine/platform/window/window.h"
#include "host/win/window/chrome_layout.h"
#include "host/win/window/menu.h"
#include "host/win/window/window.h"
#include "host/win/window/window_chrome.h"
#include "sdl_engine_setup.h"

namespace orvik_test {
namespace {

const char* kMenuTitle = "Orvik Menu Probe";

bool Chosen(uint32_t id) {
    const auto& rt = orvik::Window().rt;
    return std::count(rt.chosenMenuIds.begin(), rt.chosenMenuIds.begin() + rt.chosenMenuIdCount, id) == 1;
}

// File(Open 41, Close 42) on the bar of the engine's window, which is started.
host::HMENU StartWithFileMenu() {
    host::HMENU file = host::CreateMenu();
    host::AppendMenuA(file, host::MF_STRING, 41, "&Open");
    host::AppendMenuA(file, host::MF_STRING, 42, "&Close");
    host::HMENU bar = host::CreateMenu();
    host::AppendMenuA(bar, host::MF_POPUP, uintptr_t(file), "&File");
    orvik::Window().settings.menu = bar;
    orvik::SetAppWindowTitle(kMenuTitle);
    orvik::ChangeWindowMode(1);
    return orvik::InitLibrary() == 0 ? bar : nullptr;
}

bool PumpUntil(bool (*done)()) {
    return WaitUntil([done] {
        orvik::PumpMessages();
        return done();
    });
}

using SdlMenuTest = SdlEngineTest;

TEST_F(SdlMenuTest, AClickedMenuItemSendsItsIdToTheProgram) {
    host::HMENU bar = StartWithFileMenu();
    ASSERT_NE(bar, nullptr);
    host::HMENU file = host::LayoutMenuBar(bar)[0].sub;

    const std::string id = WaitForEngineWindow(kMenuTitle);
    ASSERT_FALSE(id.empty());
    // The SDL window holds the menu bar above the client area.
    EXPECT_NE(RunProgram({"xdotool", "getwindowgeometry", id}).find("640x500"), std::string::npos);

    const host::MenuItemBox top = host::LayoutMenuBar(bar)[0];
    const host::MenuListBox list = host::LayoutMenuList(file, top.rect.x, host::kMenuBarHeight, 640, 500);
    const host::ChromeRect item = list.items[1].rect;
    auto click = [&](int x, int y) {
        RunProgram({"xdotool", "mousemove", "--window", id, std::to_string(x), std::to_string(y), "click", "1"});
    };
    click(top.rect.x + top.rect.w / 2, host::kMenuBarHeight / 2);
    // The list opens once the pump has taken the click; then its item is clicked.
    ASSERT_TRUE(WaitUntil([] {
        orvik::PumpMessages();
        return host::ChromeMenuOpen();
    }));
    click(item.x + item.w / 2, item.y + item.h / 2);
    EXPECT_TRUE(WaitUntil([] {
        orvik::PumpMessages();
        return Chosen(42);
    }));
    EXPECT_FALSE(Chosen(41));

    // The pointer over the picture reads in picture pixels, below the menu bar.
    RunProgram({"xdotool", "mousemove", "--window", id, "100", std::to_string(host::kMenuBarHeight + 50)});
    EXPECT_TRUE(WaitUntil([] {
        orvik::PumpMessages();
        int x = 0, y = 0;
        orvik::GetCursorClientPos(&x, &y);
        return x == 100 && y == 50;
    }));
    EXPECT_EQ(orvik::EndLibrary(), 0);
}

TEST_F(SdlMenuTest, KeysWorkTheMenuAndTheKeysItTakesDoNotReachTheKeyState) {
    ASSERT_NE(StartWithFileMenu(), nullptr);
    const std::string id = WaitForEngineWindow(kMenuTitle);
    ASSERT_FALSE(id.empty());
    RunProgram({"xdotool", "windowfocus", "--sync", id});
    RunProgram({"xdotool", "key", "alt"});
    RunProgram({"xdotool", "keydown", "Down"});
    ASSERT_TRUE(PumpUntil([] { return host::ChromeMenuOpen(); }));
    EXPECT_EQ(orvik::IsKeyHeld(orvik::KEY_DOWN), 0);
    RunProgram({"xdotool", "keyup", "Down"});
    RunProgram({"xdotool", "key", "c"});  // Close, by its access key
    EXPECT_TRUE(PumpUntil([] { return Chosen(42); }));
    EXPECT_FALSE(host::ChromeMenuOpen());
    // With the menu left, the key is the program's again.
    RunProgram({"xdotool", "keydown", "Down"});
    EXPECT_TRUE(PumpUntil([] { return orvik::IsKeyHeld(orvik::KEY_DOWN) == 1; }));
    RunProgram({"xdotool", "keyup", "Down"});
    EXPECT_EQ(orvik::EndLibrary(), 0);
}

}  // namespace
}  // namespace orvik_test
