// A shortage of memory, simulated: while one lives, every request for more than its bytes
// fails, from the engine's heap (host::SetHeapFailureSize) and from operator new alike. The
// program links tests/support/memory/limited_operator_new.cpp, whose operator new obeys it.
#pragma once
#include <cstddef>

#include "host/heap.h"

namespace orvik_test {

// Operator new fails (std::bad_alloc, or null for the nothrow forms) for requests of more
// than `bytes`; 0 lifts the limit.
void SetOperatorNewLimit(size_t bytes);
// The throwing forms of operator new fail the nth request from now on (1: the next), once;
// 0 lifts it. The requests since then are counted, so a test can learn how many a call
// makes (with a request number no call reaches) and then fail each of them in turn.
void FailOperatorNewRequest(size_t nth);
size_t OperatorNewRequests();

class MemoryShortage {
public:
    explicit MemoryShortage(size_t bytes) {
        host::SetHeapFailureSize(bytes);
        SetOperatorNewLimit(bytes);
    }
    ~MemoryShortage() {
        host::SetHeapFailureSize(0);
        SetOperatorNewLimit(0);
    }
    MemoryShortage(const MemoryShortage&) = delete;
    MemoryShortage& operator=(const MemoryShortage&) = delete;
};

// One failing request of operator new while it lives (see FailOperatorNewRequest).
class FailingRequest {
public:
    explicit FailingRequest(size_t nth) { FailOperatorNewRequest(nth); }
    ~FailingRequest() { FailOperatorNewRequest(0); }
    FailingRequest(const FailingRequest&) = delete;
    FailingRequest& operator=(const FailingRequest&) = delete;
};

}  // namespace orvik_test
