// Window options a caller sets before start-up: the system-key hook library, the message
// hook, the activation callback, the accelerator table, and the hidden, fixed and
// resizable window.
#include <string>
#include <vector>

#include "../window/engine_fixture.h"
#include "engine/platform/startup/sysinfo.h"
#include "engine/platform/window/window_mode.h"
#include "host/win/window/accelerator.h"
#include "host/win/window/desktop.h"
#include "host/win/window/hooks.h"
#include "host/win/system/modules.h"

namespace orvik_test {
namespace {

using orvik::Window;

constexpr const char* kHookLibrary = "/opt/keys/KeyHook.dll";

host::HWND g_hookedWindow = nullptr;

host::LRESULT KeyboardProc(int, host::WPARAM, host::LPARAM) { return 0; }

host::HHOOK SetMsgHook(host::HWND window) {
    g_hookedWindow = window;
    return host::SetWindowsHookExA(host::WH_KEYBOARD_LL, KeyboardProc, nullptr, 0);
}

class OptionsTest : public EngineTest {
protected:
    static void UseHookLibrary() {
        host::RegisterModuleExport(kHookLibrary, "SetMSGHookDll", host::AsProc(SetMsgHook));
        std::snprintf(Window().settings.keyHookLibrary, orvik::kKeyHookPathBytes, "%s", kHookLibrary);
    }
    static int HookLibraryLoads() { return host::GetModuleLoadCount(kHookLibrary); }
};

TEST_F(OptionsTest, KeyHookIsInPlaceOnlyWhileTheWindowIsActive) {
    UseHookLibrary();
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_EQ(g_hookedWindow, MainWindow());
    EXPECT_EQ(host::CountWindowsHooks(), 1u);
    EXPECT_EQ(HookLibraryLoads(), 1);
    host::SetApplicationFocus(false);
    EXPECT_EQ(host::CountWindowsHooks(), 0u);
    EXPECT_EQ(HookLibraryLoads(), 0);
    host::SetApplicationFocus(true);
    EXPECT_EQ(host::CountWindowsHooks(), 1u);
    ASSERT_EQ(orvik::EndLibrary(), 0);
    EXPECT_EQ(host::CountWindowsHooks(), 0u);
    EXPECT_EQ(HookLibraryLoads(), 0);
}

TEST_F(OptionsTest, MissingHookLibraryOrExportLeavesNoHookAndNothingLoaded) {
    UseHookLibrary();
    host::SetModuleMissing(kHookLibrary, true);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_EQ(host::CountWindowsHooks(), 0u);
    EXPECT_NE(Log().find("キーフックライブラリ /opt/keys/KeyHook.dll の読み込みに失敗しました"), std::string::npos);
    host::SetModuleMissing(kHookLibrary, false);
    host::SetExportMissing(kHookLibrary, "SetMSGHookDll", true);
    host::SetApplicationFocus(false);
    host::SetApplicationFocus(true);
    EXPECT_EQ(host::CountWindowsHooks(), 0u);
    EXPECT_EQ(HookLibraryLoads(), 0);
    EXPECT_NE(Log().find("キーフックの設定に失敗しました"), std::string::npos);
    EXPECT_EQ(orvik::PumpMessages(), 0);
}

TEST_F(OptionsTest, OlderSystemsKeepTheSystemKeysThroughTheScreenSaverFlag) {
    UseHookLibrary();
    ASSERT_EQ(orvik::InitLibrary(), 0);
    host::SetApplicationFocus(false);
    orvik::SystemInfo().osVersionCode = orvik::kOsWin98;
    host::SetApplicationFocus(true);
    EXPECT_TRUE(host::AreSystemKeysOff());
    EXPECT_EQ(HookLibraryLoads(), 0);
    EXPECT_EQ(host::CountWindowsHooks(), 0u);
    host::SetApplicationFocus(false);
    EXPECT_FALSE(host::AreSystemKeysOff());
    host::SetApplicationFocus(true);
    ASSERT_EQ(orvik::EndLibrary(), 0);
    EXPECT_FALSE(host::AreSystemKeysOff());
}

TEST_F(OptionsTest, MessageHookSeesMessagesFirstAndCanSwallowThem) {
    Window().settings.messageHook = [](host::HWND, uint32_t message, host::WPARAM wParam, host::LPARAM) {
        return message == host::WM_CHAR && wParam == 'x' ? 1 : 0;
    };
    ASSERT_EQ(orvik::InitLibrary(), 0);
    for (char c : std::string("axb")) host::SendMessageA(MainWindow(), host::WM_CHAR, host::WPARAM(c), 0);
    std::string typed;
    uint8_t code;
    while (orvik::PopCharCode(&code, 1)) typed += char(code);
    EXPECT_EQ(typed, "ab");
}

TEST_F(OptionsTest, ActivationCallbackHearsEachChange) {
    std::vector<int> heard;
    Window().settings.activationCallback = [](int active, void* user) {
        static_cast<std::vector<int>*>(user)->push_back(active);
    };
    Window().settings.activationUser = &heard;
    ASSERT_EQ(orvik::InitLibrary(), 0);
    heard.clear();  // what start-up itself caused
    host::SetApplicationFocus(false);
    host::SetApplicationFocus(true);
    EXPECT_EQ(heard, (std::vector<int>{0, 1}));
}

TEST_F(OptionsTest, AcceleratorKeysBecomeCommandsInsteadOfCharacters) {
    const host::ACCEL entries[] = {{host::FVIRTKEY, 0x74, 40}, {host::FVIRTKEY | host::FALT, 'M', 41}};  // F5, Alt+M
    host::HACCEL table = host::CreateAcceleratorTableA(entries, 2);
    Window().settings.accelerator = table;
    ASSERT_EQ(orvik::InitLibrary(), 0);
    DrainQueue();
    host::PostMessageA(MainWindow(), host::WM_KEYDOWN, 0x74, 0);
    host::PostMessageA(MainWindow(), host::WM_KEYDOWN, 'M', 0);  // without Alt: not the accelerator
    host::PostMessageA(MainWindow(), host::WM_SYSKEYDOWN, 'M', host::LPARAM(1) << 29);
    orvik::PumpMessages();
    const orvik::WindowRuntime& rt = Window().rt;
    ASSERT_EQ(rt.chosenMenuIdCount, 2);
    EXPECT_EQ(rt.chosenMenuIds[0], 40u);
    EXPECT_EQ(rt.chosenMenuIds[1], 41u);
    host::DestroyAcceleratorTable(table);
}

TEST_F(OptionsTest, CursorIsClippedOnceItEntersTheClientAreaAndFreedOnDeactivation) {
    Window().settings.cursorClipOn = 1;
    ASSERT_EQ(orvik::InitLibrary(), 0);
    const host::RECT c = Window().rt.clientRect;
    host::RECT clip;
    host::SetCursorPos(c.left, c.top + 10);  // on the left edge: not inside yet
    orvik::PumpMessages();
    EXPECT_FALSE(host::GetCursorClip(&clip));
    host::SetCursorPos(c.left + 1, c.top + 10);
    orvik::PumpMessages();
    ASSERT_TRUE(host::GetCursorClip(&clip));
    EXPECT_EQ(clip.left, c.left);
    EXPECT_EQ(clip.bottom, c.bottom);
    host::SetApplicationFocus(false);
    EXPECT_FALSE(host::GetCursorClip(&clip));
}

TEST_F(OptionsTest, HiddenWindowIsMadeButNeverShown) {
    Window().settings.hidden = 1;
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_TRUE(host::IsWindow(MainWindow()));
    EXPECT_FALSE(host::headless::IsWindowOpen());
    EXPECT_EQ(orvik::PumpMessages(), 0);
}

TEST_F(OptionsTest, FixedPositionAndClientSizeAreKept) {
    auto& s = Window().settings;
    s.fixedPosition = 1;
    s.positionX = -40;
    s.positionY = 30;
    s.fixedClientWidth = 800;
    s.fixedClientHeight = 600;
    ASSERT_EQ(orvik::InitLibrary(), 0);
    host::RECT outer, client;
    host::GetWindowRect(MainWindow(), &outer);
    host::GetClientRect(MainWindow(), &client);
    EXPECT_EQ(outer.left, -40);  // not moved onto the desktop: the caller chose it
    EXPECT_EQ(outer.top, 30);
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 600);
}

TEST_F(OptionsTest, ResizableFrameScalesThePictureToTheUsersSize) {
    Window().settings.resizableFrame = 1;
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_NE(host::GetWindowLongA(MainWindow(), host::GWL_STYLE) & int32_t(host::WS_THICKFRAME), 0);
    host::RECT outer, client;
    host::GetWindowRect(MainWindow(), &outer);
    host::GetClientRect(MainWindow(), &client);
    int frameW = (outer.right - outer.left) - client.right, frameH = (outer.bottom - outer.top) - client.bottom;
    host::MoveWindow(MainWindow(), outer.left, outer.top, 960 + frameW, 720 + frameH, 1);
    host::GetClientRect(MainWindow(), &client);
    EXPECT_EQ(client.right, 960);  // kept, not fitted back
    double sx = 0, sy = 0;
    orvik::GetWindowScale(&sx, &sy);
    EXPECT_DOUBLE_EQ(sx, 1.5);
    EXPECT_DOUBLE_EQ(sy, 1.5);
}

}  // namespace
}  // namespace orvik_test
