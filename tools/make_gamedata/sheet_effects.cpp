// Explosions, sparks, barrier bursts, bullet-erase flashes, the barrier itself, the
// warning sigil and the shock ring. Most are drawn by the game with additive blending,
// so dark parts fade into the picture and bright parts glow.
#include <cmath>

#include "tools/make_gamedata/draw.h"
#include "tools/make_gamedata/rng.h"
#include "tools/make_gamedata/sheets.h"

namespace gamedata {
namespace {

// One frame of a fireball: t runs 0 (flash) to 1 (last smoke).
void Explosion(cairo_t* cr, double t, Rng& rng) {
  const double r = 18 + 26 * std::pow(t, 0.6);
  const Rgb hot = Mix(Hex(0xFFFFC0), Hex(0xFFA020), std::min(1.0, t * 1.3));
  const Rgb rim = Mix(Hex(0xFF7000), Hex(0x500808), t);
  const double fade = 1.0 - 0.55 * t;
  // Puffs around the ball, then the ball; late frames break up into smoke.
  for (int i = 0; i < 9; ++i) {
    const double a = 2 * kPi * i / 9 + rng.Range(-0.3, 0.3);
    const double d = r * rng.Range(0.45, 0.75);
    const double pr = r * rng.Range(0.35, 0.5);
    RadialDisc(cr, 48 + d * std::cos(a), 48 + d * std::sin(a), pr, Scale(hot, fade), Scale(rim, fade));
  }
  if (t < 0.75) RadialDisc(cr, 48, 48, r * (0.7 - 0.5 * t), Scale(Hex(0xFFFFF0), fade), Scale(hot, fade));
  for (int i = 0; i < 8; ++i) {
    // Debris flung outwards.
    const double a = rng.Range(0, 2 * kPi);
    const double d = r * rng.Range(0.9, 1.15);
    CirclePath(cr, 48 + d * std::cos(a), 48 + d * std::sin(a), rng.Range(1.0, 2.2));
    SetColor(cr, Scale(Hex(0xFFD080), fade));
    cairo_fill(cr);
  }
  if (t > 0.6) {
    // Holes open in the smoke.
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    for (int i = 0; i < 5; ++i) {
      const double a = rng.Range(0, 2 * kPi);
      CirclePath(cr, 48 + r * 0.4 * std::cos(a), 48 + r * 0.4 * std::sin(a), r * (t - 0.5) * 0.5);
      cairo_fill(cr);
    }
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  }
}

void Ring(cairo_t* cr, double x, double y, double r, double width, Rgb inner, Rgb mid) {
  // An opaque annulus: dark at both rims (which vanish when added), bright in the middle.
  cairo_pattern_t* p = cairo_pattern_create_radial(x, y, std::max(0.0, r - width / 2), x, y, r + width / 2);
  cairo_pattern_add_color_stop_rgb(p, 0, inner.r, inner.g, inner.b);
  cairo_pattern_add_color_stop_rgb(p, 0.5, mid.r, mid.g, mid.b);
  cairo_pattern_add_color_stop_rgb(p, 1, inner.r, inner.g, inner.b);
  cairo_new_path(cr);
  cairo_arc(cr, x, y, r + width / 2, 0, 2 * kPi);
  cairo_new_sub_path(cr);
  cairo_arc_negative(cr, x, y, std::max(0.0, r - width / 2), 2 * kPi, 0);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

void BarrierBurst(cairo_t* cr, int k) {
  // Eight frames: a hexagonal shell opening outwards and thinning.
  const double t = k / 7.0;
  const double r = 14 + 30 * t;
  const Rgb c = Mix(Hex(0xC0FFFF), Hex(0x2050C0), t);
  Ring(cr, 48, 48, r, 10 - 6 * t, Scale(c, 0.3), c);
  StarPath(cr, 48, 48, r * 0.8, 0, 6, 30 * t);
  SetColor(cr, Scale(c, 0.9));
  cairo_set_line_width(cr, 2.0 - t);
  cairo_stroke(cr);
}

void HitSpark(cairo_t* cr, int k) {
  // A cross flare with a slash streak, shrinking over five frames.
  const double s = 1.0 - k * 0.1;
  StarPath(cr, 32, 32, 28 * s, 4.5 * s, 4, 0);
  FillStroke(cr, Hex(0xFFFFC0), Hex(0xFF9020), 1);
  StarPath(cr, 32, 32, 17 * s, 4 * s, 4, 45);
  SetColor(cr, Hex(0xFFE080));
  cairo_fill(cr);
  Line(cr, 32 - 24 * s, 32 + 20 * s, 32 + 24 * s, 32 - 20 * s, Hex(0xFFFFFF), 2.5 * s);
  Glow(cr, 32, 32, 8 * s, Hex(0xFFF0A0));
}

void SmallBurst(cairo_t* cr, int k, Rgb c) {
  const double t = k / 4.0;
  const double r = 4 + 9 * t;
  Ring(cr, 16, 16, r, 5 - 3 * t, Scale(c, 0.25), Mix(Hex(0xFFFFFF), c, t));
  for (int i = 0; i < 4; ++i) {
    const double a = kPi / 4 + i * kPi / 2;
    CirclePath(cr, 16 + (r + 2) * std::cos(a), 16 + (r + 2) * std::sin(a), 1.6 - t);
    SetColor(cr, Hex(0xFFFFFF));
    cairo_fill(cr);
  }
  if (k < 3) RadialDisc(cr, 16, 16, 6 - 2 * k, Hex(0xFFFFFF), c);
}

void Barrier(cairo_t* cr, Rgb c, bool broken) {
  Ring(cr, 32, 32, 27, 7, Scale(c, 0.3), c);
  // A faint honeycomb inside shows the field without hiding the ship.
  for (int i = 0; i < 6; ++i) {
    const double a = kPi / 6 + i * kPi / 3;
    if (broken && (i % 2)) continue;
    Line(cr, 32 + 12 * std::cos(a), 32 + 12 * std::sin(a), 32 + 24 * std::cos(a), 32 + 24 * std::sin(a),
         Scale(c, 0.8), 1.2);
  }
  StarPath(cr, 32, 32, 12, 0, 6, 0);
  SetColor(cr, Scale(c, 0.7));
  cairo_set_line_width(cr, 1.0);
  if (broken) {
    const double dash[2] = {4, 3};
    cairo_set_dash(cr, dash, 2, 0);
  }
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
}

void Sigil(cairo_t* cr) {
  const Rgb c = Hex(0xD060FF);
  const Rgb dim = Hex(0x703090);
  Ring(cr, 128, 128, 120, 6, dim, c);
  Ring(cr, 128, 128, 104, 3, dim, c);
  Ring(cr, 128, 128, 60, 4, dim, c);
  for (int i = 0; i < 48; ++i) {
    // Tick marks between the two outer rings, longer every fourth.
    const double a = 2 * kPi * i / 48;
    const double in = (i % 4) ? 108 : 106;
    const double out = (i % 4) ? 112 : 116;
    Line(cr, 128 + in * std::cos(a), 128 + in * std::sin(a), 128 + out * std::cos(a), 128 + out * std::sin(a), c,
         (i % 4) ? 1.5 : 2.5);
  }
  for (int tri = 0; tri < 2; ++tri) {
    StarPath(cr, 128, 128, 100, 0, 3, tri * 60.0);
    SetColor(cr, c);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
  }
  for (int i = 0; i < 6; ++i) {
    // Small glyph circles at the points of the star.
    const double a = -kPi / 2 + i * kPi / 3;
    CirclePath(cr, 128 + 82 * std::cos(a), 128 + 82 * std::sin(a), 9);
    SetColor(cr, c);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
  }
  Glow(cr, 128, 128, 30, Hex(0xF0A0FF));
}

void ShockRing(cairo_t* cr) {
  Ring(cr, 128, 128, 112, 28, Hex(0x101830), Hex(0xFFFFFF));
  Ring(cr, 128, 128, 112, 10, Hex(0x80C0FF), Hex(0xFFFFFF));
}

}  // namespace

void PaintEffect01(cairo_t* cr) {
  Rng rng(0x5EED0001);
  for (int k = 0; k < 7; ++k) {
    CellScope cell(cr, k < 6 ? 96 * k : 0, k < 6 ? 0 : 96, 96, 96);
    Explosion(cr, k / 6.0, rng);
  }
}

void PaintEffect02(cairo_t* cr) {
  {
    CellScope cell(cr, 0, 0, 64, 64);
    Barrier(cr, Hex(0x60E0FF), false);
  }
  {
    CellScope cell(cr, 64, 0, 64, 64);
    Barrier(cr, Hex(0xFF7040), true);
  }
  for (int k = 0; k < 5; ++k) {
    CellScope cell(cr, 64 * k, 64, 64, 64);
    HitSpark(cr, k);
  }
  for (int k = 0; k < 8; ++k) {
    CellScope cell(cr, 96 * (k < 6 ? k : k - 6), k < 6 ? 128 : 224, 96, 96);
    BarrierBurst(cr, k);
  }
  const Rgb bursts[3] = {Hex(0xFF6080), Hex(0x50C0FF), Hex(0xFFD040)};
  for (int row = 0; row < 3; ++row)
    for (int k = 0; k < 5; ++k) {
      CellScope cell(cr, 32 * k, 320 + 32 * row, 32, 32);
      SmallBurst(cr, k, bursts[row]);
    }
}

void PaintEffect03(cairo_t* cr) {
  {
    CellScope cell(cr, 0, 0, 256, 256);
    Sigil(cr);
  }
  CellScope cell(cr, 256, 0, 256, 256);
  ShockRing(cr);
}

}  // namespace gamedata
