// The window procedure and the window's mode, size and cursor.
#include <limits>
#include <string>
#include <vector>

#include "engine/platform/window/dropped_files.h"
#include "host/dinput/key_codes.h"
#include "engine/platform/window/window_mode.h"
#include "engine_fixture.h"

namespace orvik_test {
namespace {

class WindowTest : public EngineTest {
protected:
    std::string TypedText() {
        std::string text;
        uint8_t c[2];
        for (int n; (n = orvik::PopCharCode(c, 1)) > 0;) text.append(reinterpret_cast<char*>(c), size_t(n));
        return text;
    }
    host::LRESULT Send(uint32_t message, host::WPARAM w, host::LPARAM l = 0) {
        return host::SendMessageA(MainWindow(), message, w, l);
    }
};

TEST_F(WindowTest, TypedControlCodesAreFilteredAndLineFeedBecomesReturn) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    for (int code : {1, 2, 10, int('a'), 27, 7, 0x82, 0xA0}) Send(host::WM_CHAR, host::WPARAM(code));
    EXPECT_EQ(TypedText(), std::string("\x01\x0D" "a\x1B\x82\xA0", 6));
}

TEST_F(WindowTest, EditingKeysTravelAsControlCodes) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    Send(host::WM_KEYDOWN, 0x25);  // left arrow
    Send(host::WM_KEYDOWN, 0x2E);  // delete
    Send(host::WM_KEYDOWN, 'A');   // not an editing key
    EXPECT_EQ(TypedText(), "\x1D\x10");
}

TEST_F(WindowTest, KeysPumpedThroughTheQueueTypeControlCharacters) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    DrainQueue();
    host::PostMessageA(MainWindow(), host::WM_KEYDOWN, 0x0D, 0);  // RETURN
    host::PostMessageA(MainWindow(), host::WM_KEYDOWN, 0x24, 0);  // HOME
    host::PostMessageA(MainWindow(), host::WM_CHAR, 'q', 0);
    orvik::PumpMessages();
    orvik::PumpMessages();
    EXPECT_EQ(TypedText(), "\x1A" "q\x0D");
}

TEST_F(WindowTest, FullCharacterBufferDropsFurtherCodes) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    int accepted = 0;
    for (int i = 0; i < 1100; ++i) accepted += orvik::PushCharCode('x') == 0;
    EXPECT_EQ(accepted, 1024);
    EXPECT_EQ(TypedText().size(), 1024u);
}

TEST_F(WindowTest, ScreenSaverAndMonitorPowerOffAreRefused) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_EQ(Send(host::WM_SYSCOMMAND, host::SC_SCREENSAVE), 1);
    EXPECT_EQ(Send(host::WM_SYSCOMMAND, host::SC_MONITORPOWER), 1);
    EXPECT_TRUE(host::IsWindow(MainWindow()));
}

TEST_F(WindowTest, DisplaySwitchedTo24BitsClosesTheProgramOnce) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    DrainQueue();
    Send(host::WM_DISPLAYCHANGE, 24, host::MAKELPARAM(1920, 1080));
    Send(host::WM_DISPLAYCHANGE, 24, host::MAKELPARAM(1920, 1080));
    EXPECT_EQ(orvik::IsWindowClosing(), 1);
    EXPECT_EQ(host::CountQueuedMessages(), 1u);  // one close
    EXPECT_NE(Log().find("２４ビットカラーに変更されたため終了します"), std::string::npos);
    int result = 0;
    for (int i = 0; i < 3 && result == 0; ++i) result = orvik::PumpMessages();
    EXPECT_EQ(result, -1);
}

TEST_F(WindowTest, AcceptableDisplayChangeKeepsRunning) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    Send(host::WM_DISPLAYCHANGE, 32, host::MAKELPARAM(1280, 1024));
    EXPECT_EQ(orvik::IsWindowClosing(), 0);
    EXPECT_EQ(orvik::Window().rt.displayChanged, 1);
}

TEST_F(WindowTest, ScaleTwoDoublesTheClientAndHalvesCursorPositions) {
    orvik::SetWindowScale(2.0, 2.0);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    host::RECT client;
    host::GetClientRect(MainWindow(), &client);
    EXPECT_EQ(client.right, 1280);
    EXPECT_EQ(client.bottom, 960);
    EXPECT_EQ(host::headless::WindowWidth(), 1280);
    const host::RECT& c = orvik::Window().rt.clientRect;
    host::SetCursorPos(c.left + 100, c.top + 50);
    int x = 0, y = 0;
    orvik::GetCursorClientPos(&x, &y);
    EXPECT_EQ(x, 50);
    EXPECT_EQ(y, 25);
    // A scale that is not above 0 reads as 1.
    orvik::SetWindowScale(0.0, -3.0);
    double sx = 0, sy = 0;
    EXPECT_EQ(orvik::GetWindowScale(&sx, &sy), 1.0);
    EXPECT_EQ(sy, 1.0);
}

// A scale too large for any window gives the largest window, not a size wrapped past int.
TEST_F(WindowTest, AnAbsurdScaleGivesTheLargestWindowNotAWrappedOne) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    orvik::SetWindowScale(1e300, std::numeric_limits<double>::infinity());
    host::RECT client;
    host::GetClientRect(MainWindow(), &client);
    EXPECT_EQ(client.right, 32767);
    EXPECT_EQ(client.bottom, 32767);
    orvik::SetWindowScale(1.5, 0.5);
    host::GetClientRect(MainWindow(), &client);
    EXPECT_EQ(client.right, 960);
    EXPECT_EQ(client.bottom, 240);
}

TEST_F(WindowTest, WindowIsCentredOnTheDesktopWithItsClientOnScreen) {
    host::SetDesktop(800, 600, 32);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    const host::RECT& c = orvik::Window().rt.clientRect;
    EXPECT_EQ(c.right - c.left, 640);
    EXPECT_EQ(c.bottom - c.top, 480);
    // The frame-adjusted rectangle (650 x 510, from -5, -25) moves by half the free space.
    EXPECT_EQ(c.left, -5 + (800 - 650) / 2 + 5);
    EXPECT_EQ(c.top, -25 + (600 - 510) / 2 + 25);
}

TEST_F(WindowTest, WindowLargerThanTheDesktopStillShowsItsClientFromTheCorner) {
    host::SetDesktop(640, 480, 32);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    const host::RECT& c = orvik::Window().rt.clientRect;
    EXPECT_GE(c.left, 0);
    EXPECT_GE(c.top, 0);
}

TEST_F(WindowTest, MovingTheWindowMovesItsClientRectangle) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    host::RECT outer;
    host::GetWindowRect(MainWindow(), &outer);
    host::MoveWindow(MainWindow(), 30, 40, outer.right - outer.left, outer.bottom - outer.top, 1);
    const host::RECT& c = orvik::Window().rt.clientRect;
    EXPECT_EQ(c.left, 30 + 5);
    EXPECT_EQ(c.top, 40 + 25);
    EXPECT_EQ(c.right - c.left, 640);
    EXPECT_EQ(orvik::Window().rt.windowRect.left, 30);
}

TEST_F(WindowTest, FullScreenWindowDoesNotMove) {
    orvik::ChangeWindowMode(0);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    host::RECT proposed{100, 100, 740, 580};
    Send(host::WM_MOVING, 0, reinterpret_cast<host::LPARAM>(&proposed));
    EXPECT_EQ(proposed.left, 0);
    EXPECT_EQ(proposed.right, 640);
    EXPECT_EQ(orvik::Window().rt.cursorShown, 0);
    EXPECT_FALSE(host::headless::IsCursorVisible());
}

TEST_F(WindowTest, HidingTheCursorRepeatedlyStopsAtMinusOne) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    for (int i = 0; i < 4; ++i) orvik::SetCursorVisibility(0);
    EXPECT_FALSE(host::headless::IsCursorVisible());
    EXPECT_EQ(host::ShowCursor(1), 0);  // the count was -1
}

TEST_F(WindowTest, MouseClicksAreLoggedInScreenPixelsUpTo32) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    const host::RECT& c = orvik::Window().rt.clientRect;
    host::SetCursorPos(c.left + 10, c.top + 20);
    Send(host::WM_LBUTTONDOWN, 0);
    Send(host::WM_RBUTTONDOWN, 0);
    Send(host::WM_MBUTTONDOWN, 0);
    Send(host::WM_LBUTTONUP, 0);
    int32_t buttons[3], xs[3], ys[3];
    EXPECT_EQ(orvik::GetMouseClickLog(buttons, xs, ys, 3), 3);
    EXPECT_EQ(buttons[0], 1);
    EXPECT_EQ(buttons[1], 2);
    EXPECT_EQ(buttons[2], 4);
    EXPECT_EQ(xs[0], 10);
    EXPECT_EQ(ys[0], 20);
    for (int i = 0; i < 40; ++i) Send(host::WM_LBUTTONDOWN, 0);
    EXPECT_EQ(orvik::GetMouseClickLog(nullptr, nullptr, nullptr, 0), 32);
}

TEST_F(WindowTest, ChangeWindowModeBeforeStartOnlyStoresAndLogs) {
    ResetEngine();
    EXPECT_EQ(orvik::ChangeWindowMode(1), 0);
    EXPECT_EQ(orvik::IsWindowMode(), 1);
    EXPECT_EQ(orvik::ChangeWindowMode(0), 0);
    EXPECT_EQ(orvik::IsWindowMode(), 0);
    EXPECT_EQ(orvik::Window().rt.mainWindow, nullptr);
    std::string log = Log();
    EXPECT_NE(log.find("ChangeWindowMode実行 "), std::string::npos);
    EXPECT_NE(log.find("ウインドウモードフラグが倒されました"), std::string::npos);
}

TEST_F(WindowTest, SwitchingToFullScreenAndBack) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_EQ(orvik::ChangeWindowMode(0), 0);
    EXPECT_EQ(orvik::IsWindowMode(), 0);
    EXPECT_TRUE(host::headless::IsFullscreen());
    EXPECT_EQ(Log().find("画面モードの変更の通知がありませんでした"), std::string::npos);
    uint32_t style = uint32_t(host::GetWindowLongA(MainWindow(), host::GWL_STYLE));
    EXPECT_EQ(style & host::WS_CAPTION, 0u);
    host::RECT r;
    host::GetWindowRect(MainWindow(), &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 640);
    EXPECT_EQ(orvik::ChangeWindowMode(1), 0);
    style = uint32_t(host::GetWindowLongA(MainWindow(), host::GWL_STYLE));
    EXPECT_EQ(style & host::WS_CAPTION, host::WS_CAPTION);
    EXPECT_FALSE(host::headless::IsFullscreen());
    EXPECT_EQ(orvik::Graphics().up, 1);
}

constexpr host::LPARAM kAltDown = host::LPARAM(1) << 29, kRepeated = host::LPARAM(1) << 30;

TEST_F(WindowTest, AltEnterSwitchesModesOnlyWhenAllowedAndOncePerPress) {
    int switches = 0;
    orvik::Window().settings.modeChangeCallback = [](void* user) { ++*static_cast<int*>(user); };
    orvik::Window().settings.modeChangeUser = &switches;
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(orvik::IsWindowMode(), 1);
    // Not allowed: the keys and the maximise box leave the mode alone.
    Send(host::WM_SYSKEYDOWN, host::VK_RETURN, kAltDown);
    Send(host::WM_SYSCOMMAND, host::SC_MAXIMIZE);
    orvik::PumpMessages();
    EXPECT_EQ(orvik::IsWindowMode(), 1);
    EXPECT_EQ(switches, 0);

    orvik::Window().settings.allowModeSwitch = 1;
    Send(host::WM_SYSKEYDOWN, host::VK_RETURN, 0);  // Enter without Alt
    orvik::PumpMessages();
    EXPECT_EQ(orvik::IsWindowMode(), 1);
    EXPECT_EQ(Send(host::WM_SYSKEYDOWN, host::VK_RETURN, kAltDown), 0);
    orvik::PumpMessages();
    EXPECT_EQ(orvik::IsWindowMode(), 0);
    EXPECT_TRUE(host::headless::IsFullscreen());
    EXPECT_EQ(switches, 1);
    // The key's repeats while held ask nothing more.
    Send(host::WM_SYSKEYDOWN, host::VK_RETURN, kAltDown | kRepeated);
    orvik::PumpMessages();
    EXPECT_EQ(orvik::IsWindowMode(), 0);
    EXPECT_EQ(Send(host::WM_SYSCOMMAND, host::SC_MAXIMIZE), 0);
    orvik::PumpMessages();
    EXPECT_EQ(orvik::IsWindowMode(), 1);
    EXPECT_FALSE(host::headless::IsFullscreen());
    EXPECT_EQ(switches, 2);
}

TEST_F(WindowTest, ARegionSetBeforeStartCutsTheWindowOnceAndBelongsToIt) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_EQ(host::GetWindowRgnBox(MainWindow(), nullptr), host::RGN_ERROR);
    ASSERT_EQ(orvik::EndLibrary(), 0);

    orvik::Window().settings.region = host::CreateRectRgn(0, 0, 320, 200);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    host::RECT box;
    ASSERT_EQ(host::GetWindowRgnBox(MainWindow(), &box), host::SIMPLEREGION);
    EXPECT_EQ(box.right, 320);
    EXPECT_EQ(box.bottom, 200);
    EXPECT_EQ(orvik::Window().settings.region, nullptr);
    // A restart does not hand the region, now the old window's, out again.
    ASSERT_EQ(orvik::EndLibrary(), 0);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_EQ(host::GetWindowRgnBox(MainWindow(), nullptr), host::RGN_ERROR);
}

TEST_F(WindowTest, MenuCommandsAreRecordedOnceUpToSixtyFour) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    const orvik::WindowRuntime& rt = orvik::Window().rt;
    Send(host::WM_COMMAND, 7);
    Send(host::WM_COMMAND, 7);
    Send(host::WM_COMMAND, 0x501);  // a toolbar button
    Send(host::WM_COMMAND, 9, host::LPARAM(MainWindow()));  // from a control
    ASSERT_EQ(rt.chosenMenuIdCount, 1);
    EXPECT_EQ(rt.chosenMenuIds[0], 7u);
    for (uint32_t id = 100; id < 200; ++id) Send(host::WM_COMMAND, id);
    ASSERT_EQ(rt.chosenMenuIdCount, orvik::kChosenMenuIdCount);
    EXPECT_EQ(rt.chosenMenuIds[63], 162u);
}

TEST_F(WindowTest, FullScreenIsRefusedForASizeTheDisplayLacks) {
    host::SetDisplayModes({{800, 600, 32, 60}});
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_EQ(orvik::ChangeWindowMode(0), -1);
    EXPECT_EQ(orvik::IsWindowMode(), 1);
}

std::vector<std::string> NumberedNames(int from, int count) {
    std::vector<std::string> names;
    for (int i = from; i < from + count; ++i) names.push_back("C:\\drop\\file" + std::to_string(i) + ".png");
    return names;
}

TEST_F(WindowTest, DroppedFilesKeepTheFirstThousandNamesAndTheDropIsGivenBack) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    const orvik::DroppedFilesState& dropped = orvik::DroppedFiles();
    size_t open = host::CountOpenDrops();
    EXPECT_EQ(Send(host::WM_DROPFILES, host::WPARAM(host::MakeDrop(NumberedNames(0, 3)))), 0);
    ASSERT_EQ(dropped.count, 3);
    EXPECT_STREQ(dropped.names[2], "C:\\drop\\file2.png");
    Send(host::WM_DROPFILES, host::WPARAM(host::MakeDrop(NumberedNames(3, 1200))));
    ASSERT_EQ(dropped.count, orvik::kMaxDroppedFiles);
    EXPECT_STREQ(dropped.names[3], "C:\\drop\\file3.png");
    EXPECT_STREQ(dropped.names[999], "C:\\drop\\file999.png");
    // With the list full a further drop stores nothing but is still given back.
    Send(host::WM_DROPFILES, host::WPARAM(host::MakeDrop(NumberedNames(5000, 1))));
    EXPECT_EQ(dropped.count, orvik::kMaxDroppedFiles);
    EXPECT_EQ(host::CountOpenDrops(), open);
}

TEST_F(WindowTest, ClosingTheWindowFreesTheDroppedNames) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    Send(host::WM_DROPFILES, host::WPARAM(host::MakeDrop(NumberedNames(0, 2))));
    ASSERT_EQ(orvik::DroppedFiles().count, 2);
    ASSERT_EQ(orvik::EndLibrary(), 0);
    EXPECT_EQ(orvik::DroppedFiles().count, 0);
    EXPECT_EQ(orvik::DroppedFiles().names[0], nullptr);
    // The leak dump written at shutdown lists no block of the list.
    EXPECT_EQ(Log().find("opped_files.cpp"), std::string::npos);  // the dump keeps 15 characters
}

}  // namespace
}  // namespace orvik_test
