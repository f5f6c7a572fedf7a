// The stage background sheets "Data01/VRX_BackGround01.bmp" to "...06.bmp": 768 x 480,
// the 360 tiles of terrain.h.
#pragma once
#include <string>

#include "tools/make_gamedata/bytes.h"

namespace gamedata {

constexpr int kBackgroundWidth = 768;
constexpr int kBackgroundHeight = 480;

std::string BackgroundPath(int stage);
Bytes MakeBackground(int stage);

}  // namespace gamedata
