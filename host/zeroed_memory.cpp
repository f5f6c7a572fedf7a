#include "host/zeroed_memory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace host {

namespace {
// From this size a block is mapped on its own; below it calloc serves.
constexpr size_t kMappedBytes = size_t(2) << 20;
}  // namespace

void* AllocateZeroedBytes(size_t bytes) {
    if (bytes < kMappedBytes) return std::calloc(bytes ? bytes : 1, 1);
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    // Huge pages take a 512th of the page faults when the contents are written.
    madvise(p, bytes, MADV_HUGEPAGE);
    return p;
}

void FreeZeroedBytes(void* p, size_t bytes) {
    if (!p) return;
    if (bytes < kMappedBytes) std::free(p);
    else munmap(p, bytes);
}

}  // namespace host
