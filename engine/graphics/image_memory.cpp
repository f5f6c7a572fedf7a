#include "engine/graphics/image_memory.h"

namespace orvik {

void* ImageAllocAt(size_t size, const char* /*file*/, int /*line*/) {
    return std::malloc(size == 0 ? 1 : size);
}

void ImageFree(void* block) { std::free(block); }

}  // namespace orvik
