// The sprite sheets the game loads from "Data01": file names, sizes and the painters.
// Each sheet is as large as the union of the cells the game cuts from it.
#pragma once
#include <cairo.h>

#include <span>

#include "tools/make_gamedata/bytes.h"

namespace gamedata {

struct SheetDef {
  const char* path;  // below the game folder
  int width, height;
  void (*paint)(cairo_t*);
};

std::span<const SheetDef> SpriteSheets();
Bytes MakeSheet(const SheetDef& sheet);

// The program's window icon, its icon resource 101: the ship, 48 x 48, with alpha, beside
// the program (the host shows "iconN.bmp" of the program's folder for resource N).
constexpr const char* kIconPath = "icon101.bmp";
Bytes MakeIcon();

// Painters, one per sheet, each in the file of its subject.
void PaintTitle(cairo_t* cr);
void PaintMainFrame(cairo_t* cr);
void PaintSystem(cairo_t* cr);
void PaintStand01(cairo_t* cr);
void PaintStand02(cairo_t* cr);
void PaintCharacter(cairo_t* cr);
void PaintShots(cairo_t* cr);
void PaintEffect01(cairo_t* cr);
void PaintEffect02(cairo_t* cr);
void PaintEffect03(cairo_t* cr);
void PaintEnemy01(cairo_t* cr);
void PaintEnemy02(cairo_t* cr);
void PaintIcon(cairo_t* cr);

}  // namespace gamedata
