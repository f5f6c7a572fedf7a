// The sprite sheets: sizes cover the cells the game cuts, every cell holds a picture,
// colour keying is exact, and things that fly point up.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/gamedata/game_folder.h"
#include "tests/gamedata/sheet_cells.h"

namespace gamedata_test {
namespace {

int OpaqueIn(const Picture& pic, const Rect& r) {
  int n = 0;
  for (int y = r.y; y < r.y + r.h; ++y)
    for (int x = r.x; x < r.x + r.w; ++x) n += !pic.Transparent(x, y);
  return n;
}

// A colour close to the key but not the key: a left-over of a bad keying step, which
// the game would draw as a green speck.
bool NearKey(const std::uint8_t* p) {
  const bool exact = p[0] == 0 && p[1] == 255 && p[2] == 0;
  return !exact && p[0] < 40 && p[1] > 215 && p[2] < 40;
}

TEST(SpriteSheets, EachCoversItsCellsAndEveryCellHoldsAPicture) {
  for (const SheetCells& sheet : SpriteSheetCells()) {
    const Picture pic = ReadBmp24(sheet.file);
    ASSERT_GT(pic.width, 0) << sheet.file;
    for (const Rect& r : Expand(sheet)) {
      ASSERT_LE(r.x + r.w, pic.width) << sheet.file << " cell at " << r.x << "," << r.y;
      ASSERT_LE(r.y + r.h, pic.height) << sheet.file << " cell at " << r.x << "," << r.y;
      // A visible picture: at least a twentieth of a small cell, and some pixels of any.
      EXPECT_GE(OpaqueIn(pic, r), std::min(r.w * r.h / 20, 400)) << sheet.file << " cell at " << r.x << "," << r.y;
    }
  }
}

TEST(SpriteSheets, TransparencyIsExactlyPureGreenWithNoNearGreenSpecks) {
  for (const SheetCells& sheet : SpriteSheetCells()) {
    const Picture pic = ReadBmp24(sheet.file);
    int specks = 0;
    for (int y = 0; y < pic.height; ++y)
      for (int x = 0; x < pic.width; ++x) specks += NearKey(pic.At(x, y));
    EXPECT_EQ(specks, 0) << sheet.file;
  }
}

// The program's icon beside it: the ship on a clear ground, its alpha kept in the file.
TEST(SpriteSheets, IconIsTheShipOnAClearGround) {
  const Bytes icon = ReadFile(DataPath("icon101.bmp"));
  ASSERT_EQ(icon.size(), 14u + 108 + 48 * 48 * 4);
  EXPECT_EQ(Le16(icon, 28), 32);
  EXPECT_EQ(static_cast<std::uint32_t>(Le32(icon, 66)), 0xFF000000u) << "the alpha mask";
  auto alpha = [&icon](int x, int y) { return icon[122 + (static_cast<std::size_t>(47 - y) * 48 + x) * 4 + 3]; };
  EXPECT_EQ(alpha(0, 0), 0);
  EXPECT_EQ(alpha(24, 24), 255);
}

TEST(SpriteSheets, NoFileNameEndsInTheAlphaSuffix) {
  for (const SheetCells& sheet : SpriteSheetCells())
    EXPECT_EQ(sheet.file.find("_a."), std::string::npos) << sheet.file;
}

TEST(SpriteSheets, FramePictureIsOpaqueExceptItsPlayFieldWindow) {
  const Picture frame = ReadBmp24("Data01/VRX_MainFrame01.bmp");
  ASSERT_EQ(frame.width, 640);
  int wrong = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const bool window = x >= 32 && x < 416 && y >= 16 && y < 464;
      wrong += frame.Transparent(x, y) != window;
    }
  EXPECT_EQ(wrong, 0);
}

TEST(SpriteSheets, FullScreenPicturesAndTheTalkWindowBodyAreOpaque) {
  const Picture title = ReadBmp24("Data01/VRX_Title.bmp");
  EXPECT_EQ(OpaqueIn(title, {0, 0, 640, 480}), 640 * 480);
  const Picture system = ReadBmp24("Data01/VRX_System01.bmp");
  // Rounded corners may be keyed out; the body under the text lines may not.
  EXPECT_EQ(OpaqueIn(system, {10, 390, 364, 84}), 364 * 84);
}

// Mean row of the opaque pixels of a cell, relative to its top.
double OpaqueCentreY(const Picture& pic, const Rect& r) {
  double sum = 0;
  int n = 0;
  for (int y = r.y; y < r.y + r.h; ++y)
    for (int x = r.x; x < r.x + r.w; ++x)
      if (!pic.Transparent(x, y)) sum += y - r.y, ++n;
  return n ? sum / n : -1;
}

TEST(SpriteSheets, BladeAndBeamRiseAboveTheShipAndTurnedBulletsPointUp) {
  const Picture shots = ReadBmp24("Data01/VRX_Shot01.bmp");
  // The blade is drawn centred on the ship and swung around it: it must lie above the
  // cell's centre (48) so that at angle 0 it points straight up.
  EXPECT_LT(OpaqueCentreY(shots, {0, 32, 96, 96}), 40.0);
  // The beam frames sit with the ship's centre at row 168: the beam is above it.
  for (int k = 0; k < 6; ++k) EXPECT_LT(OpaqueCentreY(shots, {128 + 48 * k, 0, 48, 192}), 100.0) << k;
  // Turned bullets carry a white tip at their front: the brightest rows are on top.
  for (int k = 0; k < 3; ++k) {
    int whiteTop = 0, whiteBottom = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const std::uint8_t* p = shots.At(32 * k + x, 160 + y);
        if (p[0] > 240 && p[1] > 240 && p[2] > 240) (y < 16 ? whiteTop : whiteBottom)++;
      }
    EXPECT_GT(whiteTop, whiteBottom) << "needle bullet " << k;
  }
}

TEST(SpriteSheets, AnimationFramesDiffer) {
  struct Run {
    const char* file;
    Rect first;
    int count, dx, dy;
  };
  const Run runs[] = {
      {"Data01/VRX_Character01.bmp", {0, 0, 48, 48}, 3, 48, 0},
      {"Data01/VRX_Character01.bmp", {0, 96, 48, 48}, 9, 48, 0},
      {"Data01/VRX_Shot01.bmp", {128, 0, 48, 192}, 6, 48, 0},
      {"Data01/VRX_Shot01.bmp", {0, 256, 32, 32}, 4, 32, 0},
      {"Data01/VRX_Effect02.bmp", {0, 64, 64, 64}, 5, 64, 0},
      {"Data01/VRX_Enemy02.bmp", {0, 256, 48, 48}, 3, 48, 0},
      {"Data01/VRX_Enemy02.bmp", {0, 304, 48, 48}, 3, 48, 0},
  };
  for (const Run& run : runs) {
    const Picture pic = ReadBmp24(run.file);
    for (int i = 1; i < run.count; ++i) {
      int differing = 0;
      for (int y = 0; y < run.first.h; ++y)
        for (int x = 0; x < run.first.w; ++x) {
          const std::uint8_t* a = pic.At(run.first.x + run.dx * (i - 1) + x, run.first.y + y);
          const std::uint8_t* b = pic.At(run.first.x + run.dx * i + x, run.first.y + y);
          differing += a[0] != b[0] || a[1] != b[1] || a[2] != b[2];
        }
      EXPECT_GT(differing, 0) << run.file << " frame " << i;
    }
  }
}

}  // namespace
}  // namespace gamedata_test
