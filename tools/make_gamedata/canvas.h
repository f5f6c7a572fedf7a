// A drawing surface for one picture of the game, and the step that turns it into the
// colour-keyed form the game loads: pure green (0, 255, 0) is transparent.
#pragma once
#include <cairo.h>

#include "tools/make_gamedata/bytes.h"

namespace gamedata {

struct Rgb {
  double r, g, b;
};

constexpr Rgb Hex(unsigned v) {
  return {((v >> 16) & 255) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0};
}
Rgb Mix(Rgb a, Rgb b, double t);
Rgb Scale(Rgb c, double k);

class Canvas {
 public:
  Canvas(int width, int height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_t* cr() const { return cr_; }
  int width() const { return width_; }
  int height() const { return height_; }

  // Pixels, three bytes each, top row first. A pixel less than half covered becomes
  // pure green; a covered one keeps its colour, darkened a little by the part not
  // covered (an anti-aliased rim), and is nudged off pure green.
  Bytes KeyedRgb() const;
  Bytes ToBmp() const;
  // The picture with its coverage as alpha (straight, not premultiplied), a 32-bit BMP.
  Bytes ToBmpWithAlpha() const;

 private:
  template <typename Convert>
  Bytes ConvertedPixels(int channels, Convert convert) const;

  int width_, height_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

// Clips drawing to one cell of a sheet and moves the origin to its top-left corner, so
// that no picture spills into its neighbour.
class CellScope {
 public:
  CellScope(cairo_t* cr, double x, double y, double w, double h);
  ~CellScope();
  CellScope(const CellScope&) = delete;
  CellScope& operator=(const CellScope&) = delete;

 private:
  cairo_t* cr_;
};

}  // namespace gamedata
