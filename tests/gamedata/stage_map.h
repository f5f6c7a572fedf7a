// A stage file read the way the game reads it, and the game's scroll rule, so tests
// can follow the background exactly as the game will move it.
#pragma once
#include <array>
#include <string>

#include "tests/gamedata/game_folder.h"

namespace gamedata_test {

struct StageData {
  std::size_t size = 0;
  std::array<std::int32_t, 200> speed{};
  std::array<std::int32_t, 1400 * 12> tiles{};  // [row * 12 + column], row 0 at the bottom
  Bytes raw;
};

inline std::string StageFile(int stage) { return "save_data0" + std::to_string(stage) + ".dat"; }

inline StageData ReadStage(int stage) {
  StageData d;
  d.raw = ReadFile(DataPath(StageFile(stage)));
  d.size = d.raw.size();
  if (d.size < 77201) return d;
  for (int i = 0; i < 200; ++i) d.speed[i] = Le32(d.raw, 1001 + 4 * i);
  for (int i = 0; i < 1400 * 12; ++i) d.tiles[i] = Le32(d.raw, 10001 + 4 * i);
  return d;
}

// The scroll loop blocks of stages 1 to 6 (first, last), 14 rows of 32 pixels a block.
constexpr int kLoopFirst[7] = {0, 19, 12, 5, 10, 58, 1};
constexpr int kLoopLast[7] = {0, 21, 14, 7, 12, 60, 5};

// Top-left pixel of tile t (1-360) in a background sheet: the left half holds 1-180,
// the right half 181-360, 12 tiles to a row.
inline void TileOrigin(int t, int* x, int* y) {
  const int i = t - 1;
  *x = (i >= 180 ? 384 : 0) + 32 * ((i % 180) % 12);
  *y = 32 * ((i % 180) / 12);
}

inline float ScrollStep(std::int32_t code) {
  constexpr float steps[10] = {0, 0.25f, 0.5f, 1, 2, 3, 4, 5, 7, 9};
  return code >= 1 && code <= 9 ? steps[code] : 0.0f;
}

}  // namespace gamedata_test
