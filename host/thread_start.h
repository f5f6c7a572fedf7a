// Starting a thread where the system may refuse one (no memory left for its stack, the
// process's threads used up): the refusal is a failure result, as the platform's
// CreateThread returns no handle, never an exception. Every thread of the host and the
// engine starts here, so that a test can make the starts fail.
#pragma once
#include <new>
#include <system_error>
#include <utility>

namespace host {

// Whether a thread may start now: false while a test refuses starts (and counts one that
// may otherwise).
bool MayStartThread();

// Starts `work` on `thread`, a std::thread or std::jthread that runs nothing: true, or
// false with nothing started and `thread` as it was.
template <class Thread, class Work>
bool StartThread(Thread& thread, Work&& work) {
    if (!MayStartThread()) return false;
    try {
        thread = Thread(std::forward<Work>(work));
        return true;
    } catch (const std::system_error&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// For tests: threads fail to start once `after` more have started, until this is called
// again (-1: none fail), as when the system has no memory left for a thread's stack.
void SetThreadStartFails(int after);

}  // namespace host
