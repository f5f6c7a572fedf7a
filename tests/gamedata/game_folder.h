// Reading the game folder the build made: whole files, little-endian fields and
// 24-bit BMP pictures.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace gamedata_test {

using Bytes = std::vector<std::uint8_t>;

inline std::string DataPath(const std::string& name) { return std::string(GAMEDATA_DIR) + "/" + name; }

inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::int32_t Le32(const Bytes& b, std::size_t at) {
  return static_cast<std::int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24);
}
inline int Le16(const Bytes& b, std::size_t at) { return b[at] | b[at + 1] << 8; }

struct Picture {
  int width = 0, height = 0;
  Bytes rgb;  // top row first, three bytes a pixel
  const std::uint8_t* At(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
  bool Transparent(int x, int y) const {
    const std::uint8_t* p = At(x, y);
    return p[0] == 0 && p[1] == 255 && p[2] == 0;
  }
};

// Reads an uncompressed 24-bit BMP; fails the calling test on anything else.
inline Picture ReadBmp24(const std::string& name) {
  Picture pic;
  const Bytes b = ReadFile(DataPath(name));
  EXPECT_GE(b.size(), 54u) << name;
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') {
    ADD_FAILURE() << name << " is not a BMP file";
    return pic;
  }
  const std::int32_t w = Le32(b, 18), h = Le32(b, 22);
  EXPECT_EQ(Le16(b, 28), 24) << name;
  EXPECT_EQ(Le32(b, 30), 0) << name << " must be uncompressed";
  const std::size_t offset = static_cast<std::size_t>(Le32(b, 10));
  const std::size_t row = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
  if (w <= 0 || h <= 0 || offset + row * static_cast<std::size_t>(h) > b.size()) {
    ADD_FAILURE() << name << " has a bad size";
    return pic;
  }
  pic.width = w, pic.height = h;
  pic.rgb.resize(static_cast<std::size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* src = &b[offset + (h - 1 - y) * row];  // bottom row first
    for (int x = 0; x < w; ++x) {
      std::uint8_t* dst = &pic.rgb[(static_cast<std::size_t>(y) * w + x) * 3];
      dst[0] = src[3 * x + 2], dst[1] = src[3 * x + 1], dst[2] = src[3 * x];
    }
  }
  return pic;
}

}  // namespace gamedata_test
