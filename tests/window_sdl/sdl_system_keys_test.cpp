// The system-key hook on the sdl backend against a real X server whose window manager
// takes Alt+Tab for itself: while the hook is in place the window grabs the keyboard, so
// Alt+Tab comes to the hook and not to the manager; the grab goes when the window does
// not have the focus any more.
#include <orvik/platform.h>

#include <cstdio>

#include "engine/platform/window/window.h"
#include "host/win/window/hooks.h"
#include "host/win/system/modules.h"
#include "host/win/window/window.h"
#include "sdl_engine_setup.h"

// Last: its macros (None, Status, True...) would rename the engine's words.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace orvik_test {
namespace {

constexpr const char* kSystemKeysTitle = "Orvik System Keys";
constexpr const char* kSystemKeyLibrary = "/opt/keys/SystemKeys.dll";
constexpr uint32_t kVkTab = 0x09;

int g_altTabsHooked = 0;

host::LRESULT TakeAltTab(int code, host::WPARAM, host::LPARAM lParam) {
    const auto* key = reinterpret_cast<const host::KBDLLHOOKSTRUCT*>(lParam);
    const bool altTab = code == host::HC_ACTION && key->vkCode == kVkTab && (key->flags & host::LLKHF_ALTDOWN) &&
                        !(key->flags & host::LLKHF_UP);
    g_altTabsHooked += altTab ? 1 : 0;
    return altTab ? 1 : 0;
}

host::HHOOK HookSystemKeys(host::HWND) { return host::SetWindowsHookExA(host::WH_KEYBOARD_LL, TakeAltTab, nullptr, 0); }

// A window manager's Alt+Tab: a client of its own that grabs the key on the root window.
class AltTabManager {
public:
    explicit AltTabManager(const std::string& display) : x_(XOpenDisplay(display.c_str())) {
        if (!x_) return;
        XGrabKey(x_, XKeysymToKeycode(x_, XK_Tab), Mod1Mask, DefaultRootWindow(x_), True, GrabModeAsync,
                 GrabModeAsync);
        XSync(x_, False);
    }
    ~AltTabManager() {
        if (x_) XCloseDisplay(x_);
    }
    AltTabManager(const AltTabManager&) = delete;
    AltTabManager& operator=(const AltTabManager&) = delete;

    bool Connected() const { return x_ != nullptr; }
    // Another client holds the keyboard: the manager cannot take it.
    bool KeyboardHeldElsewhere() {
        const int result = XGrabKeyboard(x_, DefaultRootWindow(x_), False, GrabModeAsync, GrabModeAsync, CurrentTime);
        if (result == GrabSuccess) XUngrabKeyboard(x_, CurrentTime);
        XSync(x_, False);
        return result == AlreadyGrabbed;
    }
    // The Alt+Tab presses that reached the manager since the last look.
    int AltTabs() {
        XSync(x_, False);
        int presses = 0;
        for (XEvent e; XCheckTypedEvent(x_, KeyPress, &e);) ++presses;
        return presses;
    }

private:
    Display* x_;
};

using SdlSystemKeysTest = SdlEngineTest;

TEST_F(SdlSystemKeysTest, AltTabComesToTheHookInsteadOfTheWindowManagerWhileTheWindowIsActive) {
    AltTabManager manager(display_->Name());
    ASSERT_TRUE(manager.Connected());
    host::RegisterModuleExport(kSystemKeyLibrary, "SetMSGHookDll", host::AsProc(HookSystemKeys));
    std::snprintf(orvik::Window().settings.keyHookLibrary, orvik::kKeyHookPathBytes, "%s", kSystemKeyLibrary);
    orvik::SetAppWindowTitle(kSystemKeysTitle);
    orvik::ChangeWindowMode(1);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    const std::string id = WaitForEngineWindow(kSystemKeysTitle);
    ASSERT_FALSE(id.empty());
    RunProgram({"xdotool", "windowfocus", "--sync", id});
    ASSERT_TRUE(WaitUntil([&] {
        orvik::PumpMessages();
        return manager.KeyboardHeldElsewhere();
    }));

    RunProgram({"xdotool", "key", "alt+Tab"});
    EXPECT_TRUE(WaitUntil([] {
        orvik::PumpMessages();
        return g_altTabsHooked == 1;
    }));
    EXPECT_EQ(manager.AltTabs(), 0);

    host::SetApplicationFocus(false);
    EXPECT_FALSE(manager.KeyboardHeldElsewhere());
    RunProgram({"xdotool", "key", "alt+Tab"});
    EXPECT_TRUE(WaitUntil([&] { return manager.AltTabs() == 1; }));
}

}  // namespace
}  // namespace orvik_test
