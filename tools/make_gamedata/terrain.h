// The stage ground: 360 tiles of 32 x 32 per stage and the map that lays them out.
//
// The tiles are corner tiles: each of a tile's four corners is one of two grounds
// (say grass or water), and the ground boundary inside a tile depends only on its
// corners. Neighbouring tiles in the map share their corners, so every boundary runs on
// across tile edges, and the texture under it repeats every 32 pixels, so tiles join
// without a seam whatever their variant.
#pragma once
#include <array>

#include "tools/make_gamedata/bytes.h"

namespace gamedata {

constexpr int kStageCount = 6;
constexpr int kMapColumns = 12;
constexpr int kMapRows = 1400;
constexpr int kBlockRows = 14;  // the scroll loop works in blocks of 14 rows
constexpr int kTileCount = 360;
constexpr int kSpeedCodeCount = 200;
constexpr int kRowsPerSpeedCode = 7;

struct LoopBlocks {
  int first, last;
};
// The blocks between which the game's scroll loops, stage 1 to 6.
LoopBlocks StageLoop(int stage);

// Corner bits of a tile: 1 top-left, 2 top-right, 4 bottom-left, 8 bottom-right; a set
// bit is the second ground.
int TileCorners(int tile);          // tile 1..360
int TileVariant(int tile);          // 0.. within its corner set
int VariantCount(int corners);      // 23 for corner sets 0-7, 22 for 8-15
int TileFor(int corners, int variant);
// Top-left pixel of a tile in the stage's background sheet (768 x 480).
void TileOrigin(int tile, int* x, int* y);

// The tile numbers of a stage, row r (0 = bottom of the stage) and column c at
// [r * kMapColumns + c].
using StageTiles = std::array<int, kMapRows * kMapColumns>;
StageTiles MakeStageTiles(int stage);
// The scroll-speed code of each group of 7 rows.
std::array<int, kSpeedCodeCount> MakeSpeedCodes(int stage);

}  // namespace gamedata
