// Turning decoded Y'CbCr pictures into 32-bit XRGB pixels: the integer tables of the
// 4:2:0 path (units of 1/16384) and the per-pixel rule for every other chroma layout.
#pragma once
#include <cstdint>

namespace orvik {

struct BaseImage;

struct YuvTables {
    uint8_t clampStore[1280];   // index -512 ... 767 through Clamp()
    int32_t rFromV[256], gFromU[256], gFromV[256], bFromU[256], y[256];
    uint8_t Clamp(int32_t i) const { return clampStore[i + 512]; }
};

// Filled by InitYuvTables at library start-up, read only afterwards.
const YuvTables& GetYuvTables();

// One decoded picture: three planes, rows top first, strides positive.
struct YuvPlanes {
    const uint8_t* y;
    const uint8_t* u;
    const uint8_t* v;
    int32_t yWidth, yHeight, yStride;
    int32_t cWidth, cHeight, cStride;
};

// Writes the picture into image (32-bit, B G R 255 per pixel), over the smaller of the
// two sizes. 4:2:0 pictures take the table path, any other the per-pixel rule.
void ConvertYuvToXrgb(const YuvPlanes& planes, BaseImage* image);

}  // namespace orvik
