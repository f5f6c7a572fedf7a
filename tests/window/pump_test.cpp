// The message pump: its budget of five messages, the end of the program, and the wait
// while the window is inactive.
#include <thread>

#include "../support/bounded_wait.h"
#include "engine_fixture.h"

namespace orvik_test {
namespace {

using orvik::PumpMessages;

class PumpTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_EQ(orvik::InitLibrary(), 0);
        DrainQueue();
        // Graphics start-up measured the display's refresh on the clock; one pump brings
        // the keyboard refresh up to the present time, so it does not pump again below.
        PumpMessages();
    }
};

TEST_F(PumpTest, EmptyQueueWithActiveWindowReturnsAtOnce) {
    int64_t before = host::NowMicroseconds();
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(host::NowMicroseconds(), before);  // no sleep on the manual clock
}

TEST_F(PumpTest, TwelveMessagesAreHandledFiveFiveTwo) {
    for (int i = 0; i < 12; ++i) host::PostMessageA(MainWindow(), host::WM_USER + 1, 0, 0);
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(host::CountQueuedMessages(), 7u);
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(host::CountQueuedMessages(), 2u);
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(host::CountQueuedMessages(), 0u);
}

TEST_F(PumpTest, ThreadMessagesCountAgainstTheBudgetToo) {
    for (int i = 0; i < 3; ++i) host::PostThreadMessageA(host::GetCurrentThreadId(), host::WM_USER + 2, 0, 0);
    for (int i = 0; i < 4; ++i) host::PostMessageA(MainWindow(), host::WM_USER + 1, 0, 0);
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(host::CountQueuedMessages(), 2u);
}

TEST_F(PumpTest, QuitMessageEndsThisAndEveryLaterPump) {
    host::PostMessageA(MainWindow(), host::WM_USER + 1, 0, 0);
    host::PostQuitMessage(0);
    EXPECT_EQ(PumpMessages(), -1);
    EXPECT_EQ(orvik::GetQuitFlag(), 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(PumpMessages(), -1);
}

TEST_F(PumpTest, ClosingTheWindowEndsEveryPump) {
    host::RequestWindowClose();  // the user closed the backend's window
    EXPECT_EQ(PumpMessages(), -1);
    EXPECT_FALSE(host::IsWindow(MainWindow()));
    EXPECT_EQ(orvik::Window().rt.destroyed, 1);
    EXPECT_NE(Log().find("ウインドウを閉じようとしています"), std::string::npos);
    EXPECT_NE(Log().find("ソフトを終了する準備が整いました"), std::string::npos);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(PumpMessages(), -1);
    EXPECT_EQ(orvik::EndLibrary(), 0);
    EXPECT_FALSE(host::IsClassRegistered("Q123987Z"));
}

TEST_F(PumpTest, InactiveWindowHoldsThePumpUntilActiveAgain) {
    host::SetApplicationFocus(false);
    ASSERT_EQ(orvik::IsMainWindowActive(), 0);
    int64_t start = host::NowMicroseconds();
    // Another thread gives the focus back once the pump has waited a few passes.
    std::thread user([start] {
        WaitUntil([start] { return host::NowMicroseconds() - start >= 100000; });
        host::SetApplicationFocus(true);
    });
    EXPECT_EQ(PumpMessages(), 0);
    user.join();
    EXPECT_EQ(orvik::IsMainWindowActive(), 1);
    EXPECT_GE(host::NowMicroseconds() - start, 100000);
}

TEST_F(PumpTest, RunInBackgroundKeepsThePumpGoingWhileInactive) {
    orvik::SetRunInBackground(1);
    host::SetApplicationFocus(false);
    ASSERT_EQ(orvik::IsMainWindowActive(), 0);
    int64_t start = host::NowMicroseconds();
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(host::NowMicroseconds(), start);
    // While inactive with run-in-background in a window, reading a key does not wait.
    EXPECT_EQ(orvik::IsKeyHeld(orvik::KEY_Z), 0);
    EXPECT_EQ(host::NowMicroseconds(), start);
}

TEST_F(PumpTest, FullScreenHoldsReadsWhileInactiveEvenWithRunInBackground) {
    orvik::SetRunInBackground(1);
    ASSERT_EQ(orvik::ChangeWindowMode(0), 0);
    host::SetApplicationFocus(false);
    ASSERT_EQ(orvik::IsMainWindowActive(), 0);
    int64_t start = host::NowMicroseconds();
    std::thread user([start] {
        WaitUntil([start] { return host::NowMicroseconds() - start >= 50000; });
        host::SetApplicationFocus(true);
    });
    EXPECT_EQ(orvik::IsKeyHeld(orvik::KEY_Z), 0);
    user.join();
    EXPECT_EQ(orvik::IsMainWindowActive(), 1);
    EXPECT_GE(host::NowMicroseconds() - start, 50000);
}

TEST_F(PumpTest, InactiveWindowWaitsOutTheCloseOfShutdown) {
    host::SetApplicationFocus(false);
    // The WM_CLOSE that shutdown posts lets the pump out of its wait.
    EXPECT_EQ(orvik::EndLibrary(), 0);
    EXPECT_EQ(host::FindWindowA("Q123987Z", nullptr), nullptr);
}

TEST_F(PumpTest, TimersArriveThroughThePump) {
    int fired = 0;
    static int* counter;
    counter = &fired;
    host::SetTimer(MainWindow(), 77, 32, [](host::HWND, uint32_t, uintptr_t id, uint32_t) {
        if (id == 77) ++*counter;
    });
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(fired, 0);
    host::AdvanceManualClock(32000);
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(fired, 1);  // not due again until another 32 ms have passed
    host::KillTimer(MainWindow(), 77);
}

}  // namespace
}  // namespace orvik_test
