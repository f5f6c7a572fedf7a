// GDI's output of device-independent bitmaps into a window, and the same road for the
// d3d9 device's presented frames: pixels are turned into the backend's 0x00RRGGBB
// picture of the window's client area, which is then shown by the backend.
#pragma once
#include <cstdint>
#include <vector>

#include "host/win/system/types.h"

namespace host {

struct BITMAPINFOHEADER {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;  // negative: rows from the top down
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0, biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0, biClrImportant = 0;
};

// With BI_BITFIELDS the three colour masks (red, green, blue) follow the header.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    uint32_t bmiColors[3] = {};
};

constexpr uint32_t BI_RGB = 0, BI_BITFIELDS = 3;
constexpr uint32_t DIB_RGB_COLORS = 0;
constexpr uint32_t SRCCOPY = 0x00CC0020;

// Copies `lines` rows of the bitmap, unscaled, to (xDest, yDest) of the window. Returns
// the number of rows copied, 0 on bad arguments.
int SetDIBitsToDevice(HDC dc, int xDest, int yDest, uint32_t width, uint32_t height, int xSrc, int ySrc,
                      uint32_t startScan, uint32_t lines, const void* bits, const BITMAPINFO* info, uint32_t usage);
// Copies a rectangle of the bitmap stretched (nearest pixel) onto a rectangle of the
// window. Returns the rows of the destination, 0 on bad arguments.
int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, uint32_t usage, uint32_t rop);

// Sends the d3d9 device's presented frames into their window through the same picture,
// unless a hook of its own is already installed (tests install theirs).
void UseWindowForD3D9Presents();

// The last picture shown in the window's client area (tests read it back).
struct WindowPicture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB
};
WindowPicture LastWindowPicture();
void ResetWindowPicture();

}  // namespace host
