// The archives beside the data folders: read through the engine's archive-aware file
// access with the game's key, they list every file of their folder and give back the
// same bytes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/readers/image_loader.h"
#include "engine/platform/archive/archive_files.h"
#include "engine/platform/files/file_access.h"
#include "tests/gamedata/game_folder.h"
#include "tests/gamedata/sheet_cells.h"

namespace gamedata_test {
namespace {

class GameArchives : public ::testing::Test {
 protected:
  void SetUp() override { Restart("tnqwplx"); }
  void TearDown() override { orvik::ResetArchiveFiles(); }

  static void Restart(const char* key) {
    orvik::ResetArchiveFiles();
    orvik::ResetFileAccessTable();
    orvik::SetArchiveExtension("dat");
    orvik::SetArchiveKeyString(key);
  }
};

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(DataPath(folder))) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> ArchiveNames(const std::string& folder) {
  std::vector<std::string> names;
  orvik::FileFindRecord record{};
  const std::string pattern = DataPath(folder + "/*");
  const orvik::FileFindHandle find = orvik::ActiveFileAccessFunctions().findFirst(pattern.c_str(), &record);
  if (find == -1) return names;
  do {
    if (!record.directory) names.push_back(record.name);
  } while (orvik::ActiveFileAccessFunctions().findNext(find, &record) == 0);
  orvik::ActiveFileAccessFunctions().findClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

Bytes ReadThroughArchive(const std::string& path) {
  const orvik::FileAccessHandle file = orvik::FileAccessOpen(path.c_str(), 0, 1, 0);
  if (file == 0) return {};
  Bytes all;
  std::uint8_t chunk[65536];
  for (std::size_t got; (got = orvik::FileAccessRead(chunk, 1, sizeof chunk, file)) > 0;) all.insert(all.end(), chunk, chunk + got);
  orvik::FileAccessClose(file);
  return all;
}

TEST_F(GameArchives, ListEveryFileOfTheirFoldersAndUnpackToTheSameBytes) {
  for (const char* folder : {"Data01", "Data02", "Data03"}) {
    ASSERT_TRUE(std::filesystem::exists(DataPath(std::string(folder) + ".dat"))) << folder;
    const std::vector<std::string> names = FolderNames(folder);
    ASSERT_FALSE(names.empty()) << folder;
    EXPECT_EQ(ArchiveNames(folder), names) << folder;
    for (const std::string& name : names) {
      const std::string path = DataPath(std::string(folder) + "/" + name);
      const Bytes packed = ReadThroughArchive(path);
      EXPECT_EQ(orvik::OpenArchiveCount(), 1) << "not read from " << folder << ".dat";
      EXPECT_TRUE(packed == ReadFile(path)) << path;
    }
    Restart("tnqwplx");
  }
}

// Without its folder beside it the archive is the only source: it must open with the
// game's key and with no other.
TEST_F(GameArchives, OpenOnlyWithTheGamesKey) {
  char pattern[] = "/tmp/gamedata_archive_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::filesystem::path dir = pattern;
  std::filesystem::copy_file(DataPath("Data02.dat"), dir / "Data02.dat");
  const std::string inside = (dir / "Data02/Shot01.wav").string();
  const Bytes plain = ReadFile(DataPath("Data02/Shot01.wav"));
  ASSERT_FALSE(plain.empty());
  EXPECT_TRUE(ReadThroughArchive(inside) == plain);
  Restart("wrongkey");
  EXPECT_TRUE(ReadThroughArchive(inside).empty()) << "the archive opens with another key";
  std::filesystem::remove_all(dir);
}

// The road the game's pictures take: the engine's loader reads each sheet out of its
// archive and sees the same size and pixels as the file in the folder.
TEST_F(GameArchives, EngineLoadsEverySheetOutOfTheArchive) {
  std::vector<std::string> files;
  for (const SheetCells& sheet : SpriteSheetCells()) files.push_back(sheet.file);
  for (int stage = 1; stage <= 6; ++stage) files.push_back("Data01/VRX_BackGround0" + std::to_string(stage) + ".bmp");
  for (const std::string& file : files) {
    const Picture expected = ReadBmp24(file);
    orvik::BaseImage image{};
    ASSERT_EQ(orvik::LoadImageToBaseImageEx(DataPath(file).c_str(), nullptr, 0, 0, &image, 0), 0) << file;
    EXPECT_EQ(orvik::OpenArchiveCount(), 1) << file << " not read from Data01.dat";
    ASSERT_EQ(image.width, expected.width) << file;
    ASSERT_EQ(image.height, expected.height) << file;
    for (int y = 0; y < image.height; y += 7)
      for (int x = 0; x < image.width; x += 5) {
        int r, g, b, a;
        orvik::ReadBaseImagePixelRGBA(&image, x, y, &r, &g, &b, &a);
        const std::uint8_t* p = expected.At(x, y);
        ASSERT_TRUE(r == p[0] && g == p[1] && b == p[2]) << file << " at " << x << "," << y;
      }
    orvik::FreeBaseImage(&image);
  }
}

}  // namespace
}  // namespace gamedata_test
