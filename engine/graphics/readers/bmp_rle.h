// Run-length decoding of BMP RLE8 and RLE4 data into one index byte per pixel, and of
// OS/2 RLE24 data into three bytes (blue, green, red) per pixel.
#pragma once
#include <cstddef>
#include <cstdint>

namespace orvik {

struct RleTarget {
    uint8_t* pixels;  // cleared by the caller; one byte per pixel (three for RLE24)
    int32_t pitch;
    int32_t width;
    int32_t height;
    bool bottomUp;  // the file's first row is the image's last
};

// bits is 4, 8 or 24. Runs and moves that leave the image are clipped; reading stops at
// the end of the data.
void DecodeBmpRle(const uint8_t* data, size_t size, int bits, const RleTarget& target);

}  // namespace orvik
