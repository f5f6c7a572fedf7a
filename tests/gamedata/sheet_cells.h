// The cells the game cuts from each sprite sheet, as the game's loader lists them:
// runs of equal cells stepping across (or down) from a first position.
#pragma once
#include <string>
#include <vector>

namespace gamedata_test {

struct CellRun {
  int x, y, w, h, count = 1, dx = 0, dy = 0;
};

struct SheetCells {
  std::string file;
  std::vector<CellRun> runs;
};

struct Rect {
  int x, y, w, h;
};

inline std::vector<Rect> Expand(const SheetCells& sheet) {
  std::vector<Rect> out;
  for (const CellRun& r : sheet.runs)
    for (int i = 0; i < r.count; ++i) {
      const int dx = r.dx ? r.dx : (r.dy ? 0 : r.w);
      out.push_back({r.x + dx * i, r.y + r.dy * i, r.w, r.h});
    }
  return out;
}

inline const std::vector<SheetCells>& SpriteSheetCells() {
  static const std::vector<SheetCells> sheets = {
      {"Data01/VRX_Title.bmp", {{0, 0, 640, 480}}},
      {"Data01/VRX_MainFrame01.bmp", {{0, 0, 640, 480}}},
      {"Data01/VRX_System01.bmp",
       {{0, 0, 224, 32}, {0, 32, 32, 32, 2}, {256, 0, 320, 32}, {256, 32, 224, 32}, {160, 32, 32, 32},
        {0, 64, 16, 32, 10}, {0, 96, 96, 32, 4, 0, 32}, {64, 32, 32, 32}, {0, 384, 384, 96}, {128, 32, 32, 32}}},
      {"Data01/VRX_Stand01.bmp", {{0, 0, 160, 288, 4}}},
      {"Data01/VRX_Stand02.bmp", {{0, 0, 160, 288}}},
      {"Data01/VRX_Character01.bmp", {{0, 0, 48, 48, 3}, {0, 48, 48, 48}, {0, 96, 48, 48, 9}}},
      {"Data01/VRX_Shot01.bmp",
       {{0, 0, 32, 32}, {0, 32, 96, 96}, {128, 0, 48, 192, 6}, {0, 128, 32, 32, 3}, {0, 160, 32, 32, 3},
        {0, 288, 32, 32, 3}, {0, 256, 32, 32, 4}, {128, 192, 320, 32}}},
      {"Data01/VRX_Effect01.bmp", {{0, 0, 96, 96, 6}, {0, 96, 96, 96}}},
      {"Data01/VRX_Effect02.bmp",
       {{0, 128, 96, 96, 6}, {0, 224, 96, 96, 2}, {0, 64, 64, 64, 5}, {0, 320, 32, 32, 5}, {0, 352, 32, 32, 5},
        {0, 384, 32, 32, 5}, {0, 0, 64, 64, 2}}},
      {"Data01/VRX_Effect03.bmp", {{0, 0, 256, 256, 2}}},
      {"Data01/VRX_Enemy01.bmp",
       {{0, 0, 32, 32}, {0, 32, 32, 32}, {0, 64, 32, 32, 3}, {0, 0, 32, 32, 6}, {0, 96, 64, 64, 3},
        {0, 160, 96, 96, 3}, {0, 256, 64, 64}}},
      {"Data01/VRX_Enemy02.bmp",
       {{0, 0, 192, 256}, {192, 0, 64, 64}, {192, 64, 64, 64}, {0, 256, 48, 48, 3}, {256, 0, 256, 128},
        {0, 304, 48, 48, 3}, {256, 128, 320, 320}}},
  };
  return sheets;
}

}  // namespace gamedata_test
