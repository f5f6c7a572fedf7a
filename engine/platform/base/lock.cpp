#include "engine/platform/base/lock.h"

#include <mutex>

#include "engine/platform/base/log.h"

namespace orvik {

namespace {

LibraryLockState g_lock;

std::mutex g_creation;

void CreateOnFirstUse() {
    if (g_lock.created) return;
    std::lock_guard guard(g_creation);
    if (g_lock.created) return;
    for (LibraryLockWaiter& w : g_lock.queue) w.event = host::CreateEvent(true, false);
    host::InitializeCriticalSection(&g_lock.section);
    g_lock.created = 1;
}

// The head leaves the queue: everyone behind moves up a slot with their event, and the
// head's event goes to the freed last slot.
void RemoveHead() {
    const int32_t n = g_lock.queueLength;
    const host::HANDLE headEvent = g_lock.queue[0].event;
    for (int32_t i = 1; i < n; ++i) g_lock.queue[i - 1] = g_lock.queue[i];
    g_lock.queue[n - 1] = LibraryLockWaiter{0, headEvent};
    g_lock.queueLength = n - 1;
}

int RefuseUnlock() {
    AddLogText("ライブラリのロックを持っていないスレッドが解除しようとしました in UnlockLibrary\n");
    return -1;
}

}  // namespace

void LockLibrary() {
    CreateOnFirstUse();
    const uint32_t me = host::GetCurrentThreadId();
    for (;;) {
        host::EnterCriticalSection(&g_lock.section);
        const int32_t n = g_lock.queueLength;
        bool take = false;
        bool asHead = false;
        if (g_lock.owner == me) {
            take = true;
        } else if (!g_lock.locked) {
            take = n == 0;
            asHead = n > 0 && g_lock.queue[0].threadId == me;
            take = take || asHead;
        }
        if (take) {
            if (asHead) RemoveHead();
            ++g_lock.count;
            g_lock.locked = 1;
            g_lock.owner = me;
            host::LeaveCriticalSection(&g_lock.section);
            return;
        }
        if (n < kLibraryLockQueueSize) {
            // The event is taken here, under the critical section: by the time this thread
            // waits, the entries may have moved up, but its event moves with its entry.
            LibraryLockWaiter& slot = g_lock.queue[n];
            slot.threadId = me;
            const host::HANDLE event = slot.event;
            g_lock.queueLength = n + 1;
            host::LeaveCriticalSection(&g_lock.section);
            host::WaitForSingleObject(event, host::INFINITE);
            host::ResetEvent(event);
        } else {
            host::LeaveCriticalSection(&g_lock.section);
            host::Sleep(1);
        }
    }
}

int UnlockLibrary() {
    if (!g_lock.created) return RefuseUnlock();
    const uint32_t me = host::GetCurrentThreadId();
    host::EnterCriticalSection(&g_lock.section);
    if (!g_lock.locked || g_lock.owner != me) {
        host::LeaveCriticalSection(&g_lock.section);
        return RefuseUnlock();
    }
    host::HANDLE wake = nullptr;
    if (g_lock.count == 1) {
        g_lock.locked = 0;
        g_lock.owner = kLockNoOwner;
        if (g_lock.queueLength > 0) wake = g_lock.queue[0].event;
    }
    --g_lock.count;
    host::LeaveCriticalSection(&g_lock.section);
    if (wake) {
        host::SetEvent(wake);
        host::Sleep(0);
    }
    return 0;
}

void FreeLibraryLock() {
    std::lock_guard guard(g_creation);
    if (!g_lock.created) return;
    g_lock.created = 0;
    for (LibraryLockWaiter& w : g_lock.queue) {
        host::CloseHandle(w.event);
        w = LibraryLockWaiter{};
    }
    host::DeleteCriticalSection(&g_lock.section);
    g_lock.locked = 0;
    g_lock.owner = kLockNoOwner;
    g_lock.count = 0;
    g_lock.queueLength = 0;
}

LibraryLockSnapshot InspectLibraryLock() {
    CreateOnFirstUse();
    host::EnterCriticalSection(&g_lock.section);
    const LibraryLockSnapshot s{g_lock.owner, g_lock.count, g_lock.queueLength,
                                g_lock.queueLength > 0 ? g_lock.queue[0].threadId : 0};
    host::LeaveCriticalSection(&g_lock.section);
    return s;
}

}  // namespace orvik
