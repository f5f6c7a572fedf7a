#include "tools/make_gamedata/bmp.h"

namespace gamedata {

Bytes EncodeBmp24(int width, int height, const Bytes& rgb) {
  const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  const std::size_t pixelBytes = rowBytes * static_cast<std::size_t>(height);
  const std::size_t headerBytes = 14 + 40;
  Bytes out(headerBytes + pixelBytes, 0);
  out[0] = 'B';
  out[1] = 'M';
  PutLe32(out, 2, static_cast<std::uint32_t>(out.size()));
  PutLe32(out, 10, static_cast<std::uint32_t>(headerBytes));
  PutLe32(out, 14, 40);
  PutLe32(out, 18, static_cast<std::uint32_t>(width));
  PutLe32(out, 22, static_cast<std::uint32_t>(height));  // positive: bottom row first
  PutLe16(out, 26, 1);
  PutLe16(out, 28, 24);
  PutLe32(out, 30, 0);  // no compression
  PutLe32(out, 34, static_cast<std::uint32_t>(pixelBytes));
  PutLe32(out, 38, 2835);  // 72 dpi
  PutLe32(out, 42, 2835);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* src = &rgb[static_cast<std::size_t>(y) * width * 3];
    std::uint8_t* dst = &out[headerBytes + static_cast<std::size_t>(height - 1 - y) * rowBytes];
    for (int x = 0; x < width; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  return out;
}

Bytes EncodeBmp32(int width, int height, const Bytes& rgba) {
  const std::size_t pixelBytes = static_cast<std::size_t>(width) * height * 4;
  const std::size_t headerBytes = 14 + 108;
  Bytes out(headerBytes + pixelBytes, 0);
  out[0] = 'B';
  out[1] = 'M';
  PutLe32(out, 2, static_cast<std::uint32_t>(out.size()));
  PutLe32(out, 10, static_cast<std::uint32_t>(headerBytes));
  PutLe32(out, 14, 108);
  PutLe32(out, 18, static_cast<std::uint32_t>(width));
  PutLe32(out, 22, static_cast<std::uint32_t>(height));  // positive: bottom row first
  PutLe16(out, 26, 1);
  PutLe16(out, 28, 32);
  PutLe32(out, 30, 3);  // bit fields
  PutLe32(out, 34, static_cast<std::uint32_t>(pixelBytes));
  PutLe32(out, 38, 2835);
  PutLe32(out, 42, 2835);
  PutLe32(out, 54, 0x00FF0000);  // red, green, blue and alpha masks
  PutLe32(out, 58, 0x0000FF00);
  PutLe32(out, 62, 0x000000FF);
  PutLe32(out, 66, 0xFF000000);
  PutLe32(out, 70, 0x73524742);  // sRGB
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* src = &rgba[static_cast<std::size_t>(y) * width * 4];
    std::uint8_t* dst = &out[headerBytes + static_cast<std::size_t>(height - 1 - y) * width * 4];
    for (int x = 0; x < width; ++x) {
      dst[4 * x] = src[4 * x + 2];
      dst[4 * x + 1] = src[4 * x + 1];
      dst[4 * x + 2] = src[4 * x];
      dst[4 * x + 3] = src[4 * x + 3];
    }
  }
  return out;
}

}  // namespace gamedata
