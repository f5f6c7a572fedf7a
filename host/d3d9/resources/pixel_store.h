// The bytes of a surface's pixels. A store of 2 MB or more (a 1024-wide render target)
// starts on a 2 MB boundary and is offered to the kernel for transparent huge pages: its
// rows lie a page apart, so a sprite drawn row by row needs a new 4 KB translation at
// every row, where one huge page's serves them all.
#pragma once
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

namespace host {

template <class T>
struct PixelStoreAllocator {
    using value_type = T;
    static constexpr size_t kHugePage = size_t(2) << 20;

    PixelStoreAllocator() = default;
    template <class U>
    PixelStoreAllocator(const PixelStoreAllocator<U>&) {}

    T* allocate(size_t n) {
        const size_t bytes = n * sizeof(T);
        if (bytes < kHugePage) return static_cast<T*>(::operator new(bytes));
        void* p = nullptr;
        if (posix_memalign(&p, kHugePage, bytes) != 0) throw std::bad_alloc();
        // Advice only: where huge pages are off, the store keeps small ones.
        madvise(p, bytes, MADV_HUGEPAGE);
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t n) {
        if (n * sizeof(T) < kHugePage) ::operator delete(p);
        else std::free(p);
    }
    template <class U>
    bool operator==(const PixelStoreAllocator<U>&) const {
        return true;
    }
};

using PixelStore = std::vector<uint8_t, PixelStoreAllocator<uint8_t>>;

}  // namespace host
