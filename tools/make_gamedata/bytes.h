// Byte buffers, little-endian fields and the files the maker produces.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace gamedata {

using Bytes = std::vector<std::uint8_t>;

// One file of the game folder: its path below the folder and its whole content. A
// player's file (the options and the ranking) is written only where none exists yet.
struct OutputFile {
  std::string path;
  Bytes bytes;
  bool playerFile = false;
};

inline void PutLe16(Bytes& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void PutLe32(Bytes& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void AppendLe16(Bytes& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void AppendLe32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void AppendText(Bytes& out, const char* text) {
  while (*text) out.push_back(static_cast<std::uint8_t>(*text++));
}

}  // namespace gamedata
