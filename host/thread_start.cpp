#include "host/thread_start.h"

#include <atomic>

namespace host {

namespace {

std::atomic<int> g_startsBeforeFailure{-1};  // -1: every start may go ahead

}  // namespace

bool MayStartThread() {
    int left = g_startsBeforeFailure.load();
    while (left > 0 && !g_startsBeforeFailure.compare_exchange_weak(left, left - 1)) {
    }
    return left != 0;
}

void SetThreadStartFails(int after) { g_startsBeforeFailure = after; }

}  // namespace host
