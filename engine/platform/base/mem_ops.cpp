#include "engine/platform/base/mem_ops.h"

#include <cstring>

namespace orvik {

void MemFill(void* destination, int byte, size_t n) {
    if (destination && n) std::memset(destination, byte, n);
}

int MemCompare(const void* a, const void* b, size_t n) {
    if (n == 0) return 0;
    if (!a || !b) return a == b ? 0 : 1;
    return std::memcmp(a, b, n) == 0 ? 0 : 1;
}

void MemCopy(void* destination, const void* source, size_t n) {
    if (destination && source && n) std::memcpy(destination, source, n);
}

void MemMove(void* destination, const void* source, size_t n) {
    if (destination && source && n && destination != source) std::memmove(destination, source, n);
}

}  // namespace orvik
