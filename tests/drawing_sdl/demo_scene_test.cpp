// A small scene drawn on the device path into a real window (the sdl backend on a
// virtual X server): the window's screenshot shows exactly the frame that was presented.
#include <gtest/gtest.h>

#include <orvik/graphics.h>
#include <orvik/platform.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "tests/support/back_buffer_pixels.h"
#include "../support/bounded_wait.h"
#include "../support/xwd_screenshot.h"
#include "../window_sdl/sdl_engine_setup.h"
#include "engine/graphics/images/base_image.h"
#include "engine/graphics/handles/graph_load.h"
#include "engine/graphics/device/present.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/base/log.h"
#include "host/backends/backend.h"
#include "host/d3d9/resources/resources.h"
#include "host/win/system/instance_lock.h"

namespace orvik_test {
namespace {

const char* kTitle = "Orvik Drawing Demo";

int32_t Checker(int w, int h) {
    orvik::BaseImage image{};
    orvik::NewXrgb32BaseImage(w, h, &image);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) orvik::WriteBaseImagePixel(&image, x, y, (x ^ y) & 1 ? 255 : 0, x * 8, y * 8, 255);
    int32_t g = orvik::SetGraphFromBaseImage(&image, nullptr, 0, 0, 0);
    orvik::FreeBaseImage(&image);
    return g;
}

// What the game's frame does: an off-screen picture with sprites, blended and rotated
// draws, stretched onto the back buffer, with boxes and lines on top.
void DrawScene() {
    int32_t picture = orvik::CreateDrawableGraph(320, 240);
    int32_t sprite = Checker(16, 16);
    ASSERT_GE(picture, 0);
    ASSERT_GE(sprite, 0);
    ASSERT_EQ(orvik::SetDrawTarget(picture), 0);
    ASSERT_EQ(orvik::ClearDrawTarget(), 0);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(orvik::DrawGraphAt(i * 30, i * 20, sprite, 0), 0);
    ASSERT_EQ(orvik::SetBlendMode(2, 160), 0);
    ASSERT_EQ(orvik::DrawGraphStretched(100, 20, 200, 80, sprite, 0), 0);
    ASSERT_EQ(orvik::SetBlendMode(0, 0), 0);
    ASSERT_EQ(orvik::DrawGraphRotated(250, 180, 2.0, 0.5, sprite, 0, 0), 0);
    ASSERT_EQ(orvik::SetDrawTarget(orvik::kDrawTargetBackBuffer), 0);
    ASSERT_EQ(orvik::ClearDrawTarget(), 0);
    ASSERT_EQ(orvik::DrawGraphStretched(0, 0, 640, 480, picture, 0), 0);
    ASSERT_EQ(orvik::DrawFilledBox(500, 400, 600, 450, orvik::GetColorValue(30, 200, 90)), 0);
    ASSERT_EQ(orvik::DrawColorLine(10, 470, 630, 300, orvik::GetColorValue(255, 255, 0)), 0);
    ASSERT_EQ(orvik::DrawLineBox(20, 20, 120, 60, orvik::GetColorValue(255, 0, 255)), 0);
}

TEST(DrawingDemoTest, WindowShowsExactlyThePresentedFrame) {
    if (!ProgramOnPath("Xvfb") || !ProgramOnPath("xdotool") || !ProgramOnPath("xwd"))
        GTEST_SKIP() << "Xvfb, xdotool or xwd is not installed";
    XvfbDisplay display;
    ASSERT_TRUE(display.Running());
    std::string error;
    const std::string dir = UseSdlBackendOn(display, &error);
    ASSERT_FALSE(dir.empty()) << error;
    orvik::SetAppWindowTitle(kTitle);
    orvik::ChangeWindowMode(1);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(orvik::Graphics().direct3DMode, 1);

    const std::string id = WaitForEngineWindow(kTitle);
    ASSERT_FALSE(id.empty());

    DrawScene();
    const std::vector<uint32_t> presented = BackBufferPixels();
    // The scene is not trivial: several colours in it.
    EXPECT_NE(presented[size_t(425) * 640 + 550], presented[0]);
    Screenshot shot;
    size_t differing = presented.size();
    EXPECT_TRUE(WaitUntil([&] {
        orvik::PresentScreen();
        orvik::PumpMessages();
        if (!shot.Parse(RunProgram({"xwd", "-silent", "-id", id})) || shot.width != 640 || shot.height != 480)
            return false;
        differing = 0;
        for (size_t i = 0; i < presented.size(); ++i) differing += shot.pixels[i] != presented[i];
        return differing == 0;
    }));
    EXPECT_EQ(shot.width, 640);
    EXPECT_EQ(shot.height, 480);
    EXPECT_EQ(differing, 0u);

    EXPECT_EQ(orvik::EndLibrary(), 0);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

}  // namespace
}  // namespace orvik_test
