// Pixel blocks of the image layer come from the engine's tracked memory, so blocks a
// caller forgets to free show up in the leak dump with the file and line that made them.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/platform/base/memory.h"

namespace orvik {

// A zeroed block is cleared by the allocator, which takes large blocks already cleared
// from the system: no page of it is touched here.
inline void* ImageAllocAt(size_t size, const char* file, int line, bool zeroed = false) {
    return zeroed ? TrackedCalloc(size, file, line) : TrackedAlloc(size, file, line);
}
inline void ImageFree(void* block) { TrackedFree(block); }

// A block owned until it is handed on with Release; readers use it so that every early
// return frees what was allocated.
class PixelBlock {
public:
    PixelBlock() = default;
    PixelBlock(const PixelBlock&) = delete;
    PixelBlock& operator=(const PixelBlock&) = delete;
    ~PixelBlock() { Reset(); }

    bool AllocateAt(size_t size, const char* file, int line, bool zeroed = false) {
        Reset();
        data_ = static_cast<uint8_t*>(ImageAllocAt(size, file, line, zeroed));
        return data_ != nullptr;
    }
    uint8_t* Get() const { return data_; }
    uint8_t* Release() {
        uint8_t* d = data_;
        data_ = nullptr;
        return d;
    }
    void Reset() {
        if (data_) ImageFree(data_);
        data_ = nullptr;
    }

private:
    uint8_t* data_ = nullptr;
};

}  // namespace orvik

#define ORVIK_IMAGE_ALLOC(size) ::orvik::ImageAllocAt((size), __FILE__, __LINE__)
#define ORVIK_BLOCK_ALLOC(block, size) (block).AllocateAt((size), __FILE__, __LINE__)
#define ORVIK_BLOCK_ALLOC_ZEROED(block, size) (block).AllocateAt((size), __FILE__, __LINE__, true)
