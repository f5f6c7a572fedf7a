#include <gtest/gtest.h>

#include <time.h>

#include <cstring>
#include <thread>

#include "host/clock.h"
#include "host/heap.h"
#include "host/sync.h"

namespace {

TEST(HostSyncTest, ManualAndAutoResetEvents) {
    host::HANDLE manual = host::CreateEvent(true, false);
    host::HANDLE automatic = host::CreateEvent(false, true);
    EXPECT_EQ(host::WaitForSingleObject(manual, 0), host::WAIT_TIMEOUT);
    host::SetEvent(manual);
    EXPECT_EQ(host::WaitForSingleObject(manual, 0), host::WAIT_OBJECT_0);
    EXPECT_EQ(host::WaitForSingleObject(manual, 0), host::WAIT_OBJECT_0);
    host::ResetEvent(manual);
    EXPECT_EQ(host::WaitForSingleObject(manual, 1), host::WAIT_TIMEOUT);
    // An auto-reset event lets exactly one wait through.
    EXPECT_EQ(host::WaitForSingleObject(automatic, 0), host::WAIT_OBJECT_0);
    EXPECT_EQ(host::WaitForSingleObject(automatic, 0), host::WAIT_TIMEOUT);
    EXPECT_TRUE(host::CloseHandle(manual));
    EXPECT_TRUE(host::CloseHandle(automatic));
    // Closed or made-up handles are refused, not followed.
    EXPECT_FALSE(host::CloseHandle(manual));
    EXPECT_FALSE(host::SetEvent(manual));
    EXPECT_EQ(host::WaitForSingleObject(manual, 0), host::WAIT_FAILED);
    EXPECT_EQ(host::WaitForSingleObject(reinterpret_cast<host::HANDLE>(uintptr_t(0x1234567)), 0),
              host::WAIT_FAILED);
}

struct Handshake {
    host::HANDLE go;
    uint32_t seenId;
};

uint32_t WaitForGo(void* parameter) {
    auto* h = static_cast<Handshake*>(parameter);
    h->seenId = host::GetCurrentThreadId();
    return host::WaitForSingleObject(h->go, 10000) == host::WAIT_OBJECT_0 ? 42 : 7;
}

TEST(HostSyncTest, ThreadsRunSignalWhenDoneAndKeepTheirExitCode) {
    Handshake h{host::CreateEvent(true, false), 0};
    uint32_t id = 0;
    host::HANDLE thread = host::CreateThread(WaitForGo, &h, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, host::GetCurrentThreadId());
    uint32_t code = 0;
    EXPECT_TRUE(host::GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, host::STILL_ACTIVE);
    EXPECT_EQ(host::WaitForSingleObject(thread, 0), host::WAIT_TIMEOUT);
    EXPECT_TRUE(host::SetThreadPriority(thread, host::THREAD_PRIORITY_TIME_CRITICAL));
    EXPECT_EQ(host::GetThreadPriority(thread), host::THREAD_PRIORITY_TIME_CRITICAL);
    host::SetEvent(h.go);
    EXPECT_EQ(host::WaitForSingleObject(thread, 10000), host::WAIT_OBJECT_0);
    EXPECT_TRUE(host::GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_EQ(h.seenId, id);
    EXPECT_TRUE(host::CloseHandle(thread));
    EXPECT_FALSE(host::SetEvent(thread));
    host::CloseHandle(h.go);
    EXPECT_EQ(host::CreateThread(nullptr, nullptr, nullptr), nullptr);
}

TEST(HostSyncTest, SleepOnTheManualClockMovesItInstead) {
    host::UseManualClock(true);
    host::SetManualClock(0);
    host::Sleep(24);
    EXPECT_EQ(host::timeGetTime(), 24u);
    EXPECT_EQ(host::ReadTimeStampCounter(), 24000000u);
    host::UseManualClock(false);
}

// A thread waiting for the manual clock to reach a time sleeps until it is moved, woken
// by the move rather than by looking again and again.
TEST(HostSyncTest, AWaitForTheManualClockEndsWhenAnotherThreadMovesIt) {
    auto seconds = [] {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
    };
    host::UseManualClock(true);
    const uint64_t seen = host::ManualClockMoves();
    const double start = seconds();
    std::thread mover([] { host::AdvanceManualClock(40000); });
    host::WaitForManualClockMove(seen, 20000000);  // twenty seconds at most
    EXPECT_LT(seconds() - start, 10.0);
    EXPECT_NE(host::ManualClockMoves(), seen);
    mover.join();
    host::UseManualClock(false);
}

TEST(HostHeapTest, ZeroFillCoversTheGrownTailAndLimitsFailRequests) {
    host::HeapHandle heap = host::GetProcessHeap();
    auto* block = static_cast<unsigned char*>(host::HeapAlloc(heap, 0, 10));
    ASSERT_NE(block, nullptr);
    std::memset(block, 0xEE, 10);
    EXPECT_EQ(host::HeapSize(heap, 0, block), 10u);
    block = static_cast<unsigned char*>(host::HeapReAlloc(heap, host::HEAP_ZERO_MEMORY, block, 5000));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(host::HeapSize(heap, 0, block), 5000u);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(block[i], 0xEE);
    for (int i = 10; i < 5000; ++i) ASSERT_EQ(block[i], 0) << i;

    host::SetHeapFailureSize(100);
    EXPECT_EQ(host::HeapAlloc(heap, 0, 101), nullptr);
    EXPECT_EQ(host::HeapReAlloc(heap, 0, block, 6000), nullptr);
    host::SetHeapFailureSize(0);
    EXPECT_EQ(host::HeapSize(heap, 0, block), 5000u);  // the failed resize left it alone
    EXPECT_EQ(host::HeapAlloc(heap, 0, SIZE_MAX), nullptr);
    EXPECT_EQ(host::HeapReAlloc(heap, 0, nullptr, 8), nullptr);
    EXPECT_TRUE(host::HeapFree(heap, 0, block));
    EXPECT_TRUE(host::HeapFree(heap, 0, nullptr));
}

}  // namespace
