#include "tools/make_gamedata/bmp.h"

namespace gamedata {
namespace {

// A whole file of `infoBytes` of info header and `channels` bytes a pixel, its headers
// filled in up to the compression and the pixel data's size; rows padded to 4 bytes.
Bytes StartBmp(int width, int height, int channels, std::size_t infoBytes, std::uint32_t compression) {
  const std::size_t rowBytes = (static_cast<std::size_t>(width) * channels + 3) & ~std::size_t{3};
  const std::size_t pixelBytes = rowBytes * static_cast<std::size_t>(height);
  const std::size_t headerBytes = 14 + infoBytes;
  Bytes out(headerBytes + pixelBytes, 0);
  out[0] = 'B';
  out[1] = 'M';
  PutLe32(out, 2, static_cast<std::uint32_t>(out.size()));
  PutLe32(out, 10, static_cast<std::uint32_t>(headerBytes));
  PutLe32(out, 14, static_cast<std::uint32_t>(infoBytes));
  PutLe32(out, 18, static_cast<std::uint32_t>(width));
  PutLe32(out, 22, static_cast<std::uint32_t>(height));  // positive: bottom row first
  PutLe16(out, 26, 1);
  PutLe16(out, 28, static_cast<std::uint16_t>(8 * channels));
  PutLe32(out, 30, compression);
  PutLe32(out, 34, static_cast<std::uint32_t>(pixelBytes));
  PutLe32(out, 38, 2835);  // 72 dpi
  PutLe32(out, 42, 2835);
  return out;
}

// Pixels of `channels` bytes (red, green, blue and, with four, alpha), top row first, into
// the pixel data of `out`: blue first, bottom row first.
void PutRows(Bytes& out, int width, int height, int channels, const Bytes& pixels) {
  const std::size_t rowBytes = (static_cast<std::size_t>(width) * channels + 3) & ~std::size_t{3};
  const std::size_t start = out.size() - rowBytes * static_cast<std::size_t>(height);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* src = &pixels[static_cast<std::size_t>(y) * width * channels];
    std::uint8_t* dst = &out[start + static_cast<std::size_t>(height - 1 - y) * rowBytes];
    for (int x = 0; x < width * channels; x += channels) {
      dst[x] = src[x + 2];
      dst[x + 1] = src[x + 1];
      dst[x + 2] = src[x];
      if (channels == 4) dst[x + 3] = src[x + 3];
    }
  }
}

}  // namespace

Bytes EncodeBmp24(int width, int height, const Bytes& rgb) {
  Bytes out = StartBmp(width, height, 3, 40, 0);  // no compression
  PutRows(out, width, height, 3, rgb);
  return out;
}

Bytes EncodeBmp32(int width, int height, const Bytes& rgba) {
  Bytes out = StartBmp(width, height, 4, 108, 3);  // bit fields
  PutLe32(out, 54, 0x00FF0000);  // red, green, blue and alpha masks
  PutLe32(out, 58, 0x0000FF00);
  PutLe32(out, 62, 0x000000FF);
  PutLe32(out, 66, 0xFF000000);
  PutLe32(out, 70, 0x73524742);  // sRGB
  PutRows(out, width, height, 4, rgba);
  return out;
}

}  // namespace gamedata
