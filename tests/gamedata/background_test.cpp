// The stage backgrounds: 360 distinct opaque tiles per stage that join without a seam
// where the stage map puts them side by side.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "tests/gamedata/stage_map.h"

namespace gamedata_test {
namespace {

std::string BackgroundFile(int stage) { return "Data01/VRX_BackGround0" + std::to_string(stage) + ".bmp"; }

int PixelDistance(const std::uint8_t* a, const std::uint8_t* b) {
  return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

TEST(Backgrounds, HoldThreeHundredSixtyDistinctOpaqueTiles) {
  // Tiles as text: GCC 12 at -O3 misreads the byte vectors' ordering as an overread.
  std::set<std::string> all;
  for (int stage = 1; stage <= 6; ++stage) {
    const Picture pic = ReadBmp24(BackgroundFile(stage));
    ASSERT_GE(pic.width, 768);
    ASSERT_GE(pic.height, 480);
    std::set<std::string> tiles;
    for (int t = 1; t <= 360; ++t) {
      int ox, oy;
      TileOrigin(t, &ox, &oy);
      std::string tile;
      for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
          ASSERT_FALSE(pic.Transparent(ox + x, oy + y)) << "stage " << stage << " tile " << t;
          tile.append(reinterpret_cast<const char*>(pic.At(ox + x, oy + y)), 3);
        }
      tiles.insert(tile);
      all.insert(tile);
    }
    EXPECT_EQ(tiles.size(), 360u) << "stage " << stage;
  }
  EXPECT_EQ(all.size(), 6u * 360u) << "stages share tiles";
}

// Compares the colour step across every tile edge the map lays out with the step
// between two pixel columns (rows) in the middle of the same tiles: a seam shows as a
// step much larger than the texture's own.
TEST(Backgrounds, TilesJoinWithoutSeamsWhereTheMapPlacesThem) {
  for (int stage = 1; stage <= 6; ++stage) {
    const Picture pic = ReadBmp24(BackgroundFile(stage));
    const StageData d = ReadStage(stage);
    ASSERT_EQ(d.size, 77201u);
    double edge = 0, inner = 0;
    long count = 0;
    const int rows = kLoopLast[stage] * 14 + 15;
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < 12; ++c) {
        int ax, ay;
        TileOrigin(d.tiles[r * 12 + c], &ax, &ay);
        if (c + 1 < 12) {
          int bx, by;
          TileOrigin(d.tiles[r * 12 + c + 1], &bx, &by);
          for (int y = 0; y < 32; ++y) {
            edge += PixelDistance(pic.At(ax + 31, ay + y), pic.At(bx, by + y));
            inner += PixelDistance(pic.At(ax + 15, ay + y), pic.At(ax + 16, ay + y));
          }
          count += 32;
        }
        if (r + 1 < rows) {
          // Row r + 1 lies above row r on the screen.
          int bx, by;
          TileOrigin(d.tiles[(r + 1) * 12 + c], &bx, &by);
          for (int x = 0; x < 32; ++x) {
            edge += PixelDistance(pic.At(bx + x, by + 31), pic.At(ax + x, ay));
            inner += PixelDistance(pic.At(ax + x, ay + 15), pic.At(ax + x, ay + 16));
          }
          count += 32;
        }
      }
    EXPECT_LT(edge / count, 1.5 * (inner / count) + 2.0)
        << "stage " << stage << ": mean step across tile edges " << edge / count << ", inside tiles "
        << inner / count;
  }
}

}  // namespace
}  // namespace gamedata_test
