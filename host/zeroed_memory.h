// Large blocks of bytes that start as zeros without being written: they come straight
// from the system's zeroed pages (in huge pages where the system allows), so a long
// sound's buffer or a large texture costs little until its contents go in. Small ones
// come from calloc.
#pragma once
#include <cstddef>
#include <new>
#include <utility>

namespace host {

// Null when memory runs out.
void* AllocateZeroedBytes(size_t bytes);
// `bytes` as given to the allocation.
void FreeZeroedBytes(void* p, size_t bytes);

// For containers of such bytes: elements made without a value keep their zeros.
template <class T>
struct ZeroedAllocator {
    using value_type = T;
    ZeroedAllocator() = default;
    template <class U>
    ZeroedAllocator(const ZeroedAllocator<U>&) noexcept {}
    T* allocate(size_t n) {
        if (void* p = AllocateZeroedBytes(n * sizeof(T))) return static_cast<T*>(p);
        throw std::bad_alloc();
    }
    void deallocate(T* p, size_t n) noexcept { FreeZeroedBytes(p, n * sizeof(T)); }
    // Elements made without a value keep the zeros they were given.
    template <class U>
    void construct(U*) noexcept {}
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    bool operator==(const ZeroedAllocator&) const noexcept { return true; }
};

}  // namespace host
