#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/platform/base/lock.h"
#include "host/sync.h"
#include "tests/support/bounded_wait.h"
#include "tests/support/temp_log.h"

namespace {

// Waits (bounded) until the lock's queue holds n threads.
bool QueueReaches(int n) {
    return orvik_test::WaitUntil([n] { return orvik::InspectLibraryLock().queueLength == n; });
}

class LockTest : public ::testing::Test {
protected:
    void TearDown() override { orvik::FreeLibraryLock(); }
};

TEST_F(LockTest, OwnerMayTakeItAgainAndReleasesOnlyAtTheLastLevel) {
    orvik::LockLibrary();
    orvik::LockLibrary();
    orvik::LockLibrary();
    EXPECT_EQ(orvik::InspectLibraryLock().count, 3);

    host::HANDLE got = host::CreateEvent(true, false);
    std::thread other([&] {
        orvik::LockLibrary();
        host::SetEvent(got);
        orvik::UnlockLibrary();
    });
    ASSERT_TRUE(QueueReaches(1));
    orvik::UnlockLibrary();
    orvik::UnlockLibrary();
    EXPECT_EQ(host::WaitForSingleObject(got, 0), host::WAIT_TIMEOUT);
    EXPECT_EQ(orvik::InspectLibraryLock().owner, host::GetCurrentThreadId());
    orvik::UnlockLibrary();
    EXPECT_EQ(host::WaitForSingleObject(got, 10000), host::WAIT_OBJECT_0);
    other.join();
    host::CloseHandle(got);
    EXPECT_EQ(orvik::InspectLibraryLock().owner, orvik::kLockNoOwner);
}

TEST_F(LockTest, WaitersAreServedInArrivalOrderAndOnlyTheHeadWakes) {
    orvik::LockLibrary();
    std::mutex orderMutex;
    std::vector<int> order;
    std::vector<uint32_t> ids(3);
    std::vector<host::HANDLE> holding(3), release(3);
    std::vector<std::thread> threads;
    for (int i = 0; i < 3; ++i) {
        holding[i] = host::CreateEvent(true, false);
        release[i] = host::CreateEvent(true, false);
        threads.emplace_back([&, i] {
            ids[i] = host::GetCurrentThreadId();
            orvik::LockLibrary();
            {
                std::lock_guard g(orderMutex);
                order.push_back(i);
            }
            host::SetEvent(holding[i]);
            host::WaitForSingleObject(release[i], 10000);
            orvik::UnlockLibrary();
        });
        // Each thread is queued before the next one starts.
        ASSERT_TRUE(QueueReaches(i + 1));
    }
    orvik::UnlockLibrary();
    ASSERT_EQ(host::WaitForSingleObject(holding[0], 10000), host::WAIT_OBJECT_0);
    // The head holds the lock; the two behind it still wait, in order.
    orvik::LibraryLockSnapshot s = orvik::InspectLibraryLock();
    EXPECT_EQ(s.owner, ids[0]);
    EXPECT_EQ(s.queueLength, 2);
    EXPECT_EQ(s.head, ids[1]);
    EXPECT_EQ(host::WaitForSingleObject(holding[1], 0), host::WAIT_TIMEOUT);

    for (int i = 0; i < 3; ++i) host::SetEvent(release[i]);
    for (auto& t : threads) t.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    for (int i = 0; i < 3; ++i) {
        host::CloseHandle(holding[i]);
        host::CloseHandle(release[i]);
    }
}

TEST_F(LockTest, UnlockByAThreadThatDoesNotHoldItIsRefused) {
    orvik_test::TempLog log;
    orvik::LockLibrary();
    int result = 0;
    std::thread intruder([&] { result = orvik::UnlockLibrary(); });
    intruder.join();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(orvik::InspectLibraryLock().owner, host::GetCurrentThreadId());
    EXPECT_EQ(orvik::InspectLibraryLock().count, 1);
    EXPECT_NE(log.Read().find("in UnlockLibrary"), std::string::npos);
    EXPECT_EQ(orvik::UnlockLibrary(), 0);
    EXPECT_EQ(orvik::UnlockLibrary(), -1);
}

TEST_F(LockTest, ManyThreadsEachGetExclusiveUse) {
    int counter = 0;
    std::atomic<int> inside{0};
    std::atomic<bool> overlap{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                orvik::LockLibrary();
                if (inside.fetch_add(1) != 0) overlap = true;
                ++counter;
                inside.fetch_sub(1);
                orvik::UnlockLibrary();
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_FALSE(overlap);
    EXPECT_EQ(counter, 1600);
}

}  // namespace
