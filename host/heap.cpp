#include "host/heap.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace host {

struct HeapTag {};

namespace {

// Each block carries its requested size in front, so that a zero-filling resize knows
// where the grown tail starts. 16 bytes keep the caller's pointer aligned as malloc's.
constexpr size_t kPrefix = 16;

std::atomic<size_t> g_failAbove{0};

HeapTag g_processHeap;

bool Refused(HeapHandle heap, size_t bytes) {
    const size_t limit = g_failAbove.load();
    return heap != &g_processHeap || bytes > SIZE_MAX - kPrefix || (limit != 0 && bytes > limit);
}

unsigned char* Base(const void* block) {
    return static_cast<unsigned char*>(const_cast<void*>(block)) - kPrefix;
}

void* Finish(unsigned char* base, size_t bytes) {
    std::memcpy(base, &bytes, sizeof bytes);
    return base + kPrefix;
}

}  // namespace

HeapHandle GetProcessHeap() { return &g_processHeap; }

void* HeapAlloc(HeapHandle heap, uint32_t flags, size_t bytes) {
    if (Refused(heap, bytes)) return nullptr;
    auto* base = static_cast<unsigned char*>(
        (flags & HEAP_ZERO_MEMORY) ? std::calloc(1, bytes + kPrefix) : std::malloc(bytes + kPrefix));
    return base ? Finish(base, bytes) : nullptr;
}

void* HeapReAlloc(HeapHandle heap, uint32_t flags, void* block, size_t bytes) {
    if (!block || Refused(heap, bytes)) return nullptr;
    const size_t oldBytes = HeapSize(heap, 0, block);
    auto* base = static_cast<unsigned char*>(std::realloc(Base(block), bytes + kPrefix));
    if (!base) return nullptr;
    if ((flags & HEAP_ZERO_MEMORY) && bytes > oldBytes) {
        std::memset(base + kPrefix + oldBytes, 0, bytes - oldBytes);
    }
    return Finish(base, bytes);
}

bool HeapFree(HeapHandle heap, uint32_t, void* block) {
    if (heap != &g_processHeap) return false;
    if (block) std::free(Base(block));
    return true;
}

size_t HeapSize(HeapHandle heap, uint32_t, const void* block) {
    if (heap != &g_processHeap || !block) return SIZE_MAX;
    size_t bytes = 0;
    std::memcpy(&bytes, Base(block), sizeof bytes);
    return bytes;
}

void SetHeapFailureSize(size_t maxBytes) { g_failAbove = maxBytes; }

}  // namespace host
