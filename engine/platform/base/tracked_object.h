// C++ records placed in tracked memory, so that a record never freed shows in the leak dump
// with the file and line that made it.
#pragma once
#include <memory>
#include <new>
#include <utility>

#include "engine/platform/base/memory.h"

namespace orvik {

template <typename T, typename... Args>
T* TrackedNewAt(const char* file, int line, Args&&... args) {
    void* block = TrackedAlloc(sizeof(T), file, line);
    if (block == nullptr) return nullptr;
    return new (block) T(std::forward<Args>(args)...);
}

template <typename T>
void TrackedDelete(T* object) {
    if (object == nullptr) return;
    object->~T();
    TrackedFree(object);
}

struct TrackedDeleter {
    template <typename T>
    void operator()(T* object) const {
        TrackedDelete(object);
    }
};

// Owns a tracked record until it is released to the table that keeps it, so that a
// failure on the way (a container out of memory) frees it.
template <typename T>
using TrackedOwner = std::unique_ptr<T, TrackedDeleter>;

}  // namespace orvik

#define ORVIK_TRACKED_NEW(T, ...) ::orvik::TrackedNewAt<T>(__FILE__, __LINE__ __VA_OPT__(, ) __VA_ARGS__)
