// Soft images: base images kept in memory under handles, for work on pixels without the
// device. Nothing in the game makes one; shutdown releases whatever is left.
#pragma once
#include <cstdint>

#include <orvik/soft_image.h>

#include "engine/graphics/images/base_image.h"

namespace orvik {

constexpr int32_t kSoftImageHandleType = 0x58000000;
constexpr int32_t kSoftImageCapacity = 8192;

// Takes the image over (the caller's record is emptied); its handle, or -1 when the table
// is full or the image holds no pixels.
int32_t AddSoftImageHandle(BaseImage* image);
// The image of a valid handle, else null.
BaseImage* GetSoftImage(int32_t handle);
int TerminateSoftImages();
int32_t SoftImageCount();
int32_t SoftImageHighWater();

}  // namespace orvik
