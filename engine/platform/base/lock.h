// The library lock: recursive for its holder and fair to the others, who are served in
// the order they arrived, each waking on an event of its own.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>

#include "host/sync.h"

namespace orvik {

constexpr int kLibraryLockQueueSize = 4096;
constexpr uint32_t kLockNoOwner = 0xFFFFFFFFu;

struct LibraryLockWaiter {
    uint32_t threadId = 0;
    host::HANDLE event = nullptr;  // manual-reset; the slot's for the lock's whole life
};

struct LibraryLockState {
    std::atomic<int32_t> created{0};
    host::CRITICAL_SECTION section;
    int32_t locked = 0;
    uint32_t owner = kLockNoOwner;
    int32_t count = 0;
    std::array<LibraryLockWaiter, kLibraryLockQueueSize> queue{};
    int32_t queueLength = 0;
};

// Returns when the calling thread holds the lock.
void LockLibrary();
// Gives up one level of the caller's hold. -1 (logged) when the caller does not hold it.
int UnlockLibrary();
// Closes the events and the critical section; the next LockLibrary makes them anew.
void FreeLibraryLock();

// A snapshot of who holds the lock and who waits (tests and diagnostics).
struct LibraryLockSnapshot {
    uint32_t owner;
    int32_t count;
    int32_t queueLength;
    uint32_t head;  // the thread id at the front of the queue, 0 when none
};
LibraryLockSnapshot InspectLibraryLock();

}  // namespace orvik
