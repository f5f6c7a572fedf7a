#include <gtest/gtest.h>

#include <string>

#include "engine/graphics/readers/image_loader.h"
#include "tests/support/image_file_builders.h"
#include "tests/support/memory_shortage.h"
#include "tests/support/temp_log.h"

namespace {

using imagetest::Bytes;
using imagetest::MakeTga;
using imagetest::TgaSpec;
using imagetest::ReadWith;

// Pixels of a 2x2 24-bit image stored bottom row first: (0,1) (1,1) then (0,0) (1,0).
const Bytes kBottomUp = {1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0};

TEST(TgaReaderTest, TrueColourInEveryOrientation) {
    TgaSpec s;
    s.id = {'h', 'i'};
    s.data = kBottomUp;
    auto bottomUp = ReadWith(orvik::ReadTgaImage, MakeTga(s));
    ASSERT_EQ(bottomUp->code, 0);
    EXPECT_EQ(bottomUp->image.pitch, 6);
    EXPECT_EQ(bottomUp->At(0, 0), 3u);
    EXPECT_EQ(bottomUp->At(1, 1), 2u);
    s.descriptor = 0x20;  // top to bottom
    auto topDown = ReadWith(orvik::ReadTgaImage, MakeTga(s));
    EXPECT_EQ(topDown->At(0, 0), 1u);
    s.descriptor = 0x30;  // top to bottom, right to left
    auto mirrored = ReadWith(orvik::ReadTgaImage, MakeTga(s));
    EXPECT_EQ(mirrored->At(0, 0), 2u);
    EXPECT_EQ(mirrored->At(1, 1), 3u);
    s.descriptor = 0x10;  // bottom to top, right to left
    auto both = ReadWith(orvik::ReadTgaImage, MakeTga(s));
    EXPECT_EQ(both->At(0, 0), 4u);
}

TEST(TgaReaderTest, SixteenAndThirtyTwoBitLayouts) {
    TgaSpec s;
    s.width = 1;
    s.height = 1;
    s.pixelBits = 16;
    s.data = {0x1F, 0x80};  // blue full and the attribute bit
    auto r16 = ReadWith(orvik::ReadTgaImage, MakeTga(s));
    ASSERT_EQ(r16->code, 0);
    EXPECT_EQ(r16->image.format.redMask, 0x7C00u);
    EXPECT_EQ(r16->image.format.unusedMask, 0x8000u);
    EXPECT_EQ(r16->At(0, 0), 0x000000F8u);
    s.pixelBits = 32;
    s.data = {1, 2, 3, 0x40};
    auto r32 = ReadWith(orvik::ReadTgaImage, MakeTga(s));
    ASSERT_EQ(r32->code, 0);
    EXPECT_EQ(r32->At(0, 0), 0x40030201u);
}

TEST(TgaReaderTest, ColourMappedPlainAndRunLength) {
    TgaSpec s;
    s.type = 1;
    s.mapType = 1;
    s.mapFirst = 2;
    s.mapLength = 2;
    s.mapBits = 24;
    s.pixelBits = 8;
    s.descriptor = 0x20;
    s.map = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60};  // entries 2 and 3
    s.data = {2, 3, 0, 3};
    auto plain = ReadWith(orvik::ReadTgaImage, MakeTga(s));
    ASSERT_EQ(plain->code, 0);
    EXPECT_EQ(plain->image.format.bitDepth, 24);
    EXPECT_EQ(plain->At(0, 0), 0x302010u);
    EXPECT_EQ(plain->At(1, 0), 0x605040u);
    EXPECT_EQ(plain->At(0, 1), 0u);  // entries outside the file's map are cleared
    s.type = 9;
    s.data = {0x81, 3, 0x01, 2, 3};  // run of two 3s, then raw 2, 3
    auto runs = ReadWith(orvik::ReadTgaImage, MakeTga(s));
    ASSERT_EQ(runs->code, 0);
    EXPECT_EQ(runs->At(0, 0), 0x605040u);
    EXPECT_EQ(runs->At(1, 0), 0x605040u);
    EXPECT_EQ(runs->At(0, 1), 0x302010u);
}

TEST(TgaReaderTest, RunLengthTrueColourWithAndWithoutFooter) {
    TgaSpec s;
    s.type = 10;
    s.width = 3;
    s.height = 1;
    s.data = {0x82, 9, 8, 7};  // one run covering all three pixels
    auto bare = ReadWith(orvik::ReadTgaImage, MakeTga(s));  // shorter than a footer
    ASSERT_EQ(bare->code, 0);
    EXPECT_EQ(bare->At(2, 0), 0x070809u);
    s.footer = true;
    auto withFooter = ReadWith(orvik::ReadTgaImage, MakeTga(s));
    ASSERT_EQ(withFooter->code, 0);
    EXPECT_EQ(withFooter->At(0, 0), 0x070809u);
    // Runs that stop before the image is full are damage, not silence.
    s.data = {0x80, 9, 8, 7};
    EXPECT_EQ(ReadWith(orvik::ReadTgaImage, MakeTga(s))->code, -1);
    // A run longer than what is left is cut at the image's end.
    s.data = {0xFF, 1, 2, 3};
    auto longRun = ReadWith(orvik::ReadTgaImage, MakeTga(s));
    ASSERT_EQ(longRun->code, 0);
    EXPECT_EQ(longRun->At(2, 0), 0x030201u);
}

TEST(TgaReaderTest, RefusesWhatItCannotHold) {
    TgaSpec good;
    good.data = kBottomUp;
    // A TGA has no signature: a header of a kind it does not read is not of its format,
    // while one it reads and whose data is damaged is a TGA it refuses.
    auto code = [](const TgaSpec& s) { return ReadWith(orvik::ReadTgaImage, MakeTga(s))->code; };
    constexpr int kNotTga = orvik::kNotThisImageFormat;
    TgaSpec t = good;
    t.xOrigin = 5;
    EXPECT_EQ(code(t), kNotTga);
    t = good;
    t.yOrigin = 2;
    EXPECT_EQ(code(t), kNotTga);
    t = good;
    t.type = 3;  // grey
    EXPECT_EQ(code(t), kNotTga);
    t = good;
    t.pixelBits = 8;
    EXPECT_EQ(code(t), kNotTga);
    t = good;
    t.width = 1;
    t.height = 9000;  // sides have no limit of their own: only the image sizes' limit
    t.data.assign(9000 * 3, 0);
    EXPECT_EQ(code(t), 0);
    t = good;
    t.data.resize(11);  // one byte short
    EXPECT_EQ(code(t), -1);
    // Mapped images need one-byte indices and a map that ends by entry 255.
    TgaSpec m;
    m.type = 1;
    m.mapType = 1;
    m.mapLength = 2;
    m.mapBits = 24;
    m.pixelBits = 16;
    m.map.assign(6, 0);
    m.data.assign(8, 0);
    EXPECT_EQ(code(m), kNotTga);
    m.pixelBits = 8;
    m.mapFirst = 255;
    EXPECT_EQ(code(m), kNotTga);
    m.mapFirst = 254;
    EXPECT_EQ(code(m), 0);
    Bytes header = MakeTga(good);
    header.resize(10);
    EXPECT_EQ(ReadWith(orvik::ReadTgaImage, header)->code, kNotTga);
}

// An 8.4 MB colour-mapped run-length file claiming 65535 x 8192 needs half a gigabyte of
// indices and two of pixels: with less memory than that, the load is refused with a log
// line, and nothing is thrown out of the engine.
TEST(TgaReaderTest, ALoadShortOfMemoryIsRefusedWithALogLine) {
    TgaSpec s;
    s.type = 9;
    s.mapType = 1;
    s.mapLength = 1;
    s.mapBits = 32;
    s.pixelBits = 8;
    s.width = 65535;
    s.height = 8192;
    s.map = {1, 2, 3, 4};
    s.data.resize(size_t{65535} * 8192 / 128 * 2);
    for (size_t i = 0; i < s.data.size(); i += 2) s.data[i] = 0xFF;  // runs of 128 pixels of entry 0
    const Bytes file = MakeTga(s);
    orvik_test::TempLog log;
    orvik::BaseImage image{};
    int result = 0;
    {
        const orvik_test::MemoryShortage shortage(size_t{64} << 20);
        result = orvik::LoadImageToBaseImageEx(nullptr, file.data(), int32_t(file.size()), 1, &image, 0);
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_NE(log.Read().find("ＴＧＡファイルを読むメモリ(2147450880 byte)が確保できませんでした"), std::string::npos)
        << log.Read();
}

}  // namespace
