#include "tools/make_gamedata/terrain.h"

#include <cmath>
#include <vector>

#include "tools/make_gamedata/noise.h"

namespace gamedata {
namespace {

constexpr LoopBlocks kLoops[kStageCount] = {{19, 21}, {12, 14}, {5, 7}, {10, 12}, {58, 60}, {1, 5}};

// Shape of each stage's second ground: a winding band (river, ridge, trench...) plus
// scattered patches; numbers chosen per stage for a different look.
struct GroundShape {
  double bandWidth, bandSwing, bandWave, patchScale, patchLevel;
};
constexpr GroundShape kShapes[kStageCount] = {
    {1.6, 3.2, 0.045, 0.22, 0.80},  // river through woods
    {2.4, 2.5, 0.030, 0.18, 0.72},  // rock plateaus in sand
    {3.5, 3.0, 0.025, 0.25, 0.65},  // ice floes on the sea
    {1.2, 2.0, 0.060, 0.30, 0.78},  // trenches in a metal base
    {1.8, 3.5, 0.050, 0.20, 0.74},  // lava flows on basalt
    {1.6, 3.8, 0.035, 0.22, 0.72},  // nebula clouds in space
};

// Second ground at corner (row, col)? Rows count corner lines from the stage bottom.
bool Ground(int stage, int row, int col) {
  const GroundShape& s = kShapes[stage - 1];
  const double phase = stage * 1.7;
  const double centre = 6.0 + s.bandSwing * std::sin(row * s.bandWave + phase) + 1.2 * std::sin(row * 0.13 + phase);
  const double width = s.bandWidth * (0.75 + 0.5 * std::sin(row * 0.021 + phase * 2));
  if (std::fabs(col - centre) < width) return true;
  return ValueNoise(0xC0FFEEu + stage, row * s.patchScale, col * s.patchScale * 1.3) > s.patchLevel;
}

// Rows at and above the last loop block repeat the loop, so that the jump back from the
// last block to the first shows the same picture.
int SourceRow(int stage, int row) {
  const LoopBlocks loop = StageLoop(stage);
  const int period = (loop.last - loop.first) * kBlockRows;
  while (row >= loop.last * kBlockRows) row -= period;
  return row;
}

}  // namespace

LoopBlocks StageLoop(int stage) { return kLoops[stage - 1]; }

int VariantCount(int corners) { return corners < kTileCount % 16 ? kTileCount / 16 + 1 : kTileCount / 16; }
int TileCorners(int tile) { return (tile - 1) % 16; }
int TileVariant(int tile) { return (tile - 1) / 16; }
int TileFor(int corners, int variant) { return corners + 16 * variant + 1; }

void TileOrigin(int tile, int* x, int* y) {
  const int i = tile - 1;
  const int half = i / 180, k = i % 180;
  *x = 384 * half + 32 * (k % kMapColumns);
  *y = 32 * (k / kMapColumns);
}

StageTiles MakeStageTiles(int stage) {
  std::vector<std::array<bool, kMapColumns + 1>> corner(kMapRows + 1);
  for (int row = 0; row <= kMapRows; ++row)
    for (int col = 0; col <= kMapColumns; ++col) corner[row][col] = Ground(stage, SourceRow(stage, row), col);
  StageTiles tiles{};
  for (int r = 0; r < kMapRows; ++r) {
    for (int c = 0; c < kMapColumns; ++c) {
      // Row r + 1 of corners is the top edge of tile row r (rows grow up the screen).
      const int corners = corner[r + 1][c] | corner[r + 1][c + 1] << 1 | corner[r][c] << 2 | corner[r][c + 1] << 3;
      const std::uint32_t h = HashCoords(0x7115u + stage, SourceRow(stage, r), c);
      // Half the cells take one of the three plain variants, the rest any variant.
      const int variant = (h & 1) ? static_cast<int>((h >> 1) % 3)
                                  : static_cast<int>((h >> 1) % static_cast<unsigned>(VariantCount(corners)));
      tiles[r * kMapColumns + c] = TileFor(corners, variant);
    }
  }
  return tiles;
}

std::array<int, kSpeedCodeCount> MakeSpeedCodes(int stage) {
  // A steady pace per stage (so each stage reaches its loop around its boss), with a
  // quicker stretch now and then. Codes: 2 = 0.5, 3 = 1, 4 = 2, 5 = 3, 7 = 5 pixels.
  constexpr int kBase[kStageCount] = {4, 3, 2, 2, 5, 7};
  std::array<int, kSpeedCodeCount> codes{};
  for (int i = 0; i < kSpeedCodeCount; ++i) {
    const bool rush = (i % 16) >= 13 && stage != 6;
    codes[i] = kBase[stage - 1] + (rush ? 1 : 0);
  }
  return codes;
}

}  // namespace gamedata
