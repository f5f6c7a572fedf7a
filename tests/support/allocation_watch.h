// Watches the heap through the sanitizers' allocation hook while a watch lives: the
// largest block allocated, the bytes allocated in all, on every thread, and how far the
// bytes live at once rose. The hook
// exists in the sanitizer runtimes the tests are built with; a build without one has no
// watch (Available() is false).
#pragma once
#include <atomic>
#include <cstddef>

extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                                         void (*free_hook)(const volatile void*))
    __attribute__((weak));
extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace orvik_test {

class AllocationWatch {
public:
    static bool Available() { return __sanitizer_install_malloc_and_free_hooks != nullptr; }
    AllocationWatch() {
        // The runtime keeps a few hooks for good, so one is installed for the whole run.
        static const bool installed = Available() && __sanitizer_install_malloc_and_free_hooks(&Allocated, &Freed);
        (void)installed;
        largest_ = 0;
        total_ = 0;
        liveAtStart_ = mostLive_ = Live();
        on_ = true;
    }
    ~AllocationWatch() { on_ = false; }
    size_t Largest() const { return largest_; }
    size_t Total() const { return total_; }
    // Over the bytes live when the watch began, as the sanitizer counts them (without the
    // freed blocks it still holds back).
    size_t LiveRise() const { return mostLive_ - liveAtStart_; }

private:
    static void Allocated(const volatile void*, size_t size) {
        if (!on_) return;
        total_ += size;
        Raise(largest_, size);
        Raise(mostLive_, Live());
    }
    static void Freed(const volatile void*) {}
    static size_t Live() {
        return __sanitizer_get_current_allocated_bytes ? __sanitizer_get_current_allocated_bytes() : 0;
    }
    static void Raise(std::atomic<size_t>& most, size_t value) {
        for (size_t seen = most; value > seen && !most.compare_exchange_weak(seen, value);) {
        }
    }

    static inline std::atomic<bool> on_{false};
    static inline std::atomic<size_t> largest_{0}, total_{0}, mostLive_{0};
    size_t liveAtStart_ = 0;
};

}  // namespace orvik_test
