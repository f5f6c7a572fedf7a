#include "game_files.h"

#include <orvik/log.h>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <vector>

#include "assets.h"
#include "game_state.h"
#include "input_map.h"
#include "save_file.h"

namespace vantorix {
namespace {

constexpr int32_t kSpeedOffset = 1001;
constexpr int32_t kTileOffset = 10001;
constexpr int32_t kKeyFlagOffset = 4;
constexpr int32_t kPadOffset = 14;
constexpr int32_t kOptionsFlagOffset = 90;
constexpr int32_t kBarrierOffset = 94;
constexpr int32_t kBladeOffset = 98;
constexpr int32_t kRankingFlagOffset = 4;
constexpr int32_t kScoreOffset = 14;
constexpr size_t kConfigFileSize = 102;
constexpr size_t kRankingFileSize = 54;

// Reads a whole file that must hold at least `size` bytes; false (logged) otherwise.
bool ReadSizedFile(const std::string& path, size_t size, std::vector<uint8_t>& bytes) {
    if (!ReadWholeFile(path, bytes)) {
        orvik::AddLogFormat("%s does not open", path.c_str());
        return false;
    }
    if (bytes.size() < size) {
        orvik::AddLogFormat("%s is too short (%zu of %zu bytes)", path.c_str(), bytes.size(), size);
        return false;
    }
    return true;
}

int32_t Checked(int32_t value, int32_t low, int32_t high, int32_t fallback, const char* what) {
    if (value >= low && value <= high) return value;
    orvik::AddLogFormat("%s %d is out of range, %d is used", what, value, fallback);
    return fallback;
}

// One read buffer serves every value, so where a short file ends the last value read
// repeats into every later entry.
void ParseStage(const std::vector<uint8_t>& bytes, StageMap& map) {
    int32_t last = 0;
    auto next = [&](int32_t offset) {
        ValueAt(bytes, offset, last);
        return last;
    };
    int bad = 0;
    for (int i = 0; i < kSpeedCodes; ++i) map.speedCode[i] = next(kSpeedOffset + 4 * i);
    for (int r = 0; r < kMapRows; ++r) {
        for (int c = 0; c < kMapColumns; ++c) {
            int32_t& tile = map.tile[c][r];
            tile = next(kTileOffset + 4 * (kMapColumns * r + c));
            if (tile < 0 || tile > kHighestTile) {
                tile = 0;
                ++bad;
            }
        }
    }
    if (bad > 0) orvik::AddLogFormat("%d tile numbers outside 0..360 are left empty", bad);
}

}  // namespace

std::string StageFileName(int stage) {
    char name[32];
    std::snprintf(name, sizeof name, "save_data%02d.dat", stage);
    return name;
}

int LoadStageData(int stage) {
    if (stage < 1 || stage > kStages) return orvik::AddLogFormat("no stage %d", stage);
    const std::string name = StageFileName(stage);
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(GameFilePath(name.c_str()), bytes)) return orvik::AddLogFormat("%s does not open", name.c_str());
    if (bytes.size() < kStageFileSize)
        orvik::AddLogFormat("%s is short (%zu of %d bytes): its last value repeats", name.c_str(), bytes.size(),
                            kStageFileSize);
    ParseStage(bytes, Game().stageMap);
    LoadStageTiles(stage);
    return 0;
}

int LoadKeyConfig() {
    InputState& in = Game().input;
    std::copy(std::begin(kDefaultPadButtons), std::end(kDefaultPadButtons), in.padButton);
    std::vector<uint8_t> bytes;
    if (!ReadSizedFile(GameFilePath(kConfigFileName), kConfigFileSize, bytes)) return -1;
    int32_t flag = 0;
    ValueAt(bytes, kKeyFlagOffset, flag);
    if (flag == 0) return 1;
    for (int b = 0; b < 4; ++b) {
        int32_t number = 0;
        ValueAt(bytes, kPadOffset + 4 * b, number);
        in.padButton[b] = Checked(number, kFirstPadButton, kLastPadButton, kDefaultPadButtons[b],
                                  "pad button number");
    }
    return 0;
}

int LoadOptions() {
    GameOptions& options = Game().options;
    options = {kBarrierSwitch, kBladeAutoOff};
    std::vector<uint8_t> bytes;
    if (!ReadSizedFile(GameFilePath(kConfigFileName), kConfigFileSize, bytes)) return -1;
    int32_t flag = 0, barrier = 0, blade = 0;
    ValueAt(bytes, kOptionsFlagOffset, flag);
    if (flag == 0) return 1;
    ValueAt(bytes, kBarrierOffset, barrier);
    ValueAt(bytes, kBladeOffset, blade);
    options.barrierType = Checked(barrier, kBarrierSwitch, kBarrierTrigger, kBarrierSwitch, "barrier type");
    options.bladeAuto = Checked(blade, kBladeAutoOff, kBladeAutoFull, kBladeAutoOff, "blade auto");
    return 0;
}

int SaveKeyConfig() {
    const int32_t* pad = Game().input.padButton;
    FileValue values[] = {{kKeyFlagOffset, 1}, {kPadOffset, pad[0]}, {kPadOffset + 4, pad[1]},
                          {kPadOffset + 8, pad[2]}, {kPadOffset + 12, pad[3]}};
    return PatchFile(GameFilePath(kConfigFileName), values, kConfigFileSize) ? 0 : -1;
}

int SaveOptions() {
    const GameOptions& o = Game().options;
    FileValue values[] = {{kOptionsFlagOffset, 1}, {kBarrierOffset, o.barrierType},
                          {kBladeOffset, o.bladeAuto}};
    return PatchFile(GameFilePath(kConfigFileName), values, kConfigFileSize) ? 0 : -1;
}

int LoadRanking() {
    std::vector<uint8_t> bytes;
    if (!ReadSizedFile(GameFilePath(kRankingFileName), kRankingFileSize, bytes)) return 1;
    int32_t* ranking = Game().ranking;
    int32_t flag = 0;
    ValueAt(bytes, kRankingFlagOffset, flag);
    if (flag == 0) {
        std::fill(ranking, ranking + kRankingPlaces, 0);
        return 1;
    }
    for (int i = 0; i < kRankingPlaces; ++i) {
        int32_t score = 0;
        ValueAt(bytes, kScoreOffset + 4 * i, score);
        ranking[i] = Checked(score, 0, kScoreCap, 0, "ranking score");
    }
    // Insertion counts on a table ordered best first; one edited out of order is sorted.
    if (!std::is_sorted(ranking, ranking + kRankingPlaces, std::greater<>())) {
        std::sort(ranking, ranking + kRankingPlaces, std::greater<>());
        orvik::AddLogText("the ranking was out of order and has been sorted\n");
    }
    return 0;
}

int SaveRanking() {
    FileValue values[1 + kRankingPlaces] = {{kRankingFlagOffset, 1}};
    for (int i = 0; i < kRankingPlaces; ++i)
        values[1 + i] = {kScoreOffset + 4 * i, Game().ranking[i]};
    return PatchFile(GameFilePath(kRankingFileName), values, kRankingFileSize) ? 0 : -1;
}

}  // namespace vantorix
