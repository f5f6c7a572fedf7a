// Turning decoded Y'CbCr pictures into 32-bit XRGB pixels, by the host's one Y'CbCr rule
// (host/d3d9/resources/yuv_rows.h) for every chroma layout.
#pragma once
#include <cstdint>

namespace orvik {

struct BaseImage;

// One decoded picture: three planes, rows top first, strides positive.
struct YuvPlanes {
    const uint8_t* y;
    const uint8_t* u;
    const uint8_t* v;
    int32_t yWidth, yHeight, yStride;
    int32_t cWidth, cHeight, cStride;
};

// Writes the picture into image (32-bit, B G R 255 per pixel), over the smaller of the
// two sizes.
void ConvertYuvToXrgb(const YuvPlanes& planes, BaseImage* image);

}  // namespace orvik
