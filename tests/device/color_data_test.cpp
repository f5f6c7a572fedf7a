// Colour values in the screen's format on each path, their decoding, the format records
// and the display-mode list.
#include "device_fixture.h"
#include "engine/graphics/draw/color_data.h"

namespace orvik_test {
namespace {

using namespace orvik;

class ColorDataTest : public DeviceTest {
protected:
    void Start(bool device, int desktopBits, int depth) {
        host::SetDesktop(1920, 1080, desktopBits);
        ASSERT_EQ(SetUseHardwareRendering(device ? 1 : 0), 0);
        ASSERT_EQ(SetGraphMode(640, 480, depth), 0);
        ASSERT_EQ(InitLibrary(), 0);
        ASSERT_EQ(Graphics().direct3DMode, device ? 1 : 0);
    }
    static void ExpectDecoded(uint32_t pixel, int r, int g, int b) {
        int rr = -1, gg = -1, bb = -1;
        ASSERT_EQ(DecodeColorValue(pixel, &rr, &gg, &bb), 0);
        EXPECT_EQ(rr, r);
        EXPECT_EQ(gg, g);
        EXPECT_EQ(bb, b);
    }
};

TEST_F(ColorDataTest, SixteenBitDeviceScreen) {
    Start(true, 16, 16);
    EXPECT_EQ(GetColorValue(255, 255, 255), 0xFFFFu);
    EXPECT_EQ(GetColorValue(255, 0, 0), 0xF800u);
    EXPECT_EQ(GetColorValue(7, 3, 7), 0u);  // below one step of each channel
    EXPECT_EQ(GetColorValue(8, 4, 8), 0x0821u);
    ExpectDecoded(0xF800, 255, 0, 0);
    ExpectDecoded(0x0400, 0, 129, 0);  // 32 of 63 green steps
}

TEST_F(ColorDataTest, ThirtyTwoBitDeviceScreenSetsTheUnusedTopByte) {
    Start(true, 32, 32);
    EXPECT_EQ(GetColorValue(255, 255, 255), 0xFFFFFFFFu);
    EXPECT_EQ(GetColorValue(1, 2, 3), 0xFF010203u);
    ExpectDecoded(0xFF0A0B0C, 10, 11, 12);
}

TEST_F(ColorDataTest, SoftwareScreensUseTheRendererFormat) {
    Start(false, 32, 16);
    EXPECT_EQ(GetColorValue(255, 0, 255), 0xF81Fu);
    ExpectDecoded(0x07E0, 0, 255, 0);
    EndLibrary();
    Start(false, 32, 32);
    EXPECT_EQ(GetColorValue(0x12, 0x34, 0x56) & 0xFFFFFF, 0x123456u);
    ExpectDecoded(0x00FF8000, 255, 128, 0);
}

TEST_F(ColorDataTest, FormatRecordsByCodeAndByIndex) {
    const ColorFormat* f = GetD3DFormatColorData(31);  // A2B10G10R10
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->redMask, 0x3FFu);
    EXPECT_EQ(f->blueMask, 0x3FF00000u);
    EXPECT_EQ(f->alphaMask, 0xC0000000u);
    EXPECT_EQ(GetD3DFormatColorData(28), nullptr);
    EXPECT_EQ(GetStandardColorDataByIndex(14), nullptr);
    EXPECT_EQ(GetStandardColorDataByIndex(-1), nullptr);
    EXPECT_EQ(GetStandardColorDataByIndex(4)->alphaMask, 0x8000u);
    EXPECT_EQ(GetStandardColorDataByIndex(6)->compression, 1u);
    EXPECT_EQ(GetStandardColorDataByIndex(6)->bitDepth, 4);
    EXPECT_EQ(GetStandardColorDataByIndex(10)->bitDepth, 8);

    ImageColorSpec s;
    s.compression = 3;
    EXPECT_EQ(GetColorDataIndexFromSpec(s), 8);
    s.compression = 6;
    EXPECT_EQ(GetColorDataIndexFromSpec(s), -1);
    // A kind above 5 has no colour data: null and a log line, never the description itself.
    EXPECT_EQ(GetColorDataFromSpec(s), nullptr);
    EXPECT_NE(Log().find("画像の圧縮形式 6 に対応するカラーデータはありません"), std::string::npos);
    s = ImageColorSpec{};
    s.alphaTest = 1;
    s.depth = 32;
    EXPECT_EQ(GetColorDataIndexFromSpec(s), 5);
    s.drawable = 1;
    EXPECT_EQ(GetColorDataIndexFromSpec(s), 13);
    EXPECT_EQ(GetColorDataFromBits(0, 0, 0, 1), GetStandardColorDataByIndex(11));
    EXPECT_EQ(GetColorDataFromBits(1, 0, 1, 0), GetStandardColorDataByIndex(3));
}

TEST_F(ColorDataTest, DisplayModeListAndLookups) {
    host::SetDisplayModes({{640, 480, 8, 60}, {640, 480, 16, 60}, {800, 600, 32, 75}});
    EXPECT_EQ(GetDisplayModeCount(), 2);
    DisplayModeEntry m{};
    ASSERT_EQ(GetDisplayModeByIndex(&m, 1), 0);
    EXPECT_EQ(m.width, 800);
    EXPECT_EQ(m.refreshRate, 75);
    EXPECT_EQ(GetDisplayModeByIndex(&m, 2), -1);
    EXPECT_EQ(m.width, -1);
    EXPECT_EQ(m.bits, -1);
    EXPECT_EQ(FindDisplayMode(640, 480, 16), 1);
    EXPECT_EQ(FindDisplayMode(640, 480, 8), 0);
}

TEST_F(ColorDataTest, FullScreenQuarterModeMissingEndsAt640x480WithTheScaleFlag) {
    host::SetDisplayModes({{640, 480, 16, 60}});
    ScreenSettings& s = Graphics().screen;
    s.width = 320;
    s.height = 240;
    s.depth = 16;
    EXPECT_EQ(ChangeDisplayMode(), 0);
    EXPECT_EQ(s.width, 640);
    EXPECT_EQ(s.height, 480);
    EXPECT_EQ(s.scale320Fallback, 1);
    int w = 0, h = 0;
    GetScreenModeInfo(&w, &h, nullptr);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    s.depth = 24;
    EXPECT_EQ(ChangeDisplayMode(), -1);
}

}  // namespace
}  // namespace orvik_test
