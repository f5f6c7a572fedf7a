// Byte-block functions used by the engine in place of the runtime library's.
#pragma once
#include <cstddef>

namespace orvik {

void MemFill(void* destination, int byte, size_t n);
// 0 when the n bytes are equal (or n is 0), 1 otherwise.
int MemCompare(const void* a, const void* b, size_t n);
// Forward copy of non-overlapping blocks.
void MemCopy(void* destination, const void* source, size_t n);
// Copy that is safe for overlapping blocks.
void MemMove(void* destination, const void* source, size_t n);

}  // namespace orvik
