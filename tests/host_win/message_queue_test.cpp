// Message queues: order, filters, WM_QUIT, sent messages across threads, WM_PAINT and
// timers.
#include <thread>

#include "../support/bounded_wait.h"
#include "host/sync.h"
#include "host_fixture.h"

namespace host_test {
namespace {

using namespace host;

class MessageQueueTest : public HostTest {};

TEST_F(MessageQueueTest, PostedMessagesComeInOrderAndFiltersPickTheirOwn) {
    HWND w = MakeWindow();
    UpdateWindow(w);  // paints now, so no WM_PAINT waits
    PostMessageA(w, WM_USER + 1, 1, 0);
    PostThreadMessageA(GetCurrentThreadId(), WM_USER + 2, 2, 0);
    PostMessageA(w, WM_USER + 3, 3, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, HandleFromId<HWND>(uintptr_t(-1)), 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 2u);  // -1: only messages without a window
    EXPECT_EQ(m.hwnd, nullptr);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER + 3, WM_USER + 3, PM_NOREMOVE));
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_EQ(CountQueuedMessages(), 2u);
    ASSERT_TRUE(PeekMessageA(&m, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 1u);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 3u);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, QuitComesAfterPostedMessagesAndOnlyOnce) {
    HWND w = MakeWindow();
    UpdateWindow(w);
    PostQuitMessage(3);
    PostMessageA(w, WM_USER, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, SentMessageFromAnotherThreadRunsOnTheOwnerWhenItLooks) {
    HWND w = MakeWindow();
    UpdateWindow(w);
    Received().clear();
    std::atomic<LRESULT> answer{-5};
    std::thread other([&] { answer = SendMessageA(w, WM_NCHITTEST, 0, 0); });
    EXPECT_TRUE(orvik_test::WaitUntil([&] { return CountQueuedMessages() == 1; }));
    EXPECT_EQ(answer.load(), -5);  // not answered until the owner looks at its queue
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));  // dispatched, not returned
    other.join();
    EXPECT_EQ(answer.load(), HTCLIENT);
    ASSERT_EQ(Received().size(), 1u);
    EXPECT_TRUE(LastThread());
}

TEST_F(MessageQueueTest, InvalidWindowGetsPaintUntilItIsPainted) {
    MakeWindow();
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_PAINT);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));  // still invalid: again
    EXPECT_EQ(m.message, WM_PAINT);
    DispatchMessageA(&m);  // the default handling paints
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, TimersFireOnTheClockAndStopWhenKilled) {
    HWND w = MakeWindow();
    UpdateWindow(w);
    ASSERT_EQ(SetTimer(w, 5, 100, nullptr), 5u);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    AdvanceManualClock(100000);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.wParam, 5u);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    AdvanceManualClock(100000);
    EXPECT_TRUE(KillTimer(w, 5));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(KillTimer(w, 5));
}

TEST_F(MessageQueueTest, PostingToAGoneWindowOrUnknownThreadFails) {
    HWND w = MakeWindow();
    ASSERT_TRUE(DestroyWindow(w));
    EXPECT_FALSE(PostMessageA(w, WM_USER, 0, 0));
    EXPECT_FALSE(PostThreadMessageA(0x7FFFFFF0u, WM_USER, 0, 0));
    EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 0);
}

TEST_F(MessageQueueTest, ForgedTimerMessageDoesNotCallAnAddress) {
    HWND w = MakeWindow();
    UpdateWindow(w);
    MSG m;
    m.hwnd = w;
    m.message = WM_TIMER;
    m.wParam = 9;
    m.lParam = 0x1234;  // no timer of this window has such a procedure
    Received().clear();
    DispatchMessageA(&m);
    ASSERT_EQ(Received().size(), 1u);
    EXPECT_EQ(Received()[0], WM_TIMER);
}

}  // namespace
}  // namespace host_test
