// C++ records placed in tracked memory, so that a record never freed shows in the leak dump
// with the file and line that made it.
#pragma once
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

}  // namespace orvik

#define ORVIK_TRACKED_NEW(T, ...) ::orvik::TrackedNewAt<T>(__FILE__, __LINE__ __VA_OPT__(, ) __VA_ARGS__)
