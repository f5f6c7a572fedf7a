#include "tools/make_gamedata/backgrounds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/make_gamedata/canvas.h"
#include "tools/make_gamedata/draw.h"
#include "tools/make_gamedata/noise.h"
#include "tools/make_gamedata/rng.h"
#include "tools/make_gamedata/terrain.h"

namespace gamedata {
namespace {

constexpr int kTile = 32;

enum class Decor { Tree, Rock, Ripple, Crater, Wave, Crack, Rivet, Light, Ember, Bubble, Star, Planet };

struct Theme {
  Rgb a1, a2, b1, b2, shore;
  double shoreAmount;
  bool plated;  // metal plates: seams along every tile edge
  Decor decorA[2], decorB[2];
};

constexpr Theme kThemes[kStageCount] = {
    {Hex(0x2E6A2A), Hex(0x4E8A38), Hex(0x1E4A8C), Hex(0x3A74C0), Hex(0xC8B078), 0.7, false,
     {Decor::Tree, Decor::Tree}, {Decor::Ripple, Decor::Rock}},
    {Hex(0xD2A866), Hex(0xE6C488), Hex(0x7A5A42), Hex(0x9A7656), Hex(0x4A3426), 0.6, false,
     {Decor::Ripple, Decor::Rock}, {Decor::Crater, Decor::Rock}},
    {Hex(0x143E7A), Hex(0x22609E), Hex(0xC8E0F4), Hex(0xF0F8FF), Hex(0xFFFFFF), 0.6, false,
     {Decor::Wave, Decor::Wave}, {Decor::Crack, Decor::Rock}},
    {Hex(0x5C6472), Hex(0x7A8494), Hex(0x1A1E2A), Hex(0x2A3040), Hex(0xD0A020), 0.8, true,
     {Decor::Rivet, Decor::Light}, {Decor::Light, Decor::Rivet}},
    {Hex(0x2E2626), Hex(0x4A3C3A), Hex(0xF05010), Hex(0xFFB030), Hex(0x801800), 0.7, false,
     {Decor::Crack, Decor::Rock}, {Decor::Bubble, Decor::Ember}},
    {Hex(0x060614), Hex(0x121230), Hex(0x4A1A6A), Hex(0x8A3A9A), Hex(0x2A1850), 0.5, false,
     {Decor::Star, Decor::Star}, {Decor::Star, Decor::Planet}},
};

double Smooth(double e0, double e1, double x) {
  const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// Value noise that repeats every tile (lattice indices wrap), in about -1..1.
double TileNoise(std::uint32_t seed, double px, double py) {
  double sum = 0, amp = 0.6;
  for (int cells = 2; cells <= 8; cells *= 2, amp *= 0.5) {
    sum += amp * (2 * ValueNoise(seed + cells, px * cells / kTile, py * cells / kTile, cells) - 1);
  }
  return sum;
}

// How much of the second ground lies at a point of a tile with the given corners.
double GroundWeight(int corners, double u, double v, double noise) {
  const double tl = corners & 1, tr = (corners >> 1) & 1, bl = (corners >> 2) & 1, br = (corners >> 3) & 1;
  const double top = tl + (tr - tl) * u, bottom = bl + (br - bl) * u;
  return Smooth(0.44, 0.56, top + (bottom - top) * v + 0.3 * noise);
}

Rgb GroundColour(const Theme& t, int stage, int tile, int px, int py) {
  const std::uint32_t seed = 0xB6u * stage;
  const double u = (px + 0.5) / kTile, v = (py + 0.5) / kTile;
  const double w = GroundWeight(TileCorners(tile), u, v, TileNoise(seed, px + 0.5, py + 0.5));
  // Fine grain of this tile alone, faded out towards its edges so the joins stay clean.
  const double window = std::sin(kPi * u) * std::sin(kPi * v);
  const double grain = (HashUnit(seed + 17, tile, px, py) - 0.5) * 0.14 * window;
  const Rgb a = Mix(t.a1, t.a2, 0.5 + 0.3 * TileNoise(seed + 101, px + 0.5, py + 0.5));
  const Rgb b = Mix(t.b1, t.b2, 0.5 + 0.3 * TileNoise(seed + 202, px + 0.5, py + 0.5));
  Rgb c = Mix(a, b, w);
  c = Mix(c, t.shore, t.shoreAmount * Smooth(0.0, 1.0, 1.0 - std::fabs(2 * w - 1)));
  if (t.plated && w < 0.5) {
    // Plate seams across the middle of every tile, lit from the top left; the plates
    // thus straddle the tile edges, which stay as smooth as the metal itself.
    if (px == 16 || py == 16) c = Scale(c, 0.55);
    else if (px == 17 || py == 17) c = Mix(c, Hex(0xFFFFFF), 0.25);
  }
  return Scale(c, 1.0 + grain);
}

void DrawDecor(cairo_t* cr, Decor d, double x, double y, double s, Rng& rng, const Theme& t) {
  switch (d) {
    case Decor::Tree:
      Orb(cr, x + 1.5, y + 2, 7 * s, Scale(t.a1, 0.5), Scale(t.a1, 0.4));
      Orb(cr, x, y, 7 * s, Mix(t.a2, Hex(0xC0FF80), 0.2), Scale(t.a1, 0.6));
      break;
    case Decor::Rock:
      Orb(cr, x, y, 4.5 * s, Hex(0xA09888), Hex(0x403830));
      break;
    case Decor::Ripple:
      cairo_arc(cr, x, y, 5 * s, kPi * 1.1, kPi * 1.9);
      cairo_arc_negative(cr, x, y + 4 * s, 5 * s, kPi * 1.9, kPi * 1.1);
      SetColor(cr, Mix(t.b2, Hex(0xFFFFFF), 0.5));
      cairo_fill(cr);
      break;
    case Decor::Crater:
      RadialDisc(cr, x, y, 6 * s, Scale(t.b1, 0.55), Mix(t.b2, Hex(0xFFFFFF), 0.2));
      break;
    case Decor::Wave:
      for (int i = 0; i < 2; ++i) {
        cairo_arc(cr, x + 6 * i - 3, y + 4 * i, 4 * s, kPi * 1.15, kPi * 1.85);
        SetColor(cr, Hex(0xD0E8FF));
        cairo_set_line_width(cr, 1.4);
        cairo_stroke(cr);
      }
      break;
    case Decor::Crack:
      cairo_move_to(cr, x - 7 * s, y - 4 * s);
      cairo_line_to(cr, x - 1, y + rng.Range(-2, 2));
      cairo_line_to(cr, x + 7 * s, y + 5 * s);
      cairo_move_to(cr, x - 1, y);
      cairo_line_to(cr, x + 2, y - 7 * s);
      SetColor(cr, t.plated ? Hex(0x101010) : Mix(t.shore, Hex(0xFFE080), 0.3));
      cairo_set_line_width(cr, 1.3);
      cairo_stroke(cr);
      break;
    case Decor::Rivet:
      for (int i = 0; i < 4; ++i) Orb(cr, x + (i % 2 ? 5 : -5) * s, y + (i / 2 ? 5 : -5) * s, 1.6, Hex(0xB0B8C8), Hex(0x30343C));
      RoundRectPath(cr, x - 3 * s, y - 3 * s, 6 * s, 6 * s, 1.5);
      FillStroke(cr, Scale(t.a1, 0.8), Hex(0x202428), 1);
      break;
    case Decor::Light:
      Glow(cr, x, y, 5 * s, rng.Unit() < 0.5 ? Hex(0x40C0FF) : Hex(0xFF5040));
      break;
    case Decor::Ember:
      Glow(cr, x, y, 4 * s, Hex(0xFFE060));
      break;
    case Decor::Bubble:
      CirclePath(cr, x, y, 4 * s);
      SetColor(cr, Hex(0xFFE890));
      cairo_set_line_width(cr, 1.5);
      cairo_stroke(cr);
      break;
    case Decor::Star:
      StarPath(cr, x, y, 3.5 * s, 1.0, 4, 0);
      SetColor(cr, Hex(0xF0F0FF));
      cairo_fill(cr);
      break;
    case Decor::Planet:
      Orb(cr, x, y, 7 * s, Hex(0xC08050), Hex(0x302018));
      break;
  }
}

void DecorateTile(cairo_t* cr, const Theme& t, int stage, int tile) {
  const int variant = TileVariant(tile);
  if (variant < 3) return;  // the plain variants differ in grain only
  Rng rng(HashCoords(0xDEC0u, stage, tile));
  const int count = 1 + variant % 3;
  for (int i = 0; i < count; ++i) {
    const double x = rng.Range(9, 23), y = rng.Range(9, 23);
    const double w = GroundWeight(TileCorners(tile), x / kTile, y / kTile, 0);
    const Decor* set = w > 0.5 ? t.decorB : t.decorA;
    DrawDecor(cr, set[(variant + i) % 2], x, y, rng.Range(0.7, 1.0), rng, t);
  }
}

}  // namespace

std::string BackgroundPath(int stage) {
  char name[48];
  std::snprintf(name, sizeof name, "Data01/VRX_BackGround%02d.bmp", stage);
  return name;
}

Bytes MakeBackground(int stage) {
  const Theme& theme = kThemes[stage - 1];
  Canvas canvas(kBackgroundWidth, kBackgroundHeight);
  cairo_surface_t* target = cairo_get_target(canvas.cr());
  cairo_surface_flush(target);
  unsigned char* data = cairo_image_surface_get_data(target);
  const int stride = cairo_image_surface_get_stride(target);
  for (int tile = 1; tile <= kTileCount; ++tile) {
    int ox, oy;
    TileOrigin(tile, &ox, &oy);
    for (int py = 0; py < kTile; ++py) {
      auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(oy + py) * stride) + ox;
      for (int px = 0; px < kTile; ++px) {
        const Rgb c = GroundColour(theme, stage, tile, px, py);
        auto ch = [](double v) { return static_cast<std::uint32_t>(std::clamp(v, 0.0, 1.0) * 255 + 0.5); };
        row[px] = 0xFF000000u | ch(c.r) << 16 | ch(c.g) << 8 | ch(c.b);
      }
    }
  }
  cairo_surface_mark_dirty(target);
  cairo_t* cr = canvas.cr();
  for (int tile = 1; tile <= kTileCount; ++tile) {
    int ox, oy;
    TileOrigin(tile, &ox, &oy);
    CellScope cell(cr, ox + 2, oy + 2, kTile - 4, kTile - 4);
    cairo_translate(cr, -2, -2);
    DecorateTile(cr, theme, stage, tile);
  }
  return canvas.ToBmp();
}

}  // namespace gamedata
