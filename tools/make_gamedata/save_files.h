// The game's own files beside the program: the six stage files (scroll speeds and tile
// maps), the options file and the ranking file. All values are 32-bit little-endian
// integers at fixed offsets; bytes between them are zero.
#pragma once
#include <string>

#include "tools/make_gamedata/bytes.h"

namespace gamedata {

constexpr std::size_t kStageFileSize = 77201;
constexpr std::size_t kSpeedCodeOffset = 1001;
constexpr std::size_t kTileMapOffset = 10001;
constexpr std::size_t kConfigFileSize = 102;
constexpr std::size_t kRankingFileSize = 54;
// The player's files: made once, then kept by every later run of the maker.
constexpr const char* kConfigFileName = "save_data.dat";
constexpr const char* kRankingFileName = "save_data99.dat";

std::string StageFilePath(int stage);
Bytes MakeStageFile(int stage);
// Default keys (pad buttons 5, 6, 7, 8) and options (barrier SWITCH, blade auto OFF).
Bytes MakeConfigFile();
// Ten scores, best first.
Bytes MakeRankingFile();

}  // namespace gamedata
