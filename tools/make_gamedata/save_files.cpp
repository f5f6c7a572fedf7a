#include "tools/make_gamedata/save_files.h"

#include <cstdio>

#include "tools/make_gamedata/terrain.h"

namespace gamedata {

std::string StageFilePath(int stage) {
  char name[32];
  std::snprintf(name, sizeof name, "save_data%02d.dat", stage);
  return name;
}

Bytes MakeStageFile(int stage) {
  Bytes out(kStageFileSize, 0);
  const auto codes = MakeSpeedCodes(stage);
  for (int i = 0; i < kSpeedCodeCount; ++i) PutLe32(out, kSpeedCodeOffset + 4 * i, static_cast<std::uint32_t>(codes[i]));
  const StageTiles tiles = MakeStageTiles(stage);
  for (std::size_t i = 0; i < tiles.size(); ++i) PutLe32(out, kTileMapOffset + 4 * i, static_cast<std::uint32_t>(tiles[i]));
  return out;
}

Bytes MakeConfigFile() {
  Bytes out(kConfigFileSize, 0);
  PutLe32(out, 4, 1);  // key assignment valid
  const std::uint32_t keys[4] = {5, 6, 7, 8};  // sub weapon, main weapon, barrier, pause
  for (int i = 0; i < 4; ++i) PutLe32(out, 14 + 4 * i, keys[i]);
  PutLe32(out, 90, 1);  // options valid
  PutLe32(out, 94, 0);  // barrier SWITCH
  PutLe32(out, 98, 0);  // blade auto OFF
  return out;
}

Bytes MakeRankingFile() {
  Bytes out(kRankingFileSize, 0);
  PutLe32(out, 4, 1);
  for (int i = 0; i < 10; ++i) PutLe32(out, 14 + 4 * i, static_cast<std::uint32_t>(500000 - 45000 * i));
  return out;
}

}  // namespace gamedata
