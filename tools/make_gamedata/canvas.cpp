#include "tools/make_gamedata/canvas.h"

#include <algorithm>
#include <cstdint>

#include "tools/make_gamedata/bmp.h"

namespace gamedata {

Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scale(Rgb c, double k) { return {c.r * k, c.g * k, c.b * k}; }

Canvas::Canvas(int width, int height)
    : width_(width),
      height_(height),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      cr_(cairo_create(surface_)) {}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

// Each of the surface's premultiplied pixels turned into `channels` bytes by `convert`
// (pixel, where its bytes go), top row first.
template <typename Convert>
Bytes Canvas::ConvertedPixels(int channels, Convert convert) const {
  cairo_surface_flush(surface_);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  Bytes out(static_cast<std::size_t>(width_) * height_ * channels, 0);
  for (int y = 0; y < height_; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < width_; ++x) convert(row[x], &out[(static_cast<std::size_t>(y) * width_ + x) * channels]);
  }
  return out;
}

Bytes Canvas::KeyedRgb() const {
  return ConvertedPixels(3, [](std::uint32_t p, std::uint8_t* out) {
    const unsigned a = p >> 24;
    if (a < 128) {
      out[0] = 0, out[1] = 255, out[2] = 0;
      return;
    }
    // Un-premultiply, then darken by the uncovered part for a soft dark rim.
    const double rim = 0.6 + 0.4 * (a / 255.0);
    for (int c = 0; c < 3; ++c) {
      const unsigned premul = (p >> (16 - 8 * c)) & 255;
      const double v = std::min(255.0, premul * 255.0 / a) * rim;
      out[c] = static_cast<std::uint8_t>(std::clamp(v + 0.5, 0.0, 255.0));
    }
    if (out[0] == 0 && out[1] == 255 && out[2] == 0) out[1] = 254;
  });
}

Bytes Canvas::ToBmp() const { return EncodeBmp24(width_, height_, KeyedRgb()); }

Bytes Canvas::ToBmpWithAlpha() const {
  const Bytes rgba = ConvertedPixels(4, [](std::uint32_t p, std::uint8_t* out) {
    const unsigned a = p >> 24;
    out[3] = static_cast<std::uint8_t>(a);
    if (a == 0) return;
    for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>(std::min(255u, (((p >> (16 - 8 * c)) & 255) * 255 + a / 2) / a));
  });
  return EncodeBmp32(width_, height_, rgba);
}

CellScope::CellScope(cairo_t* cr, double x, double y, double w, double h) : cr_(cr) {
  cairo_save(cr_);
  cairo_rectangle(cr_, x, y, w, h);
  cairo_clip(cr_);
  cairo_translate(cr_, x, y);
}

CellScope::~CellScope() { cairo_restore(cr_); }

}  // namespace gamedata
