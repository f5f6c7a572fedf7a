// Changing the screen mode restarts graphics: unchanged settings with the force flag, a
// full-screen 320 x 240 shown scaled from 640 x 480, fallbacks to modes that start, and
// the end of the program when none does. Fonts keep their handles and the default font
// its look; graphics are deleted.
#include <orvik/fonts.h>

#include <memory>

#include <orvik/graphics.h>

#include "device_fixture.h"
#include "engine/graphics/draw/color_data.h"
#include "engine/graphics/fonts/fonts_internal.h"
#include "host/font/fixed_glyph_source.h"
#include "host/font/font_host.h"
#include "host/win/window/desktop.h"
#include "host/win/system/modules.h"

namespace orvik_test {
namespace {

using namespace orvik;

class ScreenModeTest : public DeviceTest {
protected:
    void SetUp() override {
        host::ResetFontHost();
        host::SetGlyphSource(std::make_shared<host::FixedGlyphSource>());
    }
    void TearDown() override {
        ClearFontSystem();
        host::ResetFontHost();
    }
    static void StartFullScreen() {
        host::SetDisplayModes({{640, 480, 32, 60}, {1920, 1080, 32, 60}});
        ChangeWindowMode(0);
        ASSERT_EQ(SetGraphMode(640, 480, 32), 0);
        ASSERT_EQ(InitLibrary(), 0);
        ASSERT_EQ(Graphics().direct3DMode, 1);
    }
    static uint64_t Devices() { return host::D3D9Counters().devicesCreated; }
};

TEST_F(ScreenModeTest, ForcedRestartKeepsTheSettingsAndTheFontsButNotTheGraphics) {
    ASSERT_EQ(InitLibrary(), 0);
    ASSERT_EQ(SetDefaultFontSize(24), 0);
    int32_t font = CreateFontToHandle(nullptr, 20, -1, kFontTypeNormal, -1, -1, 0);
    ASSERT_GE(font, 0);
    int32_t graph = CreateEmptyGraph(8, 8);
    const ScreenSettings before = Graphics().screen;
    const uint64_t devices = Devices();
    // Nothing changed and nothing forced: nothing happens.
    ASSERT_EQ(ChangeScreenMode(-1, -1, -1, 0, -1), 0);
    EXPECT_EQ(Devices(), devices);

    ASSERT_EQ(ChangeScreenMode(-1, -1, -1, 1, -1), 0);
    EXPECT_EQ(Devices(), devices + 1);
    EXPECT_EQ(Graphics().up, 1);
    EXPECT_EQ(Graphics().screen.width, before.width);
    EXPECT_EQ(Graphics().screen.depth, before.depth);
    EXPECT_EQ(IsValidGraphHandle(graph), 0);
    EXPECT_EQ(IsValidFontHandle(font), 1);
    EXPECT_EQ(QueryFontHandleSize(font), 20);
    EXPECT_EQ(QueryFontHandleSize(QueryDefaultFontHandle()), 24);
    EXPECT_NE(Log().find("画面モード変更処理を開始します"), std::string::npos);
    EXPECT_NE(Log().find("画面モード変更処理は正常に終了しました"), std::string::npos);
    EXPECT_EQ(GetDrawTarget(), -4);
}

TEST_F(ScreenModeTest, FullScreenQuarterScreenRunsOnSixFortyByFourEighty) {
    StartFullScreen();
    ASSERT_EQ(ChangeScreenMode(320, 240, -1, 0, -1), 0);
    EXPECT_EQ(Graphics().screen.width, 640);
    EXPECT_EQ(Graphics().screen.height, 480);
    EXPECT_EQ(Graphics().screen.scale320, 1);
    host::D3DSURFACE_DESC b;
    Graphics().dev.backBuffer->GetDesc(&b);
    EXPECT_EQ(b.Width, 640u);
    int w = 0, h = 0;
    GetScreenModeInfo(&w, &h, nullptr);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
}

TEST_F(ScreenModeTest, AModeThatCannotStartFallsBackToTheOldOne) {
    StartFullScreen();
    ASSERT_EQ(ChangeScreenMode(1000, 1000, -1, 0, -1), 0);
    EXPECT_NE(Log().find("画面モードの変更に失敗しました"), std::string::npos);
    EXPECT_EQ(Graphics().up, 1);
    EXPECT_EQ(Graphics().screen.width, 640);
    EXPECT_EQ(Graphics().screen.height, 480);
    EXPECT_EQ(host::CurrentDisplayMode().width, 640);
}

TEST_F(ScreenModeTest, WhenNoModeStartsTheProgramEnds) {
    EXPECT_EXIT(
        {
            InitLibrary();
            host::SetModuleMissing("d3d9.dll", true);
            ChangeScreenMode(-1, -1, -1, 1, -1);
        },
        ::testing::ExitedWithCode(255), "");
    EXPECT_NE(Log().find("予期せぬ画面モード変更不能現象が起きました2"), std::string::npos);
}

TEST_F(ScreenModeTest, BeforeStartUpTheModeWaitsForIt) {
    ASSERT_EQ(ChangeScreenMode(800, 600, 32, 0, -1), 0);
    EXPECT_EQ(Graphics().up, 0);
    ASSERT_EQ(InitLibrary(), 0);
    host::D3DSURFACE_DESC b;
    Graphics().dev.backBuffer->GetDesc(&b);
    EXPECT_EQ(b.Width, 800u);
    EXPECT_EQ(b.Height, 600u);
}

}  // namespace
}  // namespace orvik_test
