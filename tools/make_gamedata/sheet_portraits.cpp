// The dialogue portraits: five characters as head-and-shoulders pictures, 160 x 288,
// on a transparent ground so the frozen field shows around them.
#include "tools/make_gamedata/draw.h"
#include "tools/make_gamedata/sheets.h"

namespace gamedata {
namespace {

enum class HairStyle { Short, Long, Spiky, TwinTails };

struct Character {
  Rgb skin, hair, eyes, outfit, trim;
  HairStyle style;
  bool headset, horns;
};

constexpr Rgb kInk = Hex(0x201820);

void BackHair(cairo_t* cr, const Character& c) {
  const Rgb shade = Scale(c.hair, 0.6);
  switch (c.style) {
    case HairStyle::Long:
      PolyPath(cr, {{44, 80}, {80, 58}, {116, 80}, {128, 180}, {136, 250}, {110, 236}, {80, 250}, {50, 236},
                    {24, 250}, {32, 180}});
      break;
    case HairStyle::TwinTails:
      for (double side : {-1.0, 1.0})
        PolyPath(cr, {{80 + side * 30, 84}, {80 + side * 52, 96}, {80 + side * 64, 170}, {80 + side * 56, 250},
                      {80 + side * 44, 200}, {80 + side * 36, 120}});
      CirclePath(cr, 80, 104, 40);
      break;
    case HairStyle::Short:
      CirclePath(cr, 80, 104, 40);
      PolyPath(cr, {{108, 96}, {138, 120}, {128, 150}, {112, 126}});  // ponytail
      break;
    case HairStyle::Spiky:
      StarPath(cr, 80, 100, 52, 36, 9, 0);
      break;
  }
  FillVertical(cr, 56, 250, c.hair, shade);
}

void Shoulders(cairo_t* cr, const Character& c) {
  PolyPath(cr, {{58, 178}, {20, 206}, {6, 288}, {154, 288}, {140, 206}, {102, 178}});
  FillVertical(cr, 178, 288, c.outfit, Scale(c.outfit, 0.45));
  PolyPath(cr, {{62, 180}, {80, 214}, {98, 180}, {92, 180}, {80, 200}, {68, 180}});
  SetColor(cr, c.trim);
  cairo_fill(cr);
  Line(cr, 30, 220, 48, 288, c.trim, 3);
  Line(cr, 130, 220, 112, 288, c.trim, 3);
  RoundRectPath(cr, 69, 146, 22, 38, 8);  // neck
  SetColor(cr, Scale(c.skin, 0.82));
  cairo_fill(cr);
}

void Face(cairo_t* cr, const Character& c) {
  cairo_move_to(cr, 48, 104);
  cairo_curve_to(cr, 48, 140, 66, 165, 80, 168);
  cairo_curve_to(cr, 94, 165, 112, 140, 112, 104);
  cairo_curve_to(cr, 112, 66, 48, 66, 48, 104);
  cairo_close_path(cr);
  FillStroke(cr, c.skin, Scale(c.skin, 0.55), 1.5);
  for (double side : {-1.0, 1.0}) {
    const double ex = 80 + side * 15;
    cairo_save(cr);
    cairo_translate(cr, ex, 124);
    cairo_scale(cr, 1.0, 0.8);
    CirclePath(cr, 0, 0, 8.5);
    cairo_restore(cr);
    SetColor(cr, Hex(0xFFFFFF));
    cairo_fill(cr);
    Orb(cr, ex, 125, 5.5, c.eyes, Scale(c.eyes, 0.4));
    CirclePath(cr, ex, 125, 2.4);
    SetColor(cr, kInk);
    cairo_fill(cr);
    CirclePath(cr, ex - 2, 122, 1.6);
    SetColor(cr, Hex(0xFFFFFF));
    cairo_fill(cr);
    cairo_arc(cr, ex, 127, 9.5, -kPi * 0.85, -kPi * 0.15);  // upper lid
    SetColor(cr, kInk);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    Line(cr, ex - side * 7, 109, ex + side * 7, 107 + (c.horns ? 3 : 0), Scale(c.hair, 0.5), 2);  // brow
  }
  Line(cr, 80, 134, 78, 142, Scale(c.skin, 0.6), 1.2);
  Line(cr, 73, 153, 87, 153, Hex(0x904848), 1.6);
}

void FrontHair(cairo_t* cr, const Character& c) {
  const bool spiky = c.style == HairStyle::Spiky;
  const double dip = spiky ? 14 : 8;
  PolyPath(cr, {{42, 124}, {44, 86}, {58, 68}, {80, 60}, {102, 68}, {116, 86}, {118, 124}, {110, 100},
                {104, 108 + dip / 2}, {97, 94}, {89, 104 + dip}, {80, 92}, {71, 104 + dip}, {63, 94},
                {56, 108 + dip / 2}, {50, 100}});
  cairo_path_t* path = cairo_copy_path(cr);
  FillVertical(cr, 60, 120, Mix(c.hair, Hex(0xFFFFFF), 0.25), c.hair);
  cairo_append_path(cr, path);
  SetColor(cr, Scale(c.hair, 0.45));
  cairo_set_line_width(cr, 1.2);
  cairo_stroke(cr);
  cairo_path_destroy(path);
  if (spiky) {
    for (int i = 0; i < 4; ++i) {
      const double x = 56 + 16 * i;
      PolyPath(cr, {{x - 8, 70}, {x + 2, 40.0 + 6 * (i % 2)}, {x + 8, 70}});
      FillStroke(cr, c.hair, Scale(c.hair, 0.45), 1.2);
    }
  }
}

void Accessories(cairo_t* cr, const Character& c) {
  if (c.headset) {
    cairo_arc(cr, 80, 104, 42, kPi * 1.05, kPi * 1.95);
    SetColor(cr, Hex(0x505868));
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    RoundRectPath(cr, 112, 100, 10, 22, 4);
    FillStroke(cr, Hex(0x707888), kInk, 1.2);
    Line(cr, 117, 120, 98, 150, Hex(0x505868), 2);
    Orb(cr, 97, 151, 3, Hex(0xFF4040), Hex(0x600000));
  }
  if (c.horns) {
    for (double side : {-1.0, 1.0}) {
      PolyPath(cr, {{80 + side * 18, 70}, {80 + side * 44, 30}, {80 + side * 34, 72}});
      FillStroke(cr, Hex(0x302028), Hex(0xC0A040), 1.5);
    }
  }
}

void Portrait(cairo_t* cr, const Character& c) {
  // Drawn a little larger than laid out, about the bottom centre, to fill the picture.
  cairo_translate(cr, 80, 288);
  cairo_scale(cr, 1.2, 1.2);
  cairo_translate(cr, -80, -288);
  BackHair(cr, c);
  Shoulders(cr, c);
  Face(cr, c);
  FrontHair(cr, c);
  Accessories(cr, c);
}

// The heroine, the three rivals and the last enemy, in the order of their sprite ids.
const Character kCast[5] = {
    {Hex(0xFFE0C8), Hex(0xE06030), Hex(0x3080E0), Hex(0x2848A0), Hex(0xE8E8F0), HairStyle::Short, true, false},
    {Hex(0xF8E4DC), Hex(0xC8CCE0), Hex(0x9050D0), Hex(0x302838), Hex(0xA080E0), HairStyle::Long, false, false},
    {Hex(0xE8C8A8), Hex(0x303040), Hex(0xD03030), Hex(0x5A6048), Hex(0xD0B040), HairStyle::Spiky, false, false},
    {Hex(0xF0DCD0), Hex(0x181420), Hex(0xE0B020), Hex(0x802030), Hex(0xD0A040), HairStyle::Long, false, true},
    {Hex(0xFFE8D8), Hex(0xF0D060), Hex(0x20B0A0), Hex(0xE8ECF8), Hex(0x3060C0), HairStyle::TwinTails, false, false},
};

}  // namespace

void PaintStand01(cairo_t* cr) {
  for (int i = 0; i < 4; ++i) {
    CellScope cell(cr, 160 * i, 0, 160, 288);
    Portrait(cr, kCast[i]);
  }
}

void PaintStand02(cairo_t* cr) {
  CellScope cell(cr, 0, 0, 160, 288);
  Portrait(cr, kCast[4]);
}

}  // namespace gamedata
