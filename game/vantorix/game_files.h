// The stage files, the options file and the ranking file.
#pragma once
#include <string>

namespace vantorix {

constexpr const char* kConfigFileName = "save_data.dat";
constexpr const char* kRankingFileName = "save_data99.dat";
constexpr int kStageFileSize = 77201;
constexpr int kHighestTile = 360;
constexpr int kScoreCap = 999999999;

// "save_data01.dat" to "save_data06.dat" for stages 1 to 6.
std::string StageFileName(int stage);

// Reads the stage's map and scroll speeds, then its tiles; where a short file ends, the
// last value read repeats. A missing or unreadable file, or a stage outside 1 to 6, leaves
// the previous map and tiles: -1.
int LoadStageData(int stage);

// 0 when the key flag was set (each number outside 5..20 falls back to its default),
// 1 when it was 0 (defaults), -1 when the file is missing or too short (defaults).
int LoadKeyConfig();
// The same for barrier type (0..1) and blade auto (0..2).
int LoadOptions();
// 0 when written (a missing file is made), -1 when the save failed (said on stderr).
int SaveKeyConfig();
int SaveOptions();

// 0 when the ten scores were read; 1 when the flag is 0 (all scores 0), the file is
// missing or too short (scores unchanged).
int LoadRanking();
// 0 when written (a missing file is made), -1 when the save failed (said on stderr).
int SaveRanking();

}  // namespace vantorix
