// Uncompressed BMP files: 24-bit, the format the game loads its pictures from, and 32-bit
// with alpha, the program's window icon.
#pragma once
#include "tools/make_gamedata/bytes.h"

namespace gamedata {

// rgb: width x height pixels, three bytes each (red, green, blue), top row first.
Bytes EncodeBmp24(int width, int height, const Bytes& rgb);
// rgba: width x height pixels, four bytes each (red, green, blue, straight alpha), top
// row first; written with a version 4 header whose masks name the alpha channel.
Bytes EncodeBmp32(int width, int height, const Bytes& rgba);

}  // namespace gamedata
