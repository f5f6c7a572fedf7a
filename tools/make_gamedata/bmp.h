// 24-bit uncompressed BMP files, the format the game loads its pictures from.
#pragma once
#include "tools/make_gamedata/bytes.h"

namespace gamedata {

// rgb: width x height pixels, three bytes each (red, green, blue), top row first.
Bytes EncodeBmp24(int width, int height, const Bytes& rgb);

}  // namespace gamedata
