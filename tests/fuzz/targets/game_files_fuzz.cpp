// The game's own files from outside bytes: the first byte picks the stage, options or
// ranking file and the rest is its content. The file is read as the game reads it, then
// saved back over itself, and the values read must lie in their ranges.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/vantorix/game_files.h"
#include "game/vantorix/game_state.h"
#include "game/vantorix/ranking.h"
#include "game/vantorix/save_file.h"
#include "tests/support/temp_log.h"

namespace {

void Write(const std::string& path, const uint8_t* data, size_t size) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

void Require(bool holds) {
    if (!holds) std::abort();
}

void Stage() {
    if (vantorix::LoadStageData(1) != 0) return;
    for (const auto& column : vantorix::Game().stageMap.tile)
        for (int32_t tile : column) Require(tile >= 0 && tile <= vantorix::kHighestTile);
}

void Options() {
    vantorix::LoadKeyConfig();
    vantorix::LoadOptions();
    const vantorix::GameOptions& o = vantorix::Game().options;
    Require(o.barrierType >= 0 && o.barrierType <= 1 && o.bladeAuto >= 0 && o.bladeAuto <= 2);
    vantorix::SaveKeyConfig();
    vantorix::SaveOptions();
}

void Ranking() {
    vantorix::LoadRanking();
    for (int32_t score : vantorix::Game().ranking) Require(score >= 0 && score <= vantorix::kScoreCap);
    vantorix::InsertScore(12345);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static orvik_test::TempLog* directory = new orvik_test::TempLog;
    if (size < 1) return 0;
    vantorix::ResetGameGlobals();
    vantorix::Game().fileDirectory = directory->Directory();
    const char* names[] = {"save_data01.dat", vantorix::kConfigFileName, vantorix::kRankingFileName};
    const int which = data[0] % 3;
    Write(vantorix::GameFilePath(names[which]), data + 1, size - 1);
    if (which == 0) Stage();
    else if (which == 1) Options();
    else Ranking();
    return 0;
}
