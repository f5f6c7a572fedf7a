#include "tools/make_gamedata/game_files.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include "tools/make_gamedata/backgrounds.h"
#include "tools/make_gamedata/music.h"
#include "tools/make_gamedata/save_files.h"
#include "tools/make_gamedata/sheets.h"
#include "tools/make_gamedata/sound_effects.h"
#include "tools/make_gamedata/terrain.h"

namespace gamedata {

std::vector<OutputFile> MakeGameFiles() {
  std::vector<std::function<OutputFile()>> jobs;
  // The music first: it takes longest.
  for (const TuneDef& tune : Tunes())
    jobs.push_back([&tune] { return OutputFile{TunePath(tune.track), EncodeMp3(RenderTune(tune), kMusicRate)}; });
  for (int stage = 1; stage <= kStageCount; ++stage)
    jobs.push_back([stage] { return OutputFile{BackgroundPath(stage), MakeBackground(stage)}; });
  for (const SheetDef& sheet : SpriteSheets())
    jobs.push_back([&sheet] { return OutputFile{sheet.path, MakeSheet(sheet)}; });
  for (const SoundEffectDef& effect : SoundEffects())
    jobs.push_back([&effect] { return OutputFile{effect.path, MakeSoundEffect(effect)}; });
  for (int stage = 1; stage <= kStageCount; ++stage)
    jobs.push_back([stage] { return OutputFile{StageFilePath(stage), MakeStageFile(stage)}; });
  jobs.push_back([] { return OutputFile{kIconPath, MakeIcon()}; });
  jobs.push_back([] { return OutputFile{kConfigFileName, MakeConfigFile(), true}; });
  jobs.push_back([] { return OutputFile{kRankingFileName, MakeRankingFile(), true}; });

  std::vector<OutputFile> files(jobs.size());
  std::atomic<std::size_t> next{0};
  auto worker = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < jobs.size();) files[i] = jobs[i]();
  };
  const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
  std::vector<std::jthread> pool;
  for (unsigned t = 1; t < threads; ++t) pool.emplace_back(worker);
  worker();
  return files;
}

}  // namespace gamedata
