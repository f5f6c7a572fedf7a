// Offscreen plain surfaces in the video formats YUY2 and UYVY (packed: two pixels in four
// bytes sharing their chroma) and YV12 (planar: the Y rows, then the V rows, then the U
// rows, each chroma plane at half the size and half the pitch), and their conversion to
// RGB as StretchRect does it: BT.601 video range in integer steps of 1/16384.
#pragma once
#include <cstddef>
#include <cstdint>

#include "host/d3d9/device/d3d9_types.h"

namespace host {

bool IsYuvFormat(D3DFORMAT format);
// Bytes of one Y row, and the rows of the whole surface (a YV12 surface's chroma planes
// take half as many rows of the same pitch again).
size_t YuvRowBytes(D3DFORMAT format, uint32_t width);
uint32_t YuvRowCount(D3DFORMAT format, uint32_t height);
// Row `row` of the picture as 0xFFRRGGBB, width pixels.
void ConvertYuvRowToArgb(D3DFORMAT format, const uint8_t* bits, size_t pitch, uint32_t width, uint32_t height,
                         uint32_t row, uint32_t* out);
// The picture as 0xFFRRGGBB, width x height, tightly packed.
void ConvertYuvToArgb(D3DFORMAT format, const uint8_t* bits, size_t pitch, uint32_t width, uint32_t height,
                      uint32_t* out);

}  // namespace host
