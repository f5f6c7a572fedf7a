// Soft images: pictures kept in memory under handles, for programs that work on pixels
// without the device. Pixels are 32-bit with alpha; channels are 0 to 255. Every call
// returns 0 (or a handle) on success and -1 on failure (bad handle, outside the image).
#pragma once
#include <cstdint>

namespace orvik {

// A width x height image, every pixel black and fully transparent; its handle.
int32_t MakeSoftImage(int width, int height);
// The image's size; either pointer may be null.
int GetSoftImageSize(int32_t handle, int* width, int* height);
// Sets one pixel.
int DrawPixelSoftImage(int32_t handle, int x, int y, int red, int green, int blue, int alpha);
// Reads one pixel; any pointer may be null.
int GetPixelSoftImage(int32_t handle, int x, int y, int* red, int* green, int* blue, int* alpha);
// Frees the image; the handle is invalid from then on.
int ReleaseSoftImageHandle(int32_t handle);
// Frees every soft image.
int DeleteAllSoftImageHandles();

}  // namespace orvik
