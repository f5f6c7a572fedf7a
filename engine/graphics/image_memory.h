// Pixel blocks of the image layer come from the engine's tracked memory, so blocks a
// caller forgets to free show up in the leak dump with the file and line that made them.
#pragma once
#include <cstddef>
#include <cstdlib>

namespace orvik {

void* ImageAllocAt(size_t size, const char* file, int line);
void ImageFree(void* block);

}  // namespace orvik

#define ORVIK_IMAGE_ALLOC(size) ::orvik::ImageAllocAt((size), __FILE__, __LINE__)
