// A text scene drawn into a real window (the sdl backend on a virtual X server) on the
// device path: the window's screenshot shows the frame with the glyphs. With
// ORVIK_TEXT_SHOT set to a file name, the screenshot is also saved there as a PNG. (One
// test only: two virtual X servers started at once can race for a display number.)
#include <gtest/gtest.h>
#include <png.h>

#include <orvik/fonts.h>
#include <orvik/graphics.h>
#include <orvik/platform.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "tests/support/back_buffer_pixels.h"
#include "../support/bounded_wait.h"
#include "../support/xwd_screenshot.h"
#include "../window_sdl/sdl_engine_setup.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/fonts/fonts_internal.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/present.h"
#include "engine/graphics/device/vertex_batch.h"
#include "host/d3d9/resources/resources.h"
#include "engine/platform/base/log.h"
#include "host/backends/backend.h"
#include "host/win/system/instance_lock.h"

namespace orvik_test {
namespace {

const char* kTitle = "Orvik Text Scene";

void SavePng(const char* path, int width, int height, const std::vector<uint32_t>& pixels) {
    FILE* file = std::fopen(path, "wb");
    if (!file) return;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t v = pixels[size_t(y) * width + x];
            row[size_t(x) * 3] = uint8_t(v >> 16);
            row[size_t(x) * 3 + 1] = uint8_t(v >> 8);
            row[size_t(x) * 3 + 2] = uint8_t(v);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

// Menu-like lines in the fonts the game uses: plain, edged, large, and Japanese text.
void DrawScene() {
    int32_t title = orvik::CreateFontToHandle(nullptr, 48, 8, orvik::kFontTypeEdge, -1, 3, 0);
    int32_t menu = orvik::CreateFontToHandle(nullptr, 24, -1, orvik::kFontTypeNormal, -1, -1, 0);
    ASSERT_GE(title, 0);
    ASSERT_GE(menu, 0);
    EXPECT_GT(orvik::DrawTextWithFont(120, 60, "VANTORIX", 0xFFD040, title, 0x802000), 0);
    EXPECT_GT(orvik::DrawTextWithFont(200, 200, "START", 0xFFFFFF, menu), 0);
    EXPECT_GT(orvik::DrawTextWithFont(200, 240, "弾幕 OPTION", 0x80C0FF, menu), 0);
    EXPECT_GT(orvik::DrawTextWithFont(560, 180, "縦書き", 0xFFFFFF, menu, 0, 1), 0);
    EXPECT_GT(orvik::DrawTextFormatted(16, 440, 0x40FF40, "SCORE %08d", 1234500), 0);
}

TEST(TextSceneTest, WindowShowsTheTextDrawnIntoTheScreen) {
    if (!ProgramOnPath("Xvfb") || !ProgramOnPath("xdotool") || !ProgramOnPath("xwd"))
        GTEST_SKIP() << "Xvfb, xdotool or xwd is not installed";
    XvfbDisplay display;
    ASSERT_TRUE(display.Running());
    std::string error;
    const std::string dir = UseSdlBackendOn(display, &error);
    ASSERT_FALSE(dir.empty()) << error;
    orvik::SetAppWindowTitle(kTitle);
    orvik::ChangeWindowMode(1);
    orvik::SetUseHardwareRendering(1);
    orvik::SetGraphMode(640, 480, 32);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(orvik::Graphics().direct3DMode, 1);

    const std::string id = WaitForEngineWindow(kTitle);
    ASSERT_FALSE(id.empty());

    // Graphics start-up does not make the font table yet: the default font is made here.
    ASSERT_EQ(orvik::ResetFontSystem(), 0);
    ASSERT_EQ(orvik::SetDrawTarget(orvik::kDrawTargetBackBuffer), 0);
    ASSERT_EQ(orvik::ClearDrawTarget(), 0);
    DrawScene();
    const std::vector<uint32_t> drawn = BackBufferPixels();
    size_t inked = 0;
    for (uint32_t v : drawn) inked += v == 0xFFD040;
    EXPECT_GT(inked, 500u);  // the title's body is there
    Screenshot shot;
    size_t differing = drawn.size();
    EXPECT_TRUE(WaitUntil([&] {
        orvik::PresentScreen();
        orvik::PumpMessages();
        if (!shot.Parse(RunProgram({"xwd", "-silent", "-id", id})) || shot.width != 640 || shot.height != 480)
            return false;
        differing = 0;
        for (size_t i = 0; i < drawn.size(); ++i) differing += shot.pixels[i] != drawn[i];
        return differing == 0;
    }));
    EXPECT_EQ(differing, 0u);
    if (const char* keep = std::getenv("ORVIK_TEXT_SHOT")) SavePng(keep, shot.width, shot.height, shot.pixels);

    orvik::ClearFontSystem();
    EXPECT_EQ(orvik::EndLibrary(), 0);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

}  // namespace
}  // namespace orvik_test
