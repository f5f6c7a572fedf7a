// Where the engine's own containers running out of memory become a failure result: a
// public call runs its work through UnlessShortOfMemory, and a shortage inside gives the
// call's failure value and a log line naming the call and its file, never an exception
// out of the engine. The work frees what it took on the way (its owners are RAII).
#pragma once
#include <new>

namespace orvik {

// Logs that memory ran short in `function`, naming `path` when there is one.
void LogShortOfMemory(const char* function, const char* path);

template <typename Result, typename Work>
Result UnlessShortOfMemory(const char* function, const char* path, Result failed, Work&& work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        LogShortOfMemory(function, path);
        return failed;
    }
}

}  // namespace orvik
