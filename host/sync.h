// Kernel synchronisation objects over the standard library: events, threads and
// critical sections, with the calls and wait results the engine expects.
#pragma once
#include <cstdint>
#include <mutex>

namespace host {

// A handle names a kernel object (an event or a thread); it is an opaque key into a
// registry, so a stale or made-up handle is refused instead of dereferenced.
struct KernelObjectTag;
using HANDLE = KernelObjectTag*;

constexpr uint32_t INFINITE = 0xFFFFFFFFu;
constexpr uint32_t WAIT_OBJECT_0 = 0;
constexpr uint32_t WAIT_TIMEOUT = 0x102;
constexpr uint32_t WAIT_FAILED = 0xFFFFFFFFu;
constexpr uint32_t STILL_ACTIVE = 0x103;

constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;

// Events: manual-reset events stay signalled until ResetEvent; auto-reset events let one
// waiter through and fall back to non-signalled.
HANDLE CreateEvent(bool manualReset, bool initialState);
bool SetEvent(HANDLE event);
bool ResetEvent(HANDLE event);

// Waits on an event or a thread (signalled once the thread has returned). Time-outs are
// real milliseconds whatever clock is in use; INFINITE waits for ever.
uint32_t WaitForSingleObject(HANDLE object, uint32_t milliseconds);

// Closing a thread handle joins the thread: every thread is finished before the handle
// that owns it goes away.
bool CloseHandle(HANDLE object);

using ThreadProc = uint32_t (*)(void* parameter);
// Starts the thread at once; *threadId (when given) receives its id. Null when the
// system refuses a thread.
HANDLE CreateThread(ThreadProc proc, void* parameter, uint32_t* threadId);
bool GetExitCodeThread(HANDLE thread, uint32_t* exitCode);
bool SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);  // THREAD_PRIORITY_NORMAL for a bad handle

// A small id of the calling thread, never 0 and never 0xFFFFFFFF.
uint32_t GetCurrentThreadId();

// Gives up the processor for the given milliseconds (0 only yields). While the manual
// clock is on, the wait is virtual: the clock moves forward by that much instead.
void Sleep(uint32_t milliseconds);

// A re-entrant lock for its holder.
struct CRITICAL_SECTION {
    std::recursive_mutex mutex;
};
void InitializeCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);

}  // namespace host
