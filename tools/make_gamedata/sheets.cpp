#include "tools/make_gamedata/sheets.h"

#include "tools/make_gamedata/canvas.h"

namespace gamedata {
namespace {

constexpr SheetDef kSheets[] = {
    {"Data01/VRX_Title.bmp", 640, 480, PaintTitle},
    {"Data01/VRX_MainFrame01.bmp", 640, 480, PaintMainFrame},
    {"Data01/VRX_System01.bmp", 576, 480, PaintSystem},
    {"Data01/VRX_Stand01.bmp", 640, 288, PaintStand01},
    {"Data01/VRX_Stand02.bmp", 160, 288, PaintStand02},
    {"Data01/VRX_Character01.bmp", 432, 144, PaintCharacter},
    {"Data01/VRX_Shot01.bmp", 448, 320, PaintShots},
    {"Data01/VRX_Effect01.bmp", 576, 192, PaintEffect01},
    {"Data01/VRX_Effect02.bmp", 576, 416, PaintEffect02},
    {"Data01/VRX_Effect03.bmp", 512, 256, PaintEffect03},
    {"Data01/VRX_Enemy01.bmp", 288, 320, PaintEnemy01},
    {"Data01/VRX_Enemy02.bmp", 576, 448, PaintEnemy02},
};

}  // namespace

std::span<const SheetDef> SpriteSheets() { return kSheets; }

Bytes MakeSheet(const SheetDef& sheet) {
  Canvas canvas(sheet.width, sheet.height);
  sheet.paint(canvas.cr());
  return canvas.ToBmp();
}

Bytes MakeIcon() {
  Canvas canvas(48, 48);
  PaintIcon(canvas.cr());
  return canvas.ToBmpWithAlpha();
}

}  // namespace gamedata
