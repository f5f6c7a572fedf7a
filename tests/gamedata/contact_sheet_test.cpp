// Contact sheets for a person to judge the art: every sprite sheet with its cells
// outlined and its transparent parts shown as a checkerboard, and every stage's map
// laid out from its stage file (the start and the rows around the loop jump).
#include <cairo.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/gamedata/sheet_cells.h"
#include "tests/gamedata/stage_map.h"

namespace gamedata_test {
namespace {

// A picture as a cairo surface; the key colour becomes a grey checkerboard.
cairo_surface_t* ToSurface(const Picture& pic) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, pic.width, pic.height);
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < pic.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < pic.width; ++x) {
      const std::uint8_t* p = pic.At(x, y);
      const std::uint32_t check = ((x / 8 + y / 8) % 2) ? 0x505050u : 0x707070u;
      row[x] = pic.Transparent(x, y) ? check : (p[0] << 16 | p[1] << 8 | p[2]);
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

std::string ContactPath(const std::string& name) {
  std::filesystem::create_directories(CONTACT_DIR);
  return std::string(CONTACT_DIR) + "/" + name + ".png";
}

TEST(ContactSheets, EverySpriteSheetWithItsCellsOutlined) {
  for (const SheetCells& sheet : SpriteSheetCells()) {
    const Picture pic = ReadBmp24(sheet.file);
    ASSERT_GT(pic.width, 0);
    const double zoom = pic.width <= 320 ? 2.0 : 1.0;
    cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(pic.width * zoom),
                                                      static_cast<int>(pic.height * zoom));
    cairo_t* cr = cairo_create(out);
    cairo_scale(cr, zoom, zoom);
    cairo_surface_t* src = ToSurface(pic);
    cairo_set_source_surface(cr, src, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    for (const Rect& r : Expand(sheet)) cairo_rectangle(cr, r.x + 0.5, r.y + 0.5, r.w - 1, r.h - 1);
    cairo_set_source_rgb(cr, 1, 0, 1);
    cairo_set_line_width(cr, 1.0 / zoom);
    cairo_stroke(cr);
    const std::string name = std::filesystem::path(sheet.file).stem().string();
    EXPECT_EQ(cairo_surface_write_to_png(out, ContactPath(name).c_str()), CAIRO_STATUS_SUCCESS) << name;
    cairo_destroy(cr);
    cairo_surface_destroy(src);
    cairo_surface_destroy(out);
    EXPECT_GT(std::filesystem::file_size(ContactPath(name)), 1000u) << name;
  }
}

// Draws 30 map rows from `firstRow` up, as the game draws them (row 0 at the bottom).
void DrawRows(cairo_t* cr, cairo_surface_t* sheet, const StageData& d, int firstRow, double left) {
  for (int r = 0; r < 30; ++r)
    for (int c = 0; c < 12; ++c) {
      const int t = d.tiles[(firstRow + r) * 12 + c] - 1;
      const int sx = (t >= 180 ? 384 : 0) + 32 * ((t % 180) % 12), sy = 32 * ((t % 180) / 12);
      const double dx = left + 32 * c, dy = 32 * (29 - r);
      cairo_save(cr);
      cairo_rectangle(cr, dx, dy, 32, 32);
      cairo_clip(cr);
      cairo_set_source_surface(cr, sheet, dx - sx, dy - sy);
      cairo_paint(cr);
      cairo_restore(cr);
    }
}

TEST(ContactSheets, EveryStageMapAtItsStartAndAroundItsLoopJump) {
  for (int stage = 1; stage <= 6; ++stage) {
    const Picture pic = ReadBmp24("Data01/VRX_BackGround0" + std::to_string(stage) + ".bmp");
    const StageData d = ReadStage(stage);
    ASSERT_EQ(d.size, 77201u);
    cairo_surface_t* sheet = ToSurface(pic);
    cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 784, 960);
    cairo_t* cr = cairo_create(out);
    DrawRows(cr, sheet, d, 0, 0);
    const int jump = kLoopLast[stage] * 14;
    DrawRows(cr, sheet, d, jump - 20, 400);
    // Mark where the loop jumps back.
    cairo_move_to(cr, 400, 32 * (30 - 20));
    cairo_line_to(cr, 408, 32 * (30 - 20));
    cairo_set_source_rgb(cr, 1, 0, 1);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    const std::string name = "StageMap0" + std::to_string(stage);
    EXPECT_EQ(cairo_surface_write_to_png(out, ContactPath(name).c_str()), CAIRO_STATUS_SUCCESS) << name;
    cairo_destroy(cr);
    cairo_surface_destroy(out);
    cairo_surface_destroy(sheet);
  }
}

}  // namespace
}  // namespace gamedata_test
