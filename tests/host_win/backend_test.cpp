// Backends and their selection, the display clock, captured frames, the instance lock and
// window geometry.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "host/backends/display_clock.h"
#include "host/backends/picture_placement.h"
#include "host/win/system/instance_lock.h"
#include "host_fixture.h"

namespace host_test {
namespace {

using namespace host;

class BackendTest : public HostTest {};

TEST_F(BackendTest, SelectionFollowsOrvikHostAndExplainsAMissingDisplay) {
    std::string error;
    ::setenv("ORVIK_HOST", "vulkan", 1);
    EXPECT_FALSE(SelectBackend(&error));
    EXPECT_NE(error.find("names no backend"), std::string::npos);
    ::setenv("ORVIK_HOST", "headless", 1);
    EXPECT_TRUE(SelectBackend(&error));
    ::unsetenv("ORVIK_HOST");
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    error.clear();
    EXPECT_FALSE(SelectBackend(&error));
    EXPECT_NE(error.find("ORVIK_HOST=headless"), std::string::npos);
    ASSERT_NE(FindBackend("sdl"), nullptr);
    EXPECT_TRUE(FindBackend("sdl")->caps & kBackendHasDisplay);
    EXPECT_FALSE(FindBackend("headless")->caps & kBackendHasDisplay);
    EXPECT_EQ(FindBackend("none"), nullptr);
}

TEST_F(BackendTest, WithoutABackendNoTopLevelWindowIsMade) {
    StopBackend();
    ::unsetenv("ORVIK_HOST");
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::testing::internal::CaptureStderr();
    host::WNDCLASSEXA wc;
    wc.lpfnWndProc = &Proc;
    wc.lpszClassName = "Lonely";
    RegisterClassExA(&wc);
    EXPECT_EQ(CreateWindowExA(0, "Lonely", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(CreateWindowExA(0, "Lonely", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("no display found"), std::string::npos);
    EXPECT_EQ(said.find("no display found"), said.rfind("no display found"));  // said once
    EXPECT_TRUE(UseBackend("headless"));
}

TEST_F(BackendTest, VerticalBlankIsASteadySixtyHertzOnTheHostClock) {
    EXPECT_EQ(VerticalBlankPeriodMicros(), 16666);
    EXPECT_EQ(NextVerticalBlankMicros(16666), 16666);
    EXPECT_EQ(NextVerticalBlankMicros(16667), 33332);
    SetManualClock(20000);
    EXPECT_EQ(WaitForNextVerticalBlank(), 33332);
    EXPECT_EQ(NowMicroseconds(), 33332);
    EXPECT_EQ(WaitForNextVerticalBlank(), 49998);  // a wait on a blank waits a whole period
}

// A wait on the real clock asks the scheduler for a short time slice while it sleeps;
// the thread keeps the priority it had (a program run with nice stays so).
TEST_F(BackendTest, AVerticalBlankWaitLeavesTheThreadsPriorityAsItWas) {
    UseManualClock(false);
    int after = 0;
    std::thread waiter([&after] {
        setpriority(PRIO_PROCESS, gettid(), 7);  // this thread alone
        WaitForNextVerticalBlank();
        after = getpriority(PRIO_PROCESS, gettid());
    });
    waiter.join();
    EXPECT_EQ(after, 7);
}

TEST_F(BackendTest, HeadlessCapturesPresentedFramesRowByRow) {
    const Backend* b = ActiveBackend();
    ASSERT_STREQ(b->name, "headless");
    uint32_t pixels[2 * 3] = {1, 2, 0xDEAD, 3, 4, 0xBEEF};  // pitch of three pixels
    ASSERT_TRUE(b->present(pixels, 2, 2, 12));
    headless::Frame f = headless::LastFrame();
    ASSERT_EQ(f.pixels.size(), 4u);
    EXPECT_EQ(f.pixels[2], 3u);
    EXPECT_EQ(f.pixels[3], 4u);
    EXPECT_FALSE(b->present(pixels, 2, 2, 4));  // pitch shorter than a row
    headless::SetPresentFails(true);
    EXPECT_FALSE(b->present(pixels, 2, 2, 12));
    EXPECT_EQ(headless::PresentedFrameCount(), 1);
}

TEST_F(BackendTest, InstanceLockIsSeenOnlyWhileHeldAndOnlyWithARuntimeDirectory) {
    SetRuntimeDirectory("");
    EXPECT_EQ(InstanceLock::Acquire("Game"), nullptr);
    EXPECT_FALSE(InstanceLock::HeldElsewhere("Game"));
    char pattern[] = "/tmp/orvik_lock_XXXXXX";
    std::string dir = ::mkdtemp(pattern);
    SetRuntimeDirectory(dir);
    {
        auto lock = InstanceLock::Acquire("ゲーム/../x");
        ASSERT_NE(lock, nullptr);
        EXPECT_TRUE(InstanceLock::HeldElsewhere("ゲーム/../x"));
        EXPECT_FALSE(InstanceLock::HeldElsewhere("ゲーム"));
        EXPECT_EQ(InstanceLock::Acquire("ゲーム/../x"), nullptr);
    }
    EXPECT_FALSE(InstanceLock::HeldElsewhere("ゲーム/../x"));
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir)) files += e.is_regular_file();
    EXPECT_EQ(files, 1u);  // the odd name stayed one file inside the directory
    std::filesystem::remove_all(dir);
    SetRuntimeDirectory("");
}

TEST_F(BackendTest, WindowGeometryAndItsMessages) {
    HWND w = MakeWindow();
    RECT r{0, 0, 640, 480};
    AdjustWindowRectEx(&r, WS_POPUP | WS_CAPTION, 0, WS_EX_CLIENTEDGE);
    EXPECT_EQ(r.left, -5);
    EXPECT_EQ(r.top, -25);
    EXPECT_EQ(r.right, 645);
    Received().clear();
    ASSERT_TRUE(MoveWindow(w, 100, 50, 300, 200, 1));
    ASSERT_EQ(Received().size(), 2u);
    EXPECT_EQ(Received()[0], WM_SIZE);
    EXPECT_EQ(Received()[1], WM_MOVE);
    RECT c;
    GetClientRect(w, &c);
    EXPECT_EQ(c.right, 300 - 6);
    EXPECT_EQ(c.bottom, 200 - 23 - 3);
    POINT p{0, 0};
    ClientToScreen(w, &p);
    EXPECT_EQ(p.x, 103);
    EXPECT_EQ(p.y, 73);
    EXPECT_EQ(headless::WindowWidth(), 300 - 6);  // the backend shows the client area
    EXPECT_FALSE(CreateWindowExA(0, "NoClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    EXPECT_FALSE(UnregisterClassA("TestClass", nullptr));  // still used by a window
    DestroyWindow(w);
    EXPECT_TRUE(UnregisterClassA("TestClass", nullptr));
}

TEST_F(BackendTest, FocusAndMinimiseReachTheWindowAsActivationMessages) {
    HWND w = MakeWindow();
    EXPECT_EQ(GetActiveWindow(), w);
    Received().clear();
    SetApplicationFocus(false);
    ASSERT_EQ(Received().size(), 2u);
    EXPECT_EQ(Received()[0], WM_ACTIVATEAPP);
    EXPECT_EQ(Received()[1], WM_ACTIVATE);
    EXPECT_EQ(GetActiveWindow(), nullptr);
    SetApplicationFocus(true);
    EXPECT_EQ(GetActiveWindow(), w);
    SetApplicationMinimized(true);
    EXPECT_TRUE(IsIconic(w));
    EXPECT_EQ(GetActiveWindow(), nullptr);
    SetApplicationMinimized(false);
    EXPECT_EQ(GetActiveWindow(), w);
    RequestWindowClose();
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, w, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    DispatchMessageA(&m);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(headless::IsWindowOpen());
}

}  // namespace
}  // namespace host_test

namespace host_test {
namespace {

TEST(PicturePlacementTest, WholeMultiplesWhenTheyFitElseTheShapeKept) {
    struct Case {
        int ww, wh, x, y, w, h;
    } cases[] = {
        {640, 480, 0, 0, 640, 480},      {1280, 960, 0, 0, 1280, 960},    {1920, 1080, 320, 60, 1280, 960},
        {1300, 1000, 10, 20, 1280, 960}, {2000, 1440, 40, 0, 1920, 1440}, {320, 480, 0, 120, 320, 240},
        {600, 200, 167, 0, 266, 200},    {0, 480, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        host::PicturePlacement p = host::PlacePicture(640, 480, c.ww, c.wh);
        EXPECT_EQ(p.x, c.x) << c.ww << "x" << c.wh;
        EXPECT_EQ(p.y, c.y) << c.ww << "x" << c.wh;
        EXPECT_EQ(p.width, c.w) << c.ww << "x" << c.wh;
        EXPECT_EQ(p.height, c.h) << c.ww << "x" << c.wh;
    }
}

}  // namespace
}  // namespace host_test
