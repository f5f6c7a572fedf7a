// Making the game folder again, as every rebuild does: the player's options and ranking
// stay byte for byte, every other file is made afresh, and a missing save file is made.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/gamedata/game_folder.h"
#include "tools/make_gamedata/game_files.h"
#include "tools/make_gamedata/game_folder.h"
#include "tools/make_gamedata/save_files.h"

namespace gamedata_test {
namespace {

namespace fs = std::filesystem;

void WriteBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TEST(GameFolder, ARebuildKeepsThePlayersFilesAndMakesTheRestAgain) {
  const fs::path root = fs::path(::testing::TempDir()) / ("game_folder_" + std::to_string(::getpid()));
  fs::remove_all(root);
  const std::vector<gamedata::OutputFile> files = gamedata::MakeGameFiles();
  ASSERT_TRUE(gamedata::WriteGameFolder(root, files));
  EXPECT_EQ(ReadFile((root / "save_data99.dat").string()), gamedata::MakeRankingFile());

  // The player changes the options and enters a score; a stage file gets damaged.
  Bytes options = gamedata::MakeConfigFile(), ranking = gamedata::MakeRankingFile();
  options[94] = 1;
  options[98] = 2;
  ranking[14] = 0x7F;
  WriteBytes(root / "save_data.dat", options);
  WriteBytes(root / "save_data99.dat", ranking);
  WriteBytes(root / "save_data01.dat", Bytes(100, 0xEE));

  ASSERT_TRUE(gamedata::WriteGameFolder(root, files));
  EXPECT_EQ(ReadFile((root / "save_data.dat").string()), options);
  EXPECT_EQ(ReadFile((root / "save_data99.dat").string()), ranking);
  EXPECT_EQ(ReadFile((root / "save_data01.dat").string()), gamedata::MakeStageFile(1)) << "game data is made again";

  fs::remove(root / "save_data99.dat");
  ASSERT_TRUE(gamedata::WriteGameFolder(root, files));
  EXPECT_EQ(ReadFile((root / "save_data99.dat").string()), gamedata::MakeRankingFile()) << "a missing one is made";
  fs::remove_all(root);
}

}  // namespace
}  // namespace gamedata_test
