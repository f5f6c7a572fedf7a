// Turning decoded Y'CbCr pictures into 32-bit XRGB pixels for every chroma layout: the
// movie decoder's integer tables (units of 1/16384), whose rule the host's vector rows
// (host/d3d9/resources/yuv_rows.h) follow to the same values.
#pragma once
#include <cstdint>

namespace orvik {

struct BaseImage;

struct YuvTables {
    uint8_t clamp[1280];  // entry i + 512 is i clamped to 0 ... 255, for i = -512 ... 767
    int32_t rFromV[256], gFromU[256], gFromV[256], bFromU[256], y[256];
    uint8_t Clamp(int32_t i) const { return clamp[i + 512]; }
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
// two sizes.
void ConvertYuvToXrgb(const YuvPlanes& planes, BaseImage* image);

}  // namespace orvik
