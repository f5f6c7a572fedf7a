// The title picture, the frame around the play field with the HUD panel, and the
// system sheet: gauge frames and bars, digits, HUD labels, the life icon, the menu
// cursor and the talk window.
#include <cmath>

#include "tools/make_gamedata/draw.h"
#include "tools/make_gamedata/rng.h"
#include "tools/make_gamedata/sheets.h"
#include "tools/make_gamedata/stroke_font.h"

namespace gamedata {
namespace {

constexpr Rgb kPanelLight = Hex(0x3A4466);
constexpr Rgb kPanelDark = Hex(0x141828);
constexpr Rgb kBevel = Hex(0x8090C0);
constexpr Rgb kGold = Hex(0xFFD060);

// Strokes text twice: a dark wide pass under a bright narrow one, legible on any ground.
void InkText(cairo_t* cr, const char* text, double x, double y, double cap, Rgb fill, Rgb edge, double width) {
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  TextPath(cr, text, x, y, cap);
  SetColor(cr, edge);
  cairo_set_line_width(cr, width * 2.2);
  cairo_stroke(cr);
  TextPath(cr, text, x, y, cap);
  SetColor(cr, fill);
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
}

void Starfield(cairo_t* cr, int w, int h, int count, std::uint64_t seed) {
  Rng rng(seed);
  for (int i = 0; i < count; ++i) {
    const double x = rng.Range(0, w), y = rng.Range(0, h);
    const double b = rng.Range(0.4, 1.0);
    CirclePath(cr, x, y, rng.Range(0.5, 1.4));
    SetColor(cr, Mix(Hex(0x8090FF), Hex(0xFFFFFF), b), 1.0);
    cairo_fill(cr);
  }
}

// --- system sheet ---

// Gauge frame: an outlined slot whose inside stays transparent so the bar shows.
void GaugeFrame(cairo_t* cr, double x0, double x1, double top, Rgb c) {
  RoundRectPath(cr, x0, top, x1 - x0, 9, 3);
  SetColor(cr, Hex(0x101018));
  cairo_set_line_width(cr, 3.5);
  cairo_stroke(cr);
  RoundRectPath(cr, x0, top, x1 - x0, 9, 3);
  SetColor(cr, c);
  cairo_set_line_width(cr, 1.6);
  cairo_stroke(cr);
}

void GaugeBar(cairo_t* cr, double top, Rgb c) {
  cairo_rectangle(cr, 0, top, 32, 5);
  FillVertical(cr, top, top + 5, Mix(c, Hex(0xFFFFFF), 0.6), Scale(c, 0.7));
}

void Gauges(cairo_t* cr) {
  {
    CellScope cell(cr, 0, 0, 224, 32);
    GaugeFrame(cr, 12, 216, 2, Hex(0x80D0FF));
  }
  {
    CellScope cell(cr, 256, 0, 320, 32);
    GaugeFrame(cr, 8, 312, 2, Hex(0xFF8080));
  }
  {
    CellScope cell(cr, 256, 32, 224, 32);
    GaugeFrame(cr, 12, 216, 14, Hex(0xFFE080));
  }
  const Rgb bars[3] = {Hex(0x30C0FF), Hex(0xFF3030), Hex(0xFFB020)};
  const double xs[3] = {0, 32, 160};
  for (int i = 0; i < 3; ++i) {
    CellScope cell(cr, xs[i], 32, 32, 32);
    GaugeBar(cr, i == 2 ? 16 : 4, bars[i]);
  }
}

void Digits(cairo_t* cr) {
  for (int d = 0; d < 10; ++d) {
    CellScope cell(cr, 16 * d, 64, 16, 32);
    const char text[2] = {static_cast<char>('0' + d), 0};
    InkText(cr, text, 2, 9, 14, Hex(0xF0F8FF), Hex(0x102040), 2.0);
  }
}

void Labels(cairo_t* cr) {
  const char* labels[4] = {"HI-SCORE", "SCORE", "SLASH", "LIFE"};
  for (int i = 0; i < 4; ++i) {
    CellScope cell(cr, 0, 96 + 32 * i, 96, 32);
    InkText(cr, labels[i], 3, 10, 11, kGold, Hex(0x302010), 1.8);
  }
}

void LifeIcon(cairo_t* cr) {
  CellScope cell(cr, 64, 32, 32, 32);
  MirrorPath(cr, 6, {{6, 8}, {7.5, 13}, {11.5, 19}, {11.5, 21}, {7, 20}, {6, 22}});
  FillStroke(cr, Hex(0xE0F0FF), Hex(0x203060), 1.0);
}

void Cursor(cairo_t* cr) {
  CellScope cell(cr, 128, 32, 32, 32);
  PolyPath(cr, {{8, 6}, {28, 16}, {8, 26}, {13, 16}});
  cairo_path_t* p = cairo_copy_path(cr);
  FillHorizontal(cr, 8, 28, Hex(0x40A0FF), Hex(0xFFFFFF));
  cairo_append_path(cr, p);
  SetColor(cr, Hex(0x102040));
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);
  cairo_path_destroy(p);
}

void TalkWindow(cairo_t* cr) {
  CellScope cell(cr, 0, 384, 384, 96);
  RoundRectPath(cr, 1, 1, 382, 94, 8);
  FillVertical(cr, 0, 96, Hex(0x1C2850), Hex(0x0A0E20));
  RoundRectPath(cr, 2, 2, 380, 92, 7);
  SetColor(cr, kBevel);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  RoundRectPath(cr, 6, 6, 372, 84, 5);
  SetColor(cr, Hex(0x304070));
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

// --- frame ---

void Panel(cairo_t* cr, double x, double y, double w, double h) {
  RoundRectPath(cr, x, y, w, h, 4);
  FillVertical(cr, y, y + h, Hex(0x0A0C18), Hex(0x181C30));
  RoundRectPath(cr, x, y, w, h, 4);
  SetColor(cr, Hex(0x5060A0));
  cairo_set_line_width(cr, 1.2);
  cairo_stroke(cr);
}

// --- title ---

void Planet(cairo_t* cr) {
  Glow(cr, 130, 470, 230, Hex(0x3060C0), 0.9);
  cairo_pattern_t* p = cairo_pattern_create_radial(60, 380, 20, 130, 470, 200);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.55, 0.75, 0.95);
  cairo_pattern_add_color_stop_rgb(p, 0.6, 0.15, 0.3, 0.6);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.03, 0.05, 0.15);
  CirclePath(cr, 130, 470, 200);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

void TitleShip(cairo_t* cr) {
  // The hero's ship climbing past the logo, with a long exhaust trail.
  cairo_save(cr);
  cairo_translate(cr, 520, 300);
  cairo_rotate(cr, 0.35);
  cairo_scale(cr, 2.2, 2.2);
  cairo_translate(cr, -24, -24);
  cairo_rectangle(cr, 20, 40, 8, 60);
  FillVertical(cr, 40, 100, Hex(0xA0D0FF), Hex(0x0A1030));
  MirrorPath(cr, 24, {{24, 2}, {27, 10}, {28, 18}, {31, 21}, {44, 31}, {45, 36}, {34, 35}, {32, 39}, {29, 43},
                      {24, 41}});
  cairo_path_t* hull = cairo_copy_path(cr);
  FillVertical(cr, 2, 44, Hex(0xE8F0FF), Hex(0x4A5A8C));
  cairo_append_path(cr, hull);
  SetColor(cr, Hex(0x141A33));
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  cairo_path_destroy(hull);
  cairo_restore(cr);
}

void Logo(cairo_t* cr) {
  const char* title = "VANTORIX";
  const double cap = 64;
  const double x = (640 - TextWidth(title, cap)) / 2;
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  TextPath(cr, title, x, 96, cap);
  SetColor(cr, Hex(0x080818));
  cairo_set_line_width(cr, 18);
  cairo_stroke(cr);
  TextPath(cr, title, x, 96, cap);
  SetColor(cr, Hex(0x6080FF));
  cairo_set_line_width(cr, 12);
  cairo_stroke(cr);
  TextPath(cr, title, x, 96, cap);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 96, 0, 96 + cap);
  cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 1);
  cairo_pattern_add_color_stop_rgb(p, 0.5, 0.75, 0.9, 1);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.4, 0.6, 1);
  cairo_set_source(cr, p);
  cairo_set_line_width(cr, 6);
  cairo_stroke(cr);
  cairo_pattern_destroy(p);
  Line(cr, 120, 184, 520, 184, Hex(0xFFD060), 2);
  InkText(cr, "BLADE OF THE VERTICAL SKY", (640 - TextWidth("BLADE OF THE VERTICAL SKY", 10)) / 2, 196, 10,
          Hex(0xFFE090), Hex(0x201008), 1.6);
}

}  // namespace

void PaintSystem(cairo_t* cr) {
  Gauges(cr);
  Digits(cr);
  Labels(cr);
  LifeIcon(cr);
  Cursor(cr);
  TalkWindow(cr);
}

void PaintMainFrame(cairo_t* cr) {
  // Metal all round, the play-field window (x 32 to 416, y 16 to 464) left transparent.
  cairo_rectangle(cr, 0, 0, 640, 480);
  cairo_rectangle(cr, 32, 16, 384, 448);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 640, 480);
  cairo_pattern_add_color_stop_rgb(p, 0, kPanelLight.r, kPanelLight.g, kPanelLight.b);
  cairo_pattern_add_color_stop_rgb(p, 1, kPanelDark.r, kPanelDark.g, kPanelDark.b);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  // Bevels just outside the window, never inside it.
  cairo_rectangle(cr, 29.5, 13.5, 389, 453);
  SetColor(cr, kBevel);
  cairo_set_line_width(cr, 3);
  cairo_stroke(cr);
  cairo_rectangle(cr, 26, 10, 396, 460);
  SetColor(cr, Hex(0x0A0C18));
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  // Recessed panels behind the score lines and the life and slash lines.
  Panel(cr, 426, 40, 204, 74);
  Panel(cr, 426, 130, 204, 74);
  Panel(cr, 426, 226, 204, 190);
  InkText(cr, "VANTORIX", 450, 436, 16, Hex(0xC0D0FF), Hex(0x0A0C20), 2.2);
  for (int i = 0; i < 6; ++i) {
    // Rivets along the bottom of the panel.
    Orb(cr, 440 + 34 * i, 466, 3, Hex(0xA0A8C0), Hex(0x303848));
  }
  Rng rng(0x7E11);
  for (int i = 0; i < 40; ++i) {
    // Faint lights in the lower panel.
    CirclePath(cr, rng.Range(440, 616), rng.Range(240, 400), rng.Range(0.6, 1.4));
    SetColor(cr, Mix(Hex(0x4050A0), Hex(0xA0C0FF), rng.Unit()));
    cairo_fill(cr);
  }
}

void PaintTitle(cairo_t* cr) {
  cairo_rectangle(cr, 0, 0, 640, 480);
  FillVertical(cr, 0, 480, Hex(0x02030C), Hex(0x101838));
  Starfield(cr, 640, 480, 260, 0x711E);
  Planet(cr);
  TitleShip(cr);
  Logo(cr);
}

}  // namespace gamedata
