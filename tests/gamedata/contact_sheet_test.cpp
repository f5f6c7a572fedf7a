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
      int sx, sy;
      TileOrigin(d.tiles[(firstRow + r) * 12 + c], &sx, &sy);
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

// A picture with the key colour made transparent, for laying sprites over each other.
cairo_surface_t* ToSprites(const Picture& pic) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pic.width, pic.height);
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < pic.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < pic.width; ++x) {
      const std::uint8_t* p = pic.At(x, y);
      row[x] = pic.Transparent(x, y) ? 0u : (0xFF000000u | p[0] << 16 | p[1] << 8 | p[2]);
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

void Blit(cairo_t* cr, cairo_surface_t* sheet, Rect cell, double x, double y, double w = 0, double h = 0) {
  cairo_save(cr);
  cairo_translate(cr, x, y);
  if (w > 0) cairo_scale(cr, w / cell.w, h / cell.h);
  cairo_rectangle(cr, 0, 0, cell.w, cell.h);
  cairo_clip(cr);
  cairo_set_source_surface(cr, sheet, -cell.x, -cell.y);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_restore(cr);
}

// One frame of play put together from the sheets at the places the game draws them: the
// stage 1 map, enemies, bullets, the ship with its blade, the gauges and the HUD.
TEST(ContactSheets, AMockFrameOfPlay) {
  auto load = [](const char* file) { return ToSprites(ReadBmp24(file)); };
  cairo_surface_t* bg = load("Data01/VRX_BackGround01.bmp");
  cairo_surface_t* frame = load("Data01/VRX_MainFrame01.bmp");
  cairo_surface_t* system = load("Data01/VRX_System01.bmp");
  cairo_surface_t* ship = load("Data01/VRX_Character01.bmp");
  cairo_surface_t* shots = load("Data01/VRX_Shot01.bmp");
  cairo_surface_t* enemies = load("Data01/VRX_Enemy01.bmp");
  cairo_surface_t* effects = load("Data01/VRX_Effect01.bmp");
  const StageData d = ReadStage(1);
  ASSERT_EQ(d.size, 77201u);
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 640, 480);
  cairo_t* cr = cairo_create(out);
  for (int r = 0; r < 15; ++r)
    for (int c = 0; c < 12; ++c) {
      int sx, sy;
      TileOrigin(d.tiles[r * 12 + c], &sx, &sy);
      Blit(cr, bg, {sx, sy, 32, 32}, 32 + 32 * c, 432 - 32 * r);
    }
  Blit(cr, enemies, {0, 160, 96, 96}, 180, 60);
  for (int i = 0; i < 4; ++i) Blit(cr, enemies, {64, 0, 32, 32}, 70 + 60 * i, 200 - 20 * (i % 2));
  Blit(cr, enemies, {64, 96, 64, 64}, 300, 150);
  Blit(cr, effects, {192, 0, 96, 96}, 60, 120);
  for (int i = 0; i < 12; ++i) Blit(cr, shots, {32 * (i % 3), i < 6 ? 128 : 288, 32, 32}, 100 + 22 * i, 250 + 9 * (i % 4));
  Blit(cr, shots, {0, 32, 96, 96}, 224 - 48, 400 - 48);
  Blit(cr, ship, {0, 0, 48, 48}, 224 - 24, 400 - 24);
  Blit(cr, shots, {0, 0, 32, 32}, 224 - 16, 330);
  Blit(cr, system, {0, 0, 224, 32}, 20, 426);
  Blit(cr, system, {0, 32, 32, 32}, 34, 426, 160, 32);
  Blit(cr, system, {256, 32, 224, 32}, 20, 440);
  Blit(cr, system, {160, 32, 32, 32}, 34, 440, 120, 32);
  Blit(cr, frame, {0, 0, 640, 480}, 0, 0);
  Blit(cr, system, {0, 96, 96, 32}, 420, 50);
  Blit(cr, system, {0, 128, 96, 32}, 420, 80);
  Blit(cr, system, {0, 192, 96, 32}, 420, 140);
  Blit(cr, system, {0, 160, 96, 32}, 420, 170);
  const char* hi = "000500000";
  const char* score = "000123450";
  for (int k = 0; k < 9; ++k) {
    Blit(cr, system, {16 * (hi[k] - '0'), 64, 16, 32}, 522 + 12 * k, 50);
    Blit(cr, system, {16 * (score[k] - '0'), 64, 16, 32}, 522 + 12 * k, 80);
  }
  for (int i = 0; i < 3; ++i) Blit(cr, system, {64, 32, 32, 32}, 500 + 12 * i, 140);
  Blit(cr, system, {16 * 7, 64, 16, 32}, 568, 170);
  EXPECT_EQ(cairo_surface_write_to_png(out, ContactPath("MockFrame").c_str()), CAIRO_STATUS_SUCCESS);
  cairo_destroy(cr);
  cairo_surface_destroy(out);
  for (cairo_surface_t* s : {bg, frame, system, ship, shots, enemies, effects}) cairo_surface_destroy(s);
}

}  // namespace
}  // namespace gamedata_test
