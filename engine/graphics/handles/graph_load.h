// Making graphics: from image files and base images, empty and drawable graphics, and
// the creation settings that decide what kind of image set the next graphic gets.
#pragma once
#include <cstdint>

#include <orvik/graphics.h>

namespace orvik {

struct BaseImage;
struct PixelRect;

struct GraphCreateSettings {
    int32_t drawable = 0;
    int32_t alphaChannel = 0;
    int32_t systemCopy = 0;
    int32_t noTransferKey = 0;  // transfers keep the transparent colour as it is
    uint32_t transColor = 0;    // 0x00RRGGBB
};
GraphCreateSettings& CreateSettings();
void ResetCreateSettings();

int32_t SetGraphFromBaseImage(BaseImage* image, BaseImage* alphaImage, int passFlag, int mirror, int mirrorEnable);
int32_t NewGraphFromBaseImage(const BaseImage* image, const BaseImage* alphaImage, int ignored);
// Copies image (from sourceX, sourceY, the graphic's size) into the graphic and records
// path (or none) as where it came from.
int TransferImageToGraph(const char* path, const BaseImage* image, const BaseImage* alphaImage, int sourceX,
                         int sourceY, int32_t handle, int reloadOption);
// The same with a rectangle of the image (null: the graphic's size from the image's
// corner) landing at (originX, originY) of the graphic; the recorded source point is the
// rectangle's corner minus the origin.
int TransferImageToGraphEx(const char* path, const BaseImage* image, const BaseImage* alphaImage,
                           const PixelRect* sourceRect, int originX, int originY, int32_t handle, int reloadOption);
int UpdateGraphFromBaseImages(BaseImage* image, BaseImage* alphaImage, int32_t handle, int ignored, int mirror,
                              int mirrorEnable);
int ReloadGraphFromBaseImage(BaseImage* image, int32_t handle);
// Refills a graphic of the same size from an image file held in memory (and its alpha
// image, when given), mirrored when asked. 0 or -1.
int CreateGraphFromImageFile(const void* image, int32_t size, int32_t handle, const void* alphaImage,
                             int32_t alphaSize, int ignored, int mirror);

}  // namespace orvik
