// The stage, options and ranking files: layout, sizes, and maps that keep scrolling and
// loop without a visible jump.
#include <gtest/gtest.h>

#include <set>

#include "tests/gamedata/stage_map.h"

namespace gamedata_test {
namespace {

TEST(StageFiles, HaveTheExactSizeAndNothingOutsideTheirFields) {
  for (int stage = 1; stage <= 6; ++stage) {
    const StageData d = ReadStage(stage);
    ASSERT_EQ(d.size, 77201u) << stage;
    for (std::size_t i = 0; i < 1001; ++i) ASSERT_EQ(d.raw[i], 0) << stage << " byte " << i;
    for (std::size_t i = 1001 + 800; i < 10001; ++i) ASSERT_EQ(d.raw[i], 0) << stage << " byte " << i;
  }
}

TEST(StageFiles, EveryCellNamesATileOfTheSheet) {
  for (int stage = 1; stage <= 6; ++stage) {
    const StageData d = ReadStage(stage);
    std::set<int> used;
    for (std::int32_t t : d.tiles) {
      ASSERT_GE(t, 1) << stage;
      ASSERT_LE(t, 360) << stage;
      used.insert(t);
    }
    // A map that uses only a handful of tiles would look like wallpaper.
    EXPECT_GT(used.size(), 100u) << stage;
  }
}

// Runs the game's scroll rule from the start of the stage for `frames` frames and
// checks that the background moves on every frame and that the loop jump shows the same
// rows before and after.
void FollowScroll(int stage, int frames) {
  const StageData d = ReadStage(stage);
  ASSERT_EQ(d.size, 77201u);
  float scroll = 0;
  int jumps = 0;
  for (int f = 0; f < frames; ++f) {
    const int row = static_cast<int>(scroll) / 32;
    const float step = ScrollStep(d.speed[row / 7]);
    ASSERT_GT(step, 0.0f) << "stage " << stage << " stands still at row " << row;
    const float before = scroll + step;
    scroll = before;
    const int block = (static_cast<int>(scroll) / 32) / 14;
    if (block == kLoopLast[stage]) {
      scroll -= static_cast<float>((kLoopLast[stage] - kLoopFirst[stage]) * 448.0);
      ++jumps;
      // The 15 rows on screen before the jump and after it must hold the same tiles.
      const int rowBefore = static_cast<int>(before) / 32, rowAfter = static_cast<int>(scroll) / 32;
      for (int r = 0; r < 15; ++r)
        for (int c = 0; c < 12; ++c)
          ASSERT_EQ(d.tiles[(rowBefore + r) * 12 + c], d.tiles[(rowAfter + r) * 12 + c])
              << "stage " << stage << " seam row " << r << " column " << c;
    }
    ASSERT_LT(static_cast<int>(scroll) / 32 + 15, 1400) << "stage " << stage << " scrolls off the map";
  }
  EXPECT_GE(jumps, 2) << "stage " << stage << " never reached its loop";
}

TEST(StageFiles, Stage1ScrollsAndLoopsSeamlessly) { FollowScroll(1, 30000); }
TEST(StageFiles, Stage2ScrollsAndLoopsSeamlessly) { FollowScroll(2, 30000); }
TEST(StageFiles, Stage3ScrollsAndLoopsSeamlessly) { FollowScroll(3, 30000); }
TEST(StageFiles, Stage4ScrollsAndLoopsSeamlessly) { FollowScroll(4, 30000); }
TEST(StageFiles, Stage5ScrollsAndLoopsSeamlessly) { FollowScroll(5, 30000); }
TEST(StageFiles, Stage6ScrollsAndLoopsSeamlessly) { FollowScroll(6, 30000); }

TEST(StageFiles, LoopBlocksAreRowForRowEqual) {
  for (int stage = 1; stage <= 6; ++stage) {
    const StageData d = ReadStage(stage);
    const int first = kLoopFirst[stage] * 14, last = kLoopLast[stage] * 14;
    for (int r = 0; r < 15; ++r)
      for (int c = 0; c < 12; ++c)
        ASSERT_EQ(d.tiles[(first + r) * 12 + c], d.tiles[(last + r) * 12 + c]) << stage << " row " << r;
  }
}

TEST(OptionsFile, HoldsTheDefaultKeysAndOptionsWithBothFlagsSet) {
  const Bytes b = ReadFile(DataPath("save_data.dat"));
  ASSERT_GE(b.size(), 102u);
  EXPECT_NE(Le32(b, 4), 0);
  EXPECT_EQ(Le32(b, 14), 5);
  EXPECT_EQ(Le32(b, 18), 6);
  EXPECT_EQ(Le32(b, 22), 7);
  EXPECT_EQ(Le32(b, 26), 8);
  EXPECT_NE(Le32(b, 90), 0);
  EXPECT_EQ(Le32(b, 94), 0);
  EXPECT_EQ(Le32(b, 98), 0);
}

TEST(RankingFile, HoldsTenStrictlyDescendingPositiveScores) {
  const Bytes b = ReadFile(DataPath("save_data99.dat"));
  ASSERT_GE(b.size(), 54u);
  EXPECT_NE(Le32(b, 4), 0);
  for (int i = 0; i < 10; ++i) {
    EXPECT_GT(Le32(b, 14 + 4 * i), 0) << i;
    if (i > 0) {
      EXPECT_LT(Le32(b, 14 + 4 * i), Le32(b, 14 + 4 * (i - 1))) << i;
    }
  }
}

}  // namespace
}  // namespace gamedata_test
