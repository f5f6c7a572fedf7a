// A platform call's work whose memory running short is an error code, as the system's
// own services report it, never an exception out of the call.
#pragma once
#include <new>

namespace host {

// The work's result, or `failed` when memory it needs cannot be had.
template <class Result, class Work>
Result UnlessOutOfMemory(Result failed, Work&& work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return failed;
    }
}

}  // namespace host
