// The maker gives the same bytes on every run: files made again here, in another
// process and at another time, equal the ones the build wrote.
#include <gtest/gtest.h>

#include "tests/gamedata/game_folder.h"
#include "tools/make_gamedata/backgrounds.h"
#include "tools/make_gamedata/music.h"
#include "tools/make_gamedata/save_files.h"
#include "tools/make_gamedata/sheets.h"
#include "tools/make_gamedata/sound_effects.h"

namespace gamedata_test {
namespace {

TEST(Determinism, SheetsBackgroundsAndStageFilesComeOutTheSame) {
  for (const gamedata::SheetDef& sheet : gamedata::SpriteSheets())
    EXPECT_TRUE(gamedata::MakeSheet(sheet) == ReadFile(DataPath(sheet.path))) << sheet.path;
  EXPECT_TRUE(gamedata::MakeBackground(4) == ReadFile(DataPath(gamedata::BackgroundPath(4))));
  EXPECT_TRUE(gamedata::MakeStageFile(5) == ReadFile(DataPath(gamedata::StageFilePath(5))));
}

TEST(Determinism, SoundsAndMusicComeOutTheSame) {
  for (const gamedata::SoundEffectDef& effect : gamedata::SoundEffects())
    EXPECT_TRUE(gamedata::MakeSoundEffect(effect) == ReadFile(DataPath(effect.path))) << effect.path;
  const gamedata::TuneDef& tune = gamedata::Tunes()[0];
  EXPECT_TRUE(gamedata::EncodeMp3(gamedata::RenderTune(tune), gamedata::kMusicRate) ==
              ReadFile(DataPath(gamedata::TunePath(tune.track))));
}

}  // namespace
}  // namespace gamedata_test
