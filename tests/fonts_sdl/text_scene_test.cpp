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

#include "../support/bounded_wait.h"
#include "../window_sdl/x_display.h"
#include "engine/graphics/draw_settings.h"
#include "engine/graphics/fonts_internal.h"
#include "engine/graphics/graphics_system.h"
#include "engine/graphics/present.h"
#include "engine/graphics/vertex_batch.h"
#include "host/d3d9/resources.h"
#include "engine/platform/log.h"
#include "host/backends/backend.h"
#include "host/win/instance_lock.h"

namespace orvik_test {
namespace {

const char* kTitle = "Orvik Text Scene";

uint32_t Big32(const std::string& s, size_t at) {
    const auto* p = reinterpret_cast<const uint8_t*>(s.data() + at);
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// A window dump (xwd, 24-bit TrueColor, 32 bits a pixel) as 0x00RRGGBB rows.
bool ParseXwd(const std::string& d, int& width, int& height, std::vector<uint32_t>& pixels) {
    if (d.size() < 100) return false;
    const uint32_t headerSize = Big32(d, 0), format = Big32(d, 8), w = Big32(d, 16), h = Big32(d, 20);
    const uint32_t byteOrder = Big32(d, 28), bpp = Big32(d, 44), pitch = Big32(d, 48), colors = Big32(d, 76);
    const size_t start = size_t(headerSize) + size_t(colors) * 12;
    if (format != 2 || bpp != 32 || w > 4096 || h > 4096 || d.size() < start + size_t(pitch) * h) return false;
    width = int(w), height = int(h);
    pixels.resize(size_t(w) * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const auto* p = reinterpret_cast<const uint8_t*>(d.data() + start + size_t(y) * pitch + size_t(x) * 4);
            uint32_t v = byteOrder == 0 ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16
                                        : uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16;
            pixels[size_t(y) * w + x] = v & 0xFFFFFF;
        }
    return true;
}

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

std::vector<uint32_t> BackBufferPixels() {
    orvik::FlushVertexBatch();
    host::Surface* b = orvik::Graphics().dev.backBuffer;
    std::vector<uint32_t> px(size_t(b->Width()) * b->Height());
    for (uint32_t y = 0; y < b->Height(); ++y)
        for (uint32_t x = 0; x < b->Width(); ++x) {
            uint32_t v;
            std::memcpy(&v, b->Bits() + size_t(y) * b->Pitch() + size_t(x) * 4, 4);
            px[size_t(y) * b->Width() + x] = v & 0xFFFFFF;
        }
    return px;
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
    ::setenv("DISPLAY", display.Name().c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
    ::setenv("ORVIK_HOST", "sdl", 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    char pattern[] = "/tmp/orvik_text_XXXXXX";
    std::string dir = ::mkdtemp(pattern);
    host::SetRuntimeDirectory(dir);
    orvik::SetLogDirectory(dir.c_str());
    std::string error;
    ASSERT_TRUE(host::SelectBackend(&error)) << error;
    orvik::SetAppWindowTitle(kTitle);
    orvik::ChangeWindowMode(1);
    orvik::SetUseHardwareRendering(1);
    orvik::SetGraphMode(640, 480, 32);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(orvik::Graphics().direct3DMode, 1);

    std::string ids;
    ASSERT_TRUE(WaitUntil([&] {
        orvik::PumpMessages();
        ids = RunProgram({"xdotool", "search", "--name", kTitle});
        return !ids.empty();
    }));
    const std::string id = ids.substr(0, ids.find('\n'));

    // Graphics start-up does not make the font table yet: the default font is made here.
    ASSERT_EQ(orvik::ResetFontSystem(), 0);
    ASSERT_EQ(orvik::SetDrawTarget(orvik::kDrawTargetBackBuffer), 0);
    ASSERT_EQ(orvik::ClearDrawTarget(), 0);
    DrawScene();
    const std::vector<uint32_t> drawn = BackBufferPixels();
    size_t inked = 0;
    for (uint32_t v : drawn) inked += v == 0xFFD040;
    EXPECT_GT(inked, 500u);  // the title's body is there
    int width = 0, height = 0;
    std::vector<uint32_t> shot;
    size_t differing = drawn.size();
    EXPECT_TRUE(WaitUntil([&] {
        orvik::PresentScreen();
        orvik::PumpMessages();
        if (!ParseXwd(RunProgram({"xwd", "-silent", "-id", id}), width, height, shot) || width != 640 || height != 480)
            return false;
        differing = 0;
        for (size_t i = 0; i < drawn.size(); ++i) differing += shot[i] != drawn[i];
        return differing == 0;
    }));
    EXPECT_EQ(differing, 0u);
    if (const char* keep = std::getenv("ORVIK_TEXT_SHOT")) SavePng(keep, width, height, shot);

    orvik::ClearFontSystem();
    EXPECT_EQ(orvik::EndLibrary(), 0);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

}  // namespace
}  // namespace orvik_test
