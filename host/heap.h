// The process heap over malloc, with the flags the engine passes and a way for tests to
// make large requests fail.
#pragma once
#include <cstddef>
#include <cstdint>

namespace host {

struct HeapTag;
using HeapHandle = HeapTag*;

constexpr uint32_t HEAP_ZERO_MEMORY = 0x00000008;

HeapHandle GetProcessHeap();
// Null on failure. HEAP_ZERO_MEMORY clears the new block, and on HeapReAlloc the bytes
// beyond the old size.
void* HeapAlloc(HeapHandle heap, uint32_t flags, size_t bytes);
void* HeapReAlloc(HeapHandle heap, uint32_t flags, void* block, size_t bytes);
bool HeapFree(HeapHandle heap, uint32_t flags, void* block);
// The size asked for when the block was made or last resized; SIZE_MAX for a null block.
size_t HeapSize(HeapHandle heap, uint32_t flags, const void* block);

// Tests: every request of more than maxBytes fails (0 lifts the limit).
void SetHeapFailureSize(size_t maxBytes);

}  // namespace host
