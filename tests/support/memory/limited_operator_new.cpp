// The program's operator new and delete over malloc and free, with a size limit a test may
// set and one request it may make fail: the C++ heap can then run short on demand, as the
// engine's heap can.
#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/support/memory_shortage.h"

namespace {

std::atomic<size_t> g_newLimit{0};
std::atomic<size_t> g_failingRequest{0};  // 0: none
std::atomic<size_t> g_requests{0};        // since the failing request was set

void* Allocate(size_t bytes) noexcept {
    const size_t limit = g_newLimit.load(std::memory_order_relaxed);
    if (limit != 0 && bytes > limit) return nullptr;
    return std::malloc(bytes ? bytes : 1);
}

// Only the throwing forms count: a caller of the nothrow forms has said what a failure means.
void* AllocateOrThrow(size_t bytes) {
    const size_t failing = g_failingRequest.load(std::memory_order_relaxed);
    if (failing != 0 && ++g_requests == failing) throw std::bad_alloc();
    if (void* p = Allocate(bytes)) return p;
    throw std::bad_alloc();
}

}  // namespace

void orvik_test::SetOperatorNewLimit(size_t bytes) { g_newLimit = bytes; }

void orvik_test::FailOperatorNewRequest(size_t nth) {
    g_requests = 0;
    g_failingRequest = nth;
}

size_t orvik_test::OperatorNewRequests() { return g_requests; }

void* operator new(size_t bytes) { return AllocateOrThrow(bytes); }
void* operator new[](size_t bytes) { return AllocateOrThrow(bytes); }
void* operator new(size_t bytes, const std::nothrow_t&) noexcept { return Allocate(bytes); }
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept { return Allocate(bytes); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
