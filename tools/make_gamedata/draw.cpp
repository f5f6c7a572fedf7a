#include "tools/make_gamedata/draw.h"

#include <cmath>

namespace gamedata {

void SetColor(cairo_t* cr, Rgb c, double alpha) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void CirclePath(cairo_t* cr, double x, double y, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x, y, r, 0, 2 * kPi);
  cairo_close_path(cr);
}

void PolyPath(cairo_t* cr, const std::vector<Pt>& pts) {
  cairo_new_sub_path(cr);
  for (const Pt& p : pts) cairo_line_to(cr, p.x, p.y);
  cairo_close_path(cr);
}

void MirrorPath(cairo_t* cr, double axis, const std::vector<Pt>& rightHalf) {
  cairo_new_sub_path(cr);
  for (const Pt& p : rightHalf) cairo_line_to(cr, p.x, p.y);
  for (auto it = rightHalf.rbegin(); it != rightHalf.rend(); ++it) cairo_line_to(cr, 2 * axis - it->x, it->y);
  cairo_close_path(cr);
}

void RoundRectPath(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr, x + r, y + r, r, kPi, 1.5 * kPi);
  cairo_close_path(cr);
}

void StarPath(cairo_t* cr, double x, double y, double ro, double ri, int points, double turnDeg) {
  cairo_new_sub_path(cr);
  const int steps = ri > 0 ? points * 2 : points;
  for (int i = 0; i < steps; ++i) {
    const double a = (turnDeg - 90.0) * kPi / 180.0 + 2 * kPi * i / steps;
    const double r = (ri > 0 && (i & 1)) ? ri : ro;
    cairo_line_to(cr, x + r * std::cos(a), y + r * std::sin(a));
  }
  cairo_close_path(cr);
}

void FillStroke(cairo_t* cr, Rgb fill, Rgb line, double lineWidth) {
  SetColor(cr, fill);
  cairo_fill_preserve(cr);
  SetColor(cr, line);
  cairo_set_line_width(cr, lineWidth);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
}

static void FillLinear(cairo_t* cr, double x0, double y0, double x1, double y1, Rgb a, Rgb b) {
  cairo_pattern_t* p = cairo_pattern_create_linear(x0, y0, x1, y1);
  cairo_pattern_add_color_stop_rgb(p, 0, a.r, a.g, a.b);
  cairo_pattern_add_color_stop_rgb(p, 1, b.r, b.g, b.b);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

void FillVertical(cairo_t* cr, double y0, double y1, Rgb top, Rgb bottom) { FillLinear(cr, 0, y0, 0, y1, top, bottom); }

void FillHorizontal(cairo_t* cr, double x0, double x1, Rgb left, Rgb right) {
  FillLinear(cr, x0, 0, x1, 0, left, right);
}

namespace {

// Fills the circle with `p` and lets the pattern go.
void FillCircle(cairo_t* cr, double x, double y, double r, cairo_pattern_t* p) {
  CirclePath(cr, x, y, r);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

}  // namespace

void Orb(cairo_t* cr, double x, double y, double r, Rgb core, Rgb edge) {
  cairo_pattern_t* p = cairo_pattern_create_radial(x - r * 0.35, y - r * 0.35, r * 0.05, x, y, r);
  cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 1);
  cairo_pattern_add_color_stop_rgb(p, 0.25, core.r, core.g, core.b);
  cairo_pattern_add_color_stop_rgb(p, 1, edge.r, edge.g, edge.b);
  FillCircle(cr, x, y, r, p);
}

void Glow(cairo_t* cr, double x, double y, double r, Rgb c, double alpha) {
  cairo_pattern_t* p = cairo_pattern_create_radial(x, y, 0, x, y, r);
  cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, alpha);
  cairo_pattern_add_color_stop_rgba(p, 0.3, c.r, c.g, c.b, alpha);
  cairo_pattern_add_color_stop_rgba(p, 1, c.r * 0.3, c.g * 0.3, c.b * 0.3, 0);
  FillCircle(cr, x, y, r, p);
}

void RadialDisc(cairo_t* cr, double x, double y, double r, Rgb centre, Rgb rim) {
  cairo_pattern_t* p = cairo_pattern_create_radial(x, y, 0, x, y, r);
  cairo_pattern_add_color_stop_rgb(p, 0, centre.r, centre.g, centre.b);
  cairo_pattern_add_color_stop_rgb(p, 1, rim.r, rim.g, rim.b);
  FillCircle(cr, x, y, r, p);
}

void Line(cairo_t* cr, double x0, double y0, double x1, double y1, Rgb c, double width) {
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
  SetColor(cr, c);
  cairo_set_line_width(cr, width);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_stroke(cr);
}

}  // namespace gamedata
