// Making the device anew: coming back to a full screen (or a present that failed in a
// window) rebuilds the device; graphics keep their handles, those loaded from files draw
// the same pixels without the program loading them again, drawable ones come back empty;
// when no device can be made the software renderer takes over.
#include <fstream>

#include "../support/image_file_builders.h"
#include "drawing_fixture.h"
#include "engine/graphics/device/device_recreate.h"
#include "engine/graphics/device/state_cache.h"
#include "host/backends/headless/headless.h"
#include "host/win/window/desktop.h"
#include "host/win/window/window.h"
#include "tools/shader_pack/shader_tokens.h"

namespace orvik_test {
namespace {

using namespace orvik;

// A 4 x 2 sprite sheet, bottom-up 24-bit: the top row red, green, blue, white and the
// bottom row the other way round.
imagetest::Bytes SheetBmp() {
    imagetest::BmpSpec spec;
    spec.width = 4;
    spec.height = 2;
    const uint32_t rows[2][4] = {{0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000}, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}};
    for (const auto& row : rows)
        for (uint32_t c : row) {
            spec.pixels.push_back(uint8_t(c));
            spec.pixels.push_back(uint8_t(c >> 8));
            spec.pixels.push_back(uint8_t(c >> 16));
        }
    return imagetest::MakeBmp(spec);
}

// Pixel code whose two loops of 255 nest around an add: each pixel runs the 65535
// instructions one invocation may.
std::vector<uint32_t> RunawayPixelCode() {
    using namespace shaderpack;
    const auto integers = RegisterType(host::kFileConstInt);
    return TokenWriter(0xFFFF0300u)
        .Op(host::kOpDefI, {Dest(integers, 0), 255, 0, 0, 0})
        .Op(host::kOpRep, {Src(integers, 0)})
        .Op(host::kOpRep, {Src(integers, 0)})
        .Op(kAdd, {Dest(kTemp, 0), Src(kTemp, 0), Src(kConst, 0)})
        .Op(host::kOpEndRep, {})
        .Op(host::kOpEndRep, {})
        .Op(kMov, {Dest(kColorOut, 0), Src(kTemp, 0)})
        .End();
}

class RecreateTest : public DrawingTest {
protected:
    void SetUp() override {}
    void Start(bool fullScreen) {
        if (fullScreen) {
            host::SetDisplayModes({{640, 480, 32, 60}, {1920, 1080, 32, 60}});
            ChangeWindowMode(0);
            ASSERT_EQ(SetGraphMode(640, 480, 32), 0);
        }
        DrawingTest::SetUp();
    }
    int32_t LoadSheet() {
        std::string path = engine_.Log().Directory() + "/sheet.bmp";
        imagetest::Bytes bytes = SheetBmp();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return LoadImageToGraph(path.c_str());
    }
    // Leaving and coming back, as Alt+Tab does.
    static void SwitchAwayAndBack() {
        host::SetApplicationFocus(false);
        host::SetApplicationFocus(true);
    }
    static uint64_t Devices() { return host::D3D9Counters().devicesCreated; }
    // The sheet at (0, 0) and its cell (1, 0)-(3, 2) at (10, 0).
    void ExpectSheetDrawn(int32_t sheet, int32_t cell) {
        ASSERT_EQ(ClearDrawTarget(), 0);
        ASSERT_EQ(DrawGraphAt(0, 0, sheet, 0), 0);
        ASSERT_EQ(DrawGraphAt(10, 0, cell, 0), 0);
        EXPECT_EQ(Pixel(0, 0), 0xFF0000u);
        EXPECT_EQ(Pixel(3, 0), 0xFFFFFFu);
        EXPECT_EQ(Pixel(3, 1), 0xFF0000u);
        EXPECT_EQ(Pixel(10, 0), 0x00FF00u);
        EXPECT_EQ(Pixel(11, 1), 0x00FF00u);
        EXPECT_EQ(Pixel(12, 0), kBlack);
    }
};

TEST_F(RecreateTest, FullScreenComebackMakesTheDeviceAgainAndSpritesDrawTheSame) {
    Start(true);
    ASSERT_EQ(IsWindowMode(), 0);
    int32_t sheet = LoadSheet();
    ASSERT_GE(sheet, 0);
    int32_t cell = DeriveGraph(1, 0, 2, 2, sheet);
    ExpectSheetDrawn(sheet, cell);
    int32_t drawable = CreateDrawableGraph(16, 16);
    ASSERT_EQ(SetDrawTarget(drawable), 0);
    ASSERT_EQ(DrawFilledBox(0, 0, 16, 16, GetColorValue(255, 255, 0)), 0);
    ASSERT_EQ(GraphPixel(drawable, 5, 5), 0xFFFF00u);
    ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
    const uint64_t devices = Devices();

    SwitchAwayAndBack();
    EXPECT_EQ(Devices(), devices + 1);
    EXPECT_EQ(Graphics().direct3DMode, 1);
    EXPECT_NE(Log().find("グラフィックを復帰します"), std::string::npos);
    EXPECT_EQ(IsValidGraphHandle(sheet), 1);
    EXPECT_EQ(IsValidGraphHandle(cell), 1);
    // Loaded pixels are back; the drawable graphic keeps its handle with an empty texture
    // that can be drawn into again.
    ExpectSheetDrawn(sheet, cell);
    ASSERT_EQ(IsValidGraphHandle(drawable), 1);
    EXPECT_EQ(GraphPixel(drawable, 5, 5), kBlack);
    ASSERT_EQ(SetDrawTarget(drawable), 0);
    ASSERT_EQ(DrawFilledBox(0, 0, 4, 4, GetColorValue(0, 255, 255)), 0);
    EXPECT_EQ(GraphPixel(drawable, 1, 1), 0x00FFFFu);
    ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
    EXPECT_EQ(PresentScreen(), 0);
}

TEST_F(RecreateTest, MinimisedComebackWaitsForTheRealOne) {
    Start(true);
    const uint64_t devices = Devices();
    host::SetApplicationFocus(false);
    SendMessageA(MainWindow(), host::WM_ACTIVATE, host::WPARAM(host::WA_ACTIVE) | (host::WPARAM(1) << 16), 0);
    EXPECT_EQ(Devices(), devices);
}

TEST_F(RecreateTest, WindowMakesTheDeviceAgainOnlyAfterAFailingPresent) {
    Start(false);
    int32_t sheet = LoadSheet();
    int32_t cell = DeriveGraph(1, 0, 2, 2, sheet);
    const uint64_t devices = Devices();
    SwitchAwayAndBack();
    EXPECT_EQ(Devices(), devices);
    // The device is lost: the frame's present fails and the next comeback rebuilds it.
    D3DDevice()->SimulateDeviceLost();
    EXPECT_EQ(PresentScreen(), -1);
    SwitchAwayAndBack();
    EXPECT_EQ(Devices(), devices + 1);
    EXPECT_EQ(PresentScreen(), 0);
    ExpectSheetDrawn(sheet, cell);
}

// A draw whose shaders work past the watchdog's time loses the device as a GPU reset does:
// the frame's present fails, and the comeback makes the device anew. The watchdog's clock
// moves a second at each look.
TEST_F(RecreateTest, ADeviceTheWatchdogLostIsMadeAgainAtTheComeback) {
    host::D3D9Settings().shaderModel = 3;
    Start(false);
    const int32_t sheet = LoadSheet();
    const int32_t cell = DeriveGraph(1, 0, 2, 2, sheet);
    const uint64_t devices = Devices();
    host::Device* d = D3DDevice();
    const std::vector<uint32_t> code = RunawayPixelCode();
    host::PixelShader* ps = nullptr;
    ASSERT_EQ(d->CreatePixelShader(code.data(), code.size() * 4, &ps), host::D3D_OK);
    host::D3D9Settings().drawClock = [t = int64_t(0)]() mutable { return t += 1'000'000; };
    const float quad[4][5] = {{0, 0, 0, 1, 0}, {32, 0, 0, 1, 0}, {0, 32, 0, 1, 0}, {32, 32, 0, 1, 0}};
    BeginSceneIfNeeded();
    d->SetFVF(host::D3DFVF_XYZRHW | host::D3DFVF_DIFFUSE);
    d->SetPixelShader(ps);
    EXPECT_EQ(d->DrawPrimitiveUP(host::D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0]), host::D3D_OK);
    d->SetPixelShader(nullptr);
    ps->Release();
    host::D3D9Settings().drawClock = nullptr;
    EXPECT_EQ(PresentScreen(), -1);
    SwitchAwayAndBack();
    EXPECT_EQ(Devices(), devices + 1);
    EXPECT_EQ(PresentScreen(), 0);
    ExpectSheetDrawn(sheet, cell);
}

TEST_F(RecreateTest, NoNewDeviceLeavesTheSoftwareRendererRunning) {
    Start(false);
    int32_t sheet = LoadSheet();
    int32_t target = CreateDrawableGraph(8, 8);
    ASSERT_EQ(SetDrawTarget(target), 0);
    host::D3D9Settings().deviceCreateFailures = 2;
    ASSERT_EQ(RecreateGraphicsDeviceSameMode(), 0);
    EXPECT_EQ(Graphics().direct3DMode, 0);
    EXPECT_EQ(D3DDevice(), nullptr);
    ASSERT_NE(Graphics().softScreen, nullptr);
    EXPECT_EQ(GetDrawTarget(), kDrawTargetBackBuffer);
    // Shapes draw on the software screen; graphics whose pixels lived on the device are
    // refused, not read from textures that are gone.
    ASSERT_EQ(DrawFilledBox(2, 2, 6, 6, GetColorValue(255, 0, 0)), 0);
    const MEMIMG* screen = Graphics().softScreen;
    uint32_t pixel = 0;
    std::memcpy(&pixel, screen->pixels + 3 * screen->store->pitch + 3 * 4, 4);
    EXPECT_EQ(pixel & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(DrawGraphAt(0, 0, sheet, 0), -1);
    EXPECT_EQ(IsValidGraphHandle(sheet), 1);
    EXPECT_EQ(PresentScreen(), 0);
}

TEST_F(RecreateTest, TheSoftwareRendererKeepsItsGraphicTarget) {
    ASSERT_EQ(SetUseHardwareRendering(0), 0);
    ASSERT_EQ(InitLibrary(), 0);
    int32_t target = CreateDrawableGraph(8, 8);
    ASSERT_EQ(SetDrawTarget(target), 0);
    ASSERT_EQ(RecreateGraphicsDeviceSameMode(), 0);
    EXPECT_EQ(Graphics().direct3DMode, 0);
    EXPECT_EQ(GetDrawTarget(), target);
    EXPECT_EQ(DrawFilledBox(0, 0, 4, 4, GetColorValue(0, 0, 255)), 0);
}

// Without the device library at all, the software renderer takes over too: draws work
// and the present shows the new frame, not the last one the device made.
TEST_F(RecreateTest, MissingDeviceLibraryLeavesTheSoftwareRendererPresenting) {
    Start(false);
    ASSERT_EQ(PresentScreen(), 0);
    host::SetModuleMissing("d3d9.dll", true);
    ASSERT_EQ(RecreateGraphicsDeviceSameMode(), 0);
    host::SetModuleMissing("d3d9.dll", false);
    EXPECT_EQ(Graphics().direct3DMode, 0);
    ASSERT_NE(Graphics().softScreen, nullptr);
    ASSERT_EQ(DrawFilledBox(2, 2, 6, 6, GetColorValue(255, 0, 0)), 0);
    const int frames = host::headless::PresentedFrameCount();
    ASSERT_EQ(PresentScreen(), 0);
    EXPECT_EQ(host::headless::PresentedFrameCount(), frames + 1);
    const host::headless::Frame frame = host::headless::LastFrame();
    ASSERT_EQ(frame.width, 640);
    EXPECT_EQ(frame.pixels.at(3 * 640 + 3), 0xFF0000u);
    EXPECT_EQ(frame.pixels.at(7 * 640 + 7), 0u);
}

}  // namespace
}  // namespace orvik_test

namespace orvik_test {
namespace {

TEST_F(RecreateTest, AMirroredLoadComesBackMirrored) {
    Start(true);
    LoadSheet();  // writes the file
    const std::string path = engine_.Log().Directory() + "/sheet.bmp";
    const int32_t sheet = LoadGraphFile(path.c_str(), 0, 1, 0);
    ASSERT_GE(sheet, 0);
    const int32_t cell = DeriveGraph(0, 0, 2, 1, sheet);  // white, blue once mirrored
    auto expectMirrored = [&] {
        ASSERT_EQ(ClearDrawTarget(), 0);
        ASSERT_EQ(DrawGraphAt(0, 0, sheet, 0), 0);
        ASSERT_EQ(DrawGraphAt(10, 0, cell, 0), 0);
        EXPECT_EQ(Pixel(0, 0), 0xFFFFFFu);
        EXPECT_EQ(Pixel(1, 0), 0x0000FFu);
        EXPECT_EQ(Pixel(3, 0), 0xFF0000u);
        EXPECT_EQ(Pixel(0, 1), 0xFF0000u);
        EXPECT_EQ(Pixel(10, 0), 0xFFFFFFu);
        EXPECT_EQ(Pixel(11, 0), 0x0000FFu);
    };
    expectMirrored();
    const int32_t plain = LoadImageToGraph(path.c_str());  // the same file, not mirrored
    const uint64_t devices = Devices();
    SwitchAwayAndBack();
    ASSERT_EQ(Devices(), devices + 1);
    expectMirrored();
    ASSERT_EQ(ClearDrawTarget(), 0);
    ASSERT_EQ(DrawGraphAt(0, 0, plain, 0), 0);
    EXPECT_EQ(Pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(Pixel(3, 0), 0xFFFFFFu);
}

}  // namespace
}  // namespace orvik_test

namespace orvik_test {
namespace {

// The drawable graphic the program's restore function draws again, and how often it ran.
int32_t g_redrawnPicture = -1;
int g_restoreRuns = 0;

int RedrawPictureAfterRecreation() {
    ++g_restoreRuns;
    RestoreGraphsFromFiles();
    const int target = GetDrawTarget();
    SetDrawTarget(g_redrawnPicture);
    DrawFilledBox(0, 0, 16, 16, GetColorValue(255, 255, 0));
    return SetDrawTarget(target);
}

// A program that keeps a picture in a drawable graphic draws it again in its own restore
// function, which runs in place of the reload from files (and may call that reload).
TEST_F(RecreateTest, TheProgramsRestoreFunctionRefillsDrawableGraphics) {
    Start(true);
    const int32_t sheet = LoadSheet();
    const int32_t cell = DeriveGraph(1, 0, 2, 2, sheet);
    g_redrawnPicture = CreateDrawableGraph(16, 16);
    g_restoreRuns = 0;
    ASSERT_GE(g_redrawnPicture, 0);
    ASSERT_EQ(SetGraphRestoreCallback(&RedrawPictureAfterRecreation), 0);

    SwitchAwayAndBack();
    EXPECT_EQ(g_restoreRuns, 1);
    EXPECT_EQ(GetDrawTarget(), kDrawTargetBackBuffer);
    ExpectSheetDrawn(sheet, cell);
    EXPECT_EQ(GraphPixel(g_redrawnPicture, 15, 15), 0xFFFF00u);

    // Null puts the reload from files back: the picture comes back empty again.
    ASSERT_EQ(SetGraphRestoreCallback(nullptr), 0);
    SwitchAwayAndBack();
    EXPECT_EQ(g_restoreRuns, 1);
    ExpectSheetDrawn(sheet, cell);
    EXPECT_EQ(GraphPixel(g_redrawnPicture, 15, 15), kBlack);
}

}  // namespace
}  // namespace orvik_test
