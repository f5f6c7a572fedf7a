// Graphics start-up: the device path with its log lines, and every failure that sends
// the engine to the software renderer or stops it.
#include <cstdlib>

#include "device_fixture.h"
#include "host/heap.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/vertex_batch.h"

namespace orvik_test {
namespace {

using orvik::Graphics;
using orvik::InitLibrary;

class StartupTest : public DeviceTest {
protected:
    void ExpectSoftwarePath() {
        EXPECT_EQ(Graphics().up, 1);
        EXPECT_EQ(Graphics().direct3DMode, 0);
        EXPECT_EQ(Graphics().dev.device, nullptr);
        ASSERT_NE(Graphics().softScreen, nullptr);
        EXPECT_EQ(Graphics().softScreen->width, 640);
        // The refresh is still measured through DirectDraw on this path.
        EXPECT_EQ(Graphics().screen.refreshPeriod, 16666);
    }
};

TEST_F(StartupTest, DevicePathStartsAndLogsEachStep) {
    // A device without shaders: its vertex processing is in software.
    host::D3D9Settings().shaderModel = 0;
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_EQ(Graphics().direct3DMode, 1);
    ASSERT_NE(D3DDevice(), nullptr);
    // A window takes the desktop's format: a 32-bit desktop makes the screen 32-bit even
    // though 16 is the default depth.
    EXPECT_EQ(orvik::GetScreenColorBitDepth(), 32);
    const std::string log = Log();
    for (const char* line :
         {"DirectDraw オブジェクトの取得を行います....  成功", "初期化に成功しました", "IDirect3D9Ex オブジェクトを取得します.... 成功",
          "IDirect3DDevice9Ex オブジェクトを取得します.... ", "ソフトウエア頂点演算を使用します", "画面のフォーマットは D3DFMT_X8R8G8B8 です",
          "Ｚバッファのフォーマットは D3DFMT_D16 です", "16bit カラーフォーマットは D_D3DFMT_R5G6B5 です",
          "アルファ付き 32bit カラーフォーマットは D_D3DFMT_A8R8G8B8 です",
          "アルファテスト用 16bit カラーフォーマットは D_D3DFMT_A1R5G5B5 です", "ＤＸＴ５テクスチャフォーマットは D_D3DFMT_DXT5 です",
          "描画用 16bit カラーフォーマットは D_D3DFMT_R5G5B5 です", "最大テクスチャサイズ　幅:16384 高さ:16384",
          "減算合成のハードウェア対応：使用可", "頂点シェーダーバージョンコード：fffe0000", "Ｚバッファを作成します.... 成功"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    EXPECT_NE(log.find("バックバッファロック"), std::string::npos);
    // Every state the start-up writes is taken by the device, the viewport included.
    EXPECT_EQ(log.find("ビューポートのセットに失敗しました"), std::string::npos);
    // The depth buffer covers every drawable texture: sides rounded up to powers of two.
    host::D3DSURFACE_DESC z;
    Graphics().dev.zSurface->GetDesc(&z);
    EXPECT_EQ(z.Width, 1024u);
    EXPECT_EQ(z.Height, 512u);
    EXPECT_EQ(Graphics().screen.refreshPeriod, 16666);
}

TEST_F(StartupTest, SixteenBitDesktopGivesSixteenBitScreenAndItsDrawableFormat) {
    host::SetDesktop(1920, 1080, 16);
    orvik::SetGraphMode(640, 480, 32);
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_EQ(orvik::GetScreenColorBitDepth(), 16);
    EXPECT_EQ(Graphics().dev.screenFormat, host::D3DFMT_R5G6B5);
    EXPECT_EQ(Graphics().dev.textureFormats[11], host::D3DFMT_R5G6B5);
}

TEST_F(StartupTest, MissingCompressedFormatFallsBackToAnUncompressedOne) {
    host::D3D9Settings().refusedFormats = {host::D3DFMT_DXT1, host::D3DFMT_DXT3};
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_NE(Log().find("ＤＸＴ１テクスチャフォーマットは使えません"), std::string::npos);
    EXPECT_EQ(Graphics().dev.textureFormats[6], Graphics().dev.textureFormats[4]);
    EXPECT_EQ(Graphics().dev.textureFormats[8], Graphics().dev.textureFormats[3]);
    EXPECT_EQ(Graphics().dev.textureFormats[7], host::D3DFMT_DXT2);
}

TEST_F(StartupTest, MissingD3d9LibraryOrDirectDrawStopsTheStart) {
    host::SetModuleMissing("d3d9.dll", true);
    EXPECT_EQ(InitLibrary(), -1);
    EXPECT_NE(Log().find("d3d9.dll の読み込みに失敗しました"), std::string::npos);
    EXPECT_EQ(Graphics().up, 0);
    host::SetModuleMissing("d3d9.dll", false);

    host::SetComClassMissing(host::CLSID_DirectDraw7, true);
    EXPECT_EQ(InitLibrary(), -1);
    EXPECT_NE(Log().find("オブジェクトの取得に失敗しました"), std::string::npos);
    EXPECT_NE(Log().find("Direct3D9 DLL の解放 3"), std::string::npos);
    EXPECT_EQ(host::GetModuleLoadCount("d3d9.dll"), 0);
    host::SetComClassMissing(host::CLSID_DirectDraw7, false);

    host::DirectDrawTestSettings().initializeFails = true;
    EXPECT_EQ(InitLibrary(), -1);
    EXPECT_NE(Log().find("DirectDrawオブジェクトの初期化に失敗しました"), std::string::npos);
}

TEST_F(StartupTest, NoDirect3DObjectFallsBackToSoftware) {
    host::D3D9Settings().create9ExMissing = true;
    host::D3D9Settings().create9Fails = true;
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_NE(Log().find("IDirect3D9 オブジェクトの取得に失敗しました"), std::string::npos);
    ExpectSoftwarePath();
}

TEST_F(StartupTest, DeviceRefusedTwiceFallsBackOnceRetriedSucceeds) {
    host::D3D9Settings().deviceCreateFailures = 1;
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_EQ(Graphics().direct3DMode, 1);
    orvik::EndLibrary();

    host::D3D9Settings().deviceCreateFailures = 2;
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_NE(Log().find("Direct3DDevice9Ex の作成に失敗しました"), std::string::npos);
    ExpectSoftwarePath();
}

TEST_F(StartupTest, NoDepthBufferReleasesTheDeviceAndFallsBack) {
    host::D3D9Settings().depthCreateFailures = 1;
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_NE(Log().find("Ｚバッファの作成に失敗しました"), std::string::npos);
    EXPECT_NE(Log().find("Direct3DDevice9 の解放 2"), std::string::npos);
    ExpectSoftwarePath();
    // Device-path setters refuse without a device.
    EXPECT_EQ(orvik::SetCullModeCached(2), -1);
    EXPECT_EQ(orvik::FlushVertexBatch(), -1);
}

TEST_F(StartupTest, SoftwareSettingMakesNoDirect3DObjectAndIsFixedOnceRunning) {
    ASSERT_EQ(orvik::SetUseHardwareRendering(0), 0);
    EXPECT_EQ(orvik::GetUseHardwareRendering(), 0);
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_EQ(host::D3D9Counters().devicesCreated, 0u);
    EXPECT_EQ(Log().find("IDirect3D9Ex オブジェクトを取得します"), std::string::npos);
    ExpectSoftwarePath();
    EXPECT_EQ(orvik::SetUseHardwareRendering(1), -1);
    EXPECT_EQ(orvik::GetUseHardwareRendering(), 0);
}

TEST_F(StartupTest, SoftwareFullScreenChangesTheDisplayModeAndGivesItBack) {
    host::SetDisplayModes({{640, 480, 16, 60}, {1920, 1080, 32, 60}});
    orvik::ChangeWindowMode(0);
    ASSERT_EQ(orvik::SetUseHardwareRendering(0), 0);
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_NE(Log().find("画面モードの変更処理を開始します 640 x 480  16 bit"), std::string::npos);
    EXPECT_EQ(host::CurrentDisplayMode().width, 640);
    EXPECT_EQ(host::CurrentDisplayMode().bits, 16);
    orvik::EndLibrary();
    EXPECT_EQ(host::CurrentDisplayMode().width, 1920);
}

TEST_F(StartupTest, QuarterScreenInAWindowKeepsItsSize) {
    ASSERT_EQ(orvik::SetGraphMode(320, 240, 32), 0);
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_EQ(Graphics().screen.scale320, 0);
    host::D3DSURFACE_DESC b;
    Graphics().dev.backBuffer->GetDesc(&b);
    EXPECT_EQ(b.Width, 320u);
    EXPECT_EQ(b.Height, 240u);
}

TEST_F(StartupTest, EnvironmentSettingTakesTheDeviceAway) {
    ASSERT_EQ(setenv("ORVIK_NO_D3D9", "1", 1), 0);
    host::ResetD3D9Host();
    unsetenv("ORVIK_NO_D3D9");
    ASSERT_EQ(InitLibrary(), 0);
    ExpectSoftwarePath();
}

TEST_F(StartupTest, SecondStartChangesNothingAndShutdownReleasesEverything) {
    ASSERT_EQ(InitLibrary(), 0);
    host::Device* device = D3DDevice();
    EXPECT_EQ(orvik::InitGraphics(), 0);
    EXPECT_EQ(D3DDevice(), device);
    orvik::EndLibrary();
    EXPECT_EQ(Graphics().up, 0);
    EXPECT_EQ(Graphics().dev.device, nullptr);
    EXPECT_EQ(Graphics().dev.ddraw, nullptr);
    EXPECT_EQ(host::GetModuleLoadCount("d3d9.dll"), 0);
    EXPECT_NE(Log().find("Direct3DDevice9 の解放 3"), std::string::npos);
    EXPECT_NE(Log().find("Direct3D9 DLL の解放 4"), std::string::npos);
}

// The software screen is made during start-up, while the sound refill thread already
// runs: the fatal exit has to stop it and the window too, and end with -1 rather than
// abort on a thread still running.
TEST_F(StartupTest, NoSoftwareScreenDuringStartUpShutsDownAndEndsWithMinusOne) {
    EXPECT_EXIT(
        {
            orvik::SetUseHardwareRendering(0);
            orvik::SetGraphMode(4096, 4096, 32);
            host::SetHeapFailureSize(size_t(32) << 20);
            InitLibrary();
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(255), "");
    const std::string log = Log();
    EXPECT_NE(log.find("プライマリサーフェス用の MEMIMG の作成に失敗しました"), std::string::npos);
    EXPECT_NE(log.find("Alloc memory dump"), std::string::npos);
}

}  // namespace
}  // namespace orvik_test
