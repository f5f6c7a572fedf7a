// The player's ship (idle, slashing and charging frames) and its weapons: the shot,
// the blade, the charged beam, plus the enemy bullets and the strike band that share
// the shot sheet, and the program's icon. Everything that flies points up.
#include <cmath>

#include "tools/make_gamedata/draw.h"
#include "tools/make_gamedata/sheets.h"

namespace gamedata {
namespace {

constexpr Rgb kHullLight = Hex(0xE8F0FF);
constexpr Rgb kHullDark = Hex(0x4A5A8C);
constexpr Rgb kOutline = Hex(0x141A33);
constexpr Rgb kCyan = Hex(0x40E0FF);
constexpr Rgb kAccent = Hex(0xE03048);

// The ship in a 48 x 48 cell, nose up; flame is the exhaust length in pixels.
void Ship(cairo_t* cr, double flame, Rgb outline) {
  // Exhaust first, so the hull covers its root.
  cairo_save(cr);
  cairo_translate(cr, 24, 40);
  cairo_scale(cr, 0.45, 1.0);
  RadialDisc(cr, 0, 0, flame, Hex(0xFFFFFF), Hex(0x3070FF));
  cairo_restore(cr);
  for (double side : {-1.0, 1.0}) {
    cairo_save(cr);
    cairo_translate(cr, 24 + side * 8, 37);
    cairo_scale(cr, 0.4, 1.0);
    RadialDisc(cr, 0, 0, flame * 0.75, Hex(0xE0F0FF), Hex(0x4090FF));
    cairo_restore(cr);
  }
  // Wings and body.
  MirrorPath(cr, 24, {{24, 2}, {27, 10}, {28, 18}, {31, 21}, {44, 31}, {45, 36}, {34, 35},
                      {32, 39}, {29, 43}, {24, 41}});
  cairo_path_t* hull = cairo_copy_path(cr);
  FillVertical(cr, 2, 44, kHullLight, kHullDark);
  cairo_append_path(cr, hull);
  SetColor(cr, outline);
  cairo_set_line_width(cr, 1.3);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
  cairo_path_destroy(hull);
  // Wing stripes and cockpit.
  for (double side : {-1.0, 1.0}) {
    PolyPath(cr, {{24 + side * 33, 27}, {24 + side * 40, 31}, {24 + side * 40, 33}, {24 + side * 31, 29}});
    SetColor(cr, kAccent);
    cairo_fill(cr);
  }
  cairo_save(cr);
  cairo_translate(cr, 24, 17);
  cairo_scale(cr, 0.5, 1.0);
  Orb(cr, 0, 0, 6, kCyan, Hex(0x104080));
  cairo_restore(cr);
}

void PaintShipCells(cairo_t* cr) {
  const double idleFlames[3] = {6, 8.5, 7};
  for (int i = 0; i < 3; ++i) {
    CellScope cell(cr, 48 * i, 0, 48, 48);
    Ship(cr, idleFlames[i], kOutline);
  }
  {
    // Slashing: a bright edge and a swing streak at the blade side.
    CellScope cell(cr, 0, 48, 48, 48);
    cairo_arc(cr, 24, 24, 20, -1.2 * kPi / 2, 0.1);
    SetColor(cr, Hex(0xA0F0FF));
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    Ship(cr, 9, Hex(0x60F0FF));
  }
  for (int k = 0; k < 9; ++k) {
    // Charging: energy gathers at the nose, peaks and is let go at the last frames.
    CellScope cell(cr, 48 * k, 96, 48, 48);
    Ship(cr, 7 + (k % 2), kOutline);
    const double r = k < 7 ? 3.0 + 1.3 * k : 6.0 - 2.0 * (k - 7);
    Glow(cr, 24, 8, r + 3, Hex(0xB080FF));
    Orb(cr, 24, 8, r * 0.6, Hex(0xE0D0FF), Hex(0x8040FF));
  }
}

void PaintShot(cairo_t* cr) {
  CellScope cell(cr, 0, 0, 32, 32);
  RoundRectPath(cr, 11, 3, 10, 26, 4.9);
  FillHorizontal(cr, 11, 21, Hex(0x1060C0), Hex(0x40E0FF));
  RoundRectPath(cr, 13, 5, 6, 20, 2.9);
  FillVertical(cr, 5, 25, Hex(0xFFFFFF), Hex(0x80F0FF));
}

void PaintBlade(cairo_t* cr) {
  // Centred on the ship: the blade rises from the middle of the cell to its top edge.
  CellScope cell(cr, 0, 32, 96, 96);
  MirrorPath(cr, 48, {{48, 2}, {52, 11}, {55, 26}, {55, 40}, {52, 47}});
  cairo_path_t* edge = cairo_copy_path(cr);
  FillVertical(cr, 3, 47, Hex(0xFFFFFF), Hex(0x40B0FF));
  cairo_append_path(cr, edge);
  SetColor(cr, Hex(0x2060E0));
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);
  cairo_path_destroy(edge);
  Line(cr, 48, 8, 48, 42, Hex(0xFFFFFF), 1.5);
  // Guard across the root.
  RoundRectPath(cr, 40, 44, 16, 4, 2);
  FillStroke(cr, Hex(0xC0C8E0), kOutline, 1);
}

void PaintBeam(cairo_t* cr) {
  const double widths[6] = {6, 14, 24, 34, 42, 18};
  const double glow[6] = {0.7, 0.85, 1.0, 1.0, 1.0, 0.6};
  for (int k = 0; k < 6; ++k) {
    CellScope cell(cr, 128 + 48 * k, 0, 48, 192);
    const double w = widths[k];
    RoundRectPath(cr, 24 - w / 2, 0, w, 152, w / 2 - 0.01);
    cairo_pattern_t* p = cairo_pattern_create_linear(24 - w / 2, 0, 24 + w / 2, 0);
    const Rgb edge = Scale(Hex(0x6030E0), glow[k]);
    const Rgb mid = Scale(Hex(0xA0A0FF), glow[k]);
    const Rgb core = Scale(Hex(0xFFFFFF), glow[k]);
    cairo_pattern_add_color_stop_rgb(p, 0, edge.r, edge.g, edge.b);
    cairo_pattern_add_color_stop_rgb(p, 0.3, mid.r, mid.g, mid.b);
    cairo_pattern_add_color_stop_rgb(p, 0.5, core.r, core.g, core.b);
    cairo_pattern_add_color_stop_rgb(p, 0.7, mid.r, mid.g, mid.b);
    cairo_pattern_add_color_stop_rgb(p, 1, edge.r, edge.g, edge.b);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    Glow(cr, 24, 150, 6 + w / 3, Hex(0xB0A0FF));
  }
}

// Round bullets: a white core in a coloured ball with a dark rim, readable on any ground.
void RoundBullet(cairo_t* cr, double x, double y, double r, Rgb c) {
  CirclePath(cr, x, y, r + 1.5);
  SetColor(cr, Scale(c, 0.35));
  cairo_fill(cr);
  RadialDisc(cr, x, y, r, Hex(0xFFFFFF), c);
}

void NeedleBullet(cairo_t* cr, double x, double y, Rgb c) {
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, 0.4, 1.0);
  CirclePath(cr, 0, 0, 11.5);
  SetColor(cr, Scale(c, 0.35));
  cairo_fill(cr);
  RadialDisc(cr, 0, 0, 10, Hex(0xFFFFFF), c);
  cairo_restore(cr);
  // A pointed tip marks the direction of flight.
  PolyPath(cr, {{x, y - 13}, {x + 2.5, y - 7}, {x - 2.5, y - 7}});
  SetColor(cr, Hex(0xFFFFFF));
  cairo_fill(cr);
}

void PaintBullets(cairo_t* cr) {
  const Rgb round[3] = {Hex(0xFF3040), Hex(0x3070FF), Hex(0xC040FF)};
  const Rgb needle[3] = {Hex(0xFF5020), Hex(0x30A0FF), Hex(0xF0D020)};
  for (int i = 0; i < 3; ++i) {
    {
      CellScope cell(cr, 32 * i, 128, 32, 32);
      RoundBullet(cr, 16, 16, 6 + (i == 2), round[i]);
    }
    CellScope cell(cr, 32 * i, 160, 32, 32);
    NeedleBullet(cr, 16, 16, needle[i]);
  }
  {
    CellScope cell(cr, 0, 288, 32, 32);
    StarPath(cr, 16, 16, 10, 4.5, 5, 0);
    FillStroke(cr, Hex(0xFFE040), Hex(0x804000), 1.5);
    Glow(cr, 16, 16, 4, Hex(0xFFFFA0));
  }
  {
    CellScope cell(cr, 32, 288, 32, 32);
    RoundBullet(cr, 16, 16, 9, Hex(0x20D0E0));
  }
  {
    CellScope cell(cr, 64, 288, 32, 32);
    StarPath(cr, 16, 16, 10, 0, 4, 0);
    FillStroke(cr, Hex(0xFF9020), Hex(0x702000), 1.5);
    RadialDisc(cr, 16, 16, 4, Hex(0xFFFFFF), Hex(0xFFC060));
  }
  for (int k = 0; k < 4; ++k) {
    // A pulsing, turning four-point star: four frames of one loop.
    CellScope cell(cr, 32 * k, 256, 32, 32);
    const double pulse = 1.0 + 0.12 * std::sin(k * kPi / 2);
    StarPath(cr, 16, 16, 11 * pulse, 4.5, 4, 22.5 * k);
    FillStroke(cr, Hex(0xFF40C0), Hex(0x600040), 1.2);
    RadialDisc(cr, 16, 16, 4.5, Hex(0xFFFFFF), Hex(0xFF90E0));
  }
}

void PaintBand(cairo_t* cr) {
  // Stretched over the whole screen height: uniform down, bright in the middle across.
  CellScope cell(cr, 128, 192, 320, 32);
  cairo_rectangle(cr, 0, 0, 320, 32);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 320, 0);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.08, 0.0, 0.12);
  cairo_pattern_add_color_stop_rgb(p, 0.3, 0.45, 0.15, 0.7);
  cairo_pattern_add_color_stop_rgb(p, 0.47, 0.95, 0.85, 1.0);
  cairo_pattern_add_color_stop_rgb(p, 0.5, 1.0, 1.0, 1.0);
  cairo_pattern_add_color_stop_rgb(p, 0.53, 0.95, 0.85, 1.0);
  cairo_pattern_add_color_stop_rgb(p, 0.7, 0.45, 0.15, 0.7);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.08, 0.0, 0.12);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

}  // namespace

void PaintCharacter(cairo_t* cr) { PaintShipCells(cr); }

void PaintIcon(cairo_t* cr) { Ship(cr, 8, kOutline); }

void PaintShots(cairo_t* cr) {
  PaintShot(cr);
  PaintBlade(cr);
  PaintBeam(cr);
  PaintBullets(cr);
  PaintBand(cr);
}

}  // namespace gamedata
