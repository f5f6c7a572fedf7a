// Shape helpers over cairo shared by every sheet: polygons (plain and mirrored about a
// vertical axis, since most craft are symmetric), lit balls, glows and gradient fills.
#pragma once
#include <cairo.h>

#include <initializer_list>
#include <vector>

#include "tools/make_gamedata/canvas.h"

namespace gamedata {

struct Pt {
  double x, y;
};

constexpr double kPi = 3.14159265358979323846;

void SetColor(cairo_t* cr, Rgb c, double alpha = 1.0);

// Paths (not filled).
void CirclePath(cairo_t* cr, double x, double y, double r);
void PolyPath(cairo_t* cr, const std::vector<Pt>& pts);
// Right half given from top to bottom; the left half is its mirror about x = axis.
void MirrorPath(cairo_t* cr, double axis, const std::vector<Pt>& rightHalf);
void RoundRectPath(cairo_t* cr, double x, double y, double w, double h, double r);
// A regular polygon or star (inner radius ri > 0 makes a star).
void StarPath(cairo_t* cr, double x, double y, double ro, double ri, int points, double turnDeg);

// Filling the current path.
void FillStroke(cairo_t* cr, Rgb fill, Rgb line, double lineWidth);
void FillVertical(cairo_t* cr, double y0, double y1, Rgb top, Rgb bottom);
void FillHorizontal(cairo_t* cr, double x0, double x1, Rgb left, Rgb right);

// A lit ball, opaque: highlight at the upper left, edge colour at the rim.
void Orb(cairo_t* cr, double x, double y, double r, Rgb core, Rgb edge);
// A glow fading out from its centre; the keying keeps the brighter inner part.
void Glow(cairo_t* cr, double x, double y, double r, Rgb c, double alpha = 1.0);
// A radial fill from centre colour to rim colour, opaque up to the rim.
void RadialDisc(cairo_t* cr, double x, double y, double r, Rgb centre, Rgb rim);
void Line(cairo_t* cr, double x0, double y0, double x1, double y1, Rgb c, double width);

}  // namespace gamedata
