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

}  // namespace orvik_test
