// Every enemy and boss. Enemies come from above, so their noses and guns point down
// and their engines glow at the top.
#include <cmath>

#include "tools/make_gamedata/draw.h"
#include "tools/make_gamedata/sheets.h"

namespace gamedata {
namespace {

constexpr Rgb kDark = Hex(0x1A1420);
constexpr Rgb kEngine = Hex(0xFF9040);

// A hull from a mirrored outline, lit from the top down.
void Hull(cairo_t* cr, double axis, const std::vector<Pt>& rightHalf, Rgb light, Rgb dark, double line = 1.2) {
  MirrorPath(cr, axis, rightHalf);
  cairo_path_t* path = cairo_copy_path(cr);
  double x0, y0, x1, y1;
  cairo_path_extents(cr, &x0, &y0, &x1, &y1);
  FillVertical(cr, y0, y1, light, dark);
  cairo_append_path(cr, path);
  SetColor(cr, kDark);
  cairo_set_line_width(cr, line);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
  cairo_path_destroy(path);
}

void Barrel(cairo_t* cr, double x, double y, double w, double len) {
  RoundRectPath(cr, x - w / 2, y, w, len, w / 2.5);
  FillStroke(cr, Hex(0x9098A8), kDark, 1);
}

void Eye(cairo_t* cr, double x, double y, double r, Rgb c) { Orb(cr, x, y, r, c, Scale(c, 0.35)); }

// --- small craft, 32 x 32 ---

void Drone(cairo_t* cr, int frame) {
  for (double side : {-1.0, 1.0}) {
    PolyPath(cr, {{16 + side * 6, 12}, {16 + side * 14, 8 + 4.0 * frame}, {16 + side * 13, 20}, {16 + side * 6, 20}});
    FillStroke(cr, Hex(0xB04050), kDark, 1);
  }
  Orb(cr, 16, 16, 8, Hex(0xE0E0E8), Hex(0x605868));
  Eye(cr, 16, 18, 3.5, frame ? Hex(0xFF4040) : Hex(0xFFB040));
}

void Dart(cairo_t* cr, int frame) {
  Glow(cr, 12, 5, 4 + frame * 1.5, kEngine);
  Glow(cr, 20, 5, 4 + frame * 1.5, kEngine);
  Hull(cr, 16, {{16, 30}, {18, 22}, {28, 8}, {27, 4}, {19, 9}, {16, 6}}, Hex(0xFF8060), Hex(0x802018));
  Eye(cr, 16, 17, 2.5, Hex(0x60E0FF));
}

void Turret(cairo_t* cr, int frame) {
  Barrel(cr, 16, 18, 5, 12);
  StarPath(cr, 16, 14, 12, 0, 6, 0);
  FillStroke(cr, Hex(0xA070D0), kDark, 1.2);
  Eye(cr, 16, 14, 4.5, frame ? Hex(0xFFFF80) : Hex(0xFF60A0));
}

void Saw(cairo_t* cr) {
  StarPath(cr, 16, 16, 15, 11, 10, 0);
  CirclePath(cr, 16, 16, 5);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  FillStroke(cr, Hex(0xA8B0C0), kDark, 1);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  for (int i = 0; i < 3; ++i) {
    const double a = i * 2 * kPi / 3;
    Line(cr, 16 + 6 * std::cos(a), 16 + 6 * std::sin(a), 16 + 10 * std::cos(a), 16 + 10 * std::sin(a),
         Hex(0x505868), 2);
  }
}

void Core(cairo_t* cr, Rgb c) {
  CirclePath(cr, 16, 16, 9.5);
  SetColor(cr, kDark);
  cairo_fill(cr);
  Orb(cr, 16, 16, 8, c, Scale(c, 0.3));
  CirclePath(cr, 16, 16, 4);
  SetColor(cr, Hex(0xFFFFFF), 0.9);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

// --- mid-size craft, 64 x 64 ---

void Gunship(cairo_t* cr) {
  Glow(cr, 24, 8, 7, kEngine);
  Glow(cr, 40, 8, 7, kEngine);
  Barrel(cr, 20, 40, 5, 20);
  Barrel(cr, 44, 40, 5, 20);
  Hull(cr, 32, {{32, 52}, {38, 46}, {50, 44}, {60, 30}, {58, 16}, {44, 18}, {40, 8}, {32, 10}},
       Hex(0xA0A878), Hex(0x485030));
  RoundRectPath(cr, 26, 20, 12, 18, 4);
  FillStroke(cr, Hex(0x707850), kDark, 1);
  Eye(cr, 32, 40, 4, Hex(0xFF5030));
}

void Interceptor(cairo_t* cr) {
  Glow(cr, 32, 10, 9, kEngine);
  Hull(cr, 32, {{32, 60}, {36, 44}, {62, 22}, {60, 14}, {40, 24}, {38, 8}, {32, 12}}, Hex(0x90B8FF),
       Hex(0x203870));
  Hull(cr, 32, {{32, 50}, {35, 38}, {35, 22}, {32, 20}}, Hex(0xE0F0FF), Hex(0x6080C0), 0.8);
  Eye(cr, 32, 32, 3.5, Hex(0xFF4060));
}

void TurretPod(cairo_t* cr) {
  for (int i = 0; i < 6; ++i) {
    cairo_save(cr);
    cairo_translate(cr, 32, 32);
    cairo_rotate(cr, i * kPi / 3 + kPi / 6);
    Barrel(cr, 0, 14, 5, 16);
    cairo_restore(cr);
  }
  StarPath(cr, 32, 32, 22, 0, 8, 22.5);
  FillStroke(cr, Hex(0xD8B060), Hex(0x403010), 1.5);
  Orb(cr, 32, 32, 11, Hex(0xE08030), Hex(0x502008));
  Eye(cr, 32, 32, 5, Hex(0xFFF0A0));
}

void SpiralMine(cairo_t* cr) {
  for (int i = 0; i < 8; ++i) {
    const double a = i * kPi / 4;
    PolyPath(cr, {{32 + 20 * std::cos(a - 0.2), 32 + 20 * std::sin(a - 0.2)}, {32 + 30 * std::cos(a), 32 + 30 * std::sin(a)},
                  {32 + 20 * std::cos(a + 0.2), 32 + 20 * std::sin(a + 0.2)}});
    FillStroke(cr, Hex(0xC0C0C8), kDark, 1);
  }
  Orb(cr, 32, 32, 22, Hex(0xC04040), Hex(0x400810));
  for (int i = 0; i < 4; ++i) {
    cairo_arc(cr, 32, 32, 8 + 3 * i, i * kPi / 2, i * kPi / 2 + kPi * 0.9);
    SetColor(cr, Hex(0xFFB060));
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
  }
}

// --- large craft, 96 x 96 ---

void Fortress(cairo_t* cr) {
  StarPath(cr, 48, 48, 46, 40, 12, 0);
  FillStroke(cr, Hex(0x8890A0), kDark, 1.5);
  RadialDisc(cr, 48, 48, 36, Hex(0x707888), Hex(0x404858));
  for (int i = 0; i < 4; ++i) {
    cairo_arc(cr, 48, 48, 28, i * kPi / 2 + 0.2, i * kPi / 2 + kPi / 2 - 0.2);
    SetColor(cr, Hex(0xFF6040));
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
  }
  Orb(cr, 48, 48, 15, Hex(0xFF3030), Hex(0x500000));
}

void Carrier(cairo_t* cr) {
  Glow(cr, 30, 8, 9, kEngine);
  Glow(cr, 66, 8, 9, kEngine);
  Hull(cr, 48, {{48, 90}, {60, 84}, {74, 60}, {92, 50}, {90, 30}, {72, 24}, {70, 8}, {48, 14}}, Hex(0xC090E0),
       Hex(0x402060));
  CirclePath(cr, 48, 58, 16);
  FillStroke(cr, Hex(0x301840), kDark, 1.5);
  CirclePath(cr, 48, 58, 11);
  SetColor(cr, Hex(0xFF60FF));
  cairo_set_line_width(cr, 3);
  cairo_stroke(cr);
  Glow(cr, 48, 58, 7, Hex(0xFF80FF));
}

void Spinner(cairo_t* cr) {
  for (int i = 0; i < 8; ++i) {
    cairo_save(cr);
    cairo_translate(cr, 48, 48);
    cairo_rotate(cr, i * kPi / 4);
    PolyPath(cr, {{-6, 10}, {-9, 38}, {0, 46}, {9, 38}, {6, 10}});
    FillStroke(cr, Hex(0x40C0B0), Hex(0x083830), 1.3);
    cairo_restore(cr);
  }
  Orb(cr, 48, 48, 18, Hex(0x80FFF0), Hex(0x106060));
  Eye(cr, 48, 48, 7, Hex(0xFFFFFF));
}

// --- bosses ---

void Battleship(cairo_t* cr) {
  for (double x : {60.0, 96.0, 132.0}) Glow(cr, x, 12, 14, kEngine);
  Hull(cr, 96, {{96, 252}, {110, 236}, {128, 200}, {150, 170}, {186, 150}, {188, 110}, {150, 96}, {140, 40},
                {126, 14}, {96, 20}},
       Hex(0xB8C0D0), Hex(0x383C50), 2);
  Hull(cr, 96, {{96, 210}, {108, 190}, {112, 120}, {104, 70}, {96, 66}}, Hex(0x8088A0), Hex(0x303448), 1.5);
  for (double side : {-1.0, 1.0}) {
    // The two main turrets at the guns.
    const double gx = 96 + side * 38;
    Barrel(cr, gx, 137, 6, 26);
    Orb(cr, gx, 137, 11, Hex(0xA0A8B8), Hex(0x303040));
    for (int i = 0; i < 3; ++i) {
      CirclePath(cr, 96 + side * 70, 120 + 10 * i, 3);
      SetColor(cr, Hex(0xFFD060));
      cairo_fill(cr);
    }
  }
  Eye(cr, 96, 170, 9, Hex(0xFF3040));
  RoundRectPath(cr, 86, 80, 20, 30, 6);
  FillStroke(cr, Hex(0x40C0FF), kDark, 1.5);
}

void CoreBoss(cairo_t* cr) {
  Barrel(cr, 32, 50, 8, 13);
  StarPath(cr, 32, 30, 28, 22, 8, 0);
  FillStroke(cr, Hex(0x9098B0), kDark, 1.5);
  Orb(cr, 32, 30, 18, Hex(0x40A0FF), Hex(0x102050));
  Eye(cr, 32, 30, 8, Hex(0xFFFFFF));
}

void SidePod(cairo_t* cr) {
  Glow(cr, 32, 6, 8, kEngine);
  Barrel(cr, 24, 42, 5, 20);
  Barrel(cr, 40, 42, 5, 20);
  Hull(cr, 32, {{32, 52}, {46, 46}, {54, 28}, {46, 10}, {32, 8}}, Hex(0xA0B0D0), Hex(0x303850));
  Eye(cr, 32, 30, 6, Hex(0x40A0FF));
}

void CrystalBoss(cairo_t* cr, int frame) {
  for (int i = 0; i < 3; ++i) {
    // Shards circle the crystal, a third of the way on every frame.
    const double a = (i + frame / 3.0) * 2 * kPi / 3;
    StarPath(cr, 24 + 16 * std::cos(a), 24 + 16 * std::sin(a), 5, 0, 4, frame * 30.0);
    FillStroke(cr, Hex(0xC0F0FF), Hex(0x205070), 1);
  }
  MirrorPath(cr, 24, {{24, 6}, {33, 22}, {24, 42}});
  FillStroke(cr, Hex(0x70D0FF), Hex(0x103050), 1.3);
  Line(cr, 24, 8, 24, 40, Hex(0xE0FFFF), 1);
  Glow(cr, 24, 22, 6 + frame, Hex(0xFFFFFF));
}

void WingFortress(cairo_t* cr) {
  for (double x : {80.0, 128.0, 176.0}) Glow(cr, x, 8, 12, kEngine);
  Hull(cr, 128, {{128, 112}, {150, 100}, {200, 96}, {250, 70}, {252, 40}, {208, 20}, {160, 22}, {140, 6},
                 {128, 8}},
       Hex(0xD0B890), Hex(0x504028), 2);
  for (double side : {-1.0, 1.0}) {
    Barrel(cr, 128 + side * 80, 34, 7, 22);
    Orb(cr, 128 + side * 80, 34, 10, Hex(0xC0A070), Hex(0x403018));
    for (double dx : {64.0, 96.0}) Barrel(cr, 128 + side * dx, 98, 5, 22);
  }
  Orb(cr, 128, 60, 20, Hex(0xFF8040), Hex(0x501808));
  Eye(cr, 128, 60, 8, Hex(0xFFFFA0));
}

void AngelBoss(cairo_t* cr, int frame) {
  const double flap = frame * 3.0;
  for (double side : {-1.0, 1.0}) {
    PolyPath(cr, {{24 + side * 6, 20}, {24 + side * 23, 6 + flap}, {24 + side * 21, 26}, {24 + side * 8, 30}});
    FillStroke(cr, Hex(0x402850), Hex(0xE060FF), 1.2);
  }
  Hull(cr, 24, {{24, 44}, {29, 34}, {30, 16}, {24, 6}}, Hex(0x9070B0), Hex(0x301840));
  Orb(cr, 24, 22, 5 + 0.7 * frame, Hex(0xFF40A0), Hex(0x500020));
}

void Mothership(cairo_t* cr) {
  StarPath(cr, 160, 160, 156, 0, 8, 22.5);
  FillStroke(cr, Hex(0x505868), kDark, 2.5);
  StarPath(cr, 160, 160, 130, 0, 8, 22.5);
  FillVertical(cr, 30, 290, Hex(0x8890A8), Hex(0x303040));
  for (int i = 0; i < 16; ++i) {
    // Panel seams radiating from the core.
    const double a = i * kPi / 8;
    Line(cr, 160 + 40 * std::cos(a), 112 + 40 * std::sin(a), 160 + 125 * std::cos(a), 160 + 125 * std::sin(a),
         Hex(0x404858), 1.5);
  }
  const Pt guns[4] = {{55, 47}, {265, 47}, {265, 203}, {55, 203}};
  for (const Pt& g : guns) {
    Barrel(cr, g.x, g.y, 8, 26);
    Orb(cr, g.x, g.y, 17, Hex(0xB0B8C8), Hex(0x303040));
    Eye(cr, g.x, g.y, 6, Hex(0xFF6030));
  }
  Orb(cr, 160, 112, 30, Hex(0xFF2050), Hex(0x400010));
  Eye(cr, 160, 112, 12, Hex(0xFFE0F0));
  for (double side : {-1.0, 1.0}) Glow(cr, 160 + side * 60, 270, 16, kEngine);
}

}  // namespace

void PaintEnemy01(cairo_t* cr) {
  for (int f = 0; f < 2; ++f) {
    {
      CellScope cell(cr, 32 * f, 0, 32, 32);
      Drone(cr, f);
    }
    {
      CellScope cell(cr, 64 + 32 * f, 0, 32, 32);
      Dart(cr, f);
    }
    CellScope cell(cr, 128 + 32 * f, 0, 32, 32);
    Turret(cr, f);
  }
  {
    CellScope cell(cr, 0, 32, 32, 32);
    Saw(cr);
  }
  const Rgb cores[3] = {Hex(0x4080FF), Hex(0xFF8020), Hex(0xB050FF)};
  for (int i = 0; i < 3; ++i) {
    CellScope cell(cr, 32 * i, 64, 32, 32);
    Core(cr, cores[i]);
  }
  void (*mid[3])(cairo_t*) = {Gunship, Interceptor, TurretPod};
  for (int i = 0; i < 3; ++i) {
    CellScope cell(cr, 64 * i, 96, 64, 64);
    mid[i](cr);
  }
  void (*large[3])(cairo_t*) = {Fortress, Carrier, Spinner};
  for (int i = 0; i < 3; ++i) {
    CellScope cell(cr, 96 * i, 160, 96, 96);
    large[i](cr);
  }
  CellScope cell(cr, 0, 256, 64, 64);
  SpiralMine(cr);
}

void PaintEnemy02(cairo_t* cr) {
  {
    CellScope cell(cr, 0, 0, 192, 256);
    Battleship(cr);
  }
  {
    CellScope cell(cr, 192, 0, 64, 64);
    CoreBoss(cr);
  }
  {
    CellScope cell(cr, 192, 64, 64, 64);
    SidePod(cr);
  }
  for (int f = 0; f < 3; ++f) {
    {
      CellScope cell(cr, 48 * f, 256, 48, 48);
      CrystalBoss(cr, f);
    }
    CellScope cell(cr, 48 * f, 304, 48, 48);
    AngelBoss(cr, f);
  }
  {
    CellScope cell(cr, 256, 0, 256, 128);
    WingFortress(cr);
  }
  CellScope cell(cr, 256, 128, 320, 320);
  Mothership(cr);
}

}  // namespace gamedata
