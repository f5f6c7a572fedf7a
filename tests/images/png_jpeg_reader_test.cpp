#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/codec_file_builders.h"
#include "tests/support/temp_log.h"

namespace {

using imagetest::Bytes;
using imagetest::MakeJpeg;
using imagetest::MakePng;
using imagetest::PngSpec;
using imagetest::ReadWith;

TEST(PngReaderTest, RgbAndRgbaComeOutAsBgrLayouts) {
    PngSpec s;
    s.rows = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30};
    auto rgb = ReadWith(orvik::ReadPngImage, MakePng(s));
    ASSERT_EQ(rgb->code, 0);
    EXPECT_EQ(rgb->image.format.bitDepth, 24);
    EXPECT_EQ(rgb->image.pitch, 6);
    EXPECT_EQ(rgb->At(0, 0), 0x00FF0000u);
    EXPECT_EQ(rgb->At(1, 1), 0x000A141Eu);
    s.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    s.rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    auto rgba = ReadWith(orvik::ReadPngImage, MakePng(s));
    ASSERT_EQ(rgba->code, 0);
    EXPECT_EQ(rgba->image.format.alphaMask, 0xFF000000u);
    EXPECT_EQ(rgba->At(0, 0), 0x04010203u);
    EXPECT_EQ(rgba->At(1, 1), 0x100D0E0Fu);
    // Sixteen-bit samples keep their high byte.
    s.colourType = PNG_COLOR_TYPE_RGB;
    s.bitDepth = 16;
    s.width = 1;
    s.height = 1;
    s.rows = {0x12, 0xFF, 0x34, 0x00, 0x56, 0x80};
    auto deep = ReadWith(orvik::ReadPngImage, MakePng(s));
    ASSERT_EQ(deep->code, 0);
    EXPECT_EQ(deep->At(0, 0), 0x00123456u);
}

TEST(PngReaderTest, PaletteStaysIndexedUnlessItHasTransparency) {
    PngSpec s;
    s.colourType = PNG_COLOR_TYPE_PALETTE;
    s.bitDepth = 2;
    s.width = 3;
    s.height = 1;
    s.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    s.rows = {0b00011000};  // indices 0, 1, 2
    auto indexed = ReadWith(orvik::ReadPngImage, MakePng(s));
    ASSERT_EQ(indexed->code, 0);
    EXPECT_EQ(indexed->image.format.bytesPerPixel, 1);
    EXPECT_EQ(indexed->Byte(1, 0), 1);
    EXPECT_EQ(indexed->Byte(2, 0), 2);
    EXPECT_EQ(indexed->image.format.palette[2].red, 70);
    EXPECT_EQ(indexed->image.format.palette[2].blue, 90);
    EXPECT_EQ(indexed->image.format.palette[3].red, 0);  // short palette, rest cleared
    s.transparency = {0, 128};
    auto keyed = ReadWith(orvik::ReadPngImage, MakePng(s));
    ASSERT_EQ(keyed->code, 0);
    EXPECT_EQ(keyed->image.format.bitDepth, 32);
    EXPECT_EQ(keyed->At(0, 0), 0x000A141Eu);
    EXPECT_EQ(keyed->At(1, 0), 0x8028323Cu);
    EXPECT_EQ(keyed->At(2, 0), 0xFF46505Au);
}

TEST(PngReaderTest, GreyDepthsAndGreyTransparency) {
    PngSpec s;
    s.colourType = PNG_COLOR_TYPE_GRAY;
    s.bitDepth = 1;
    s.width = 3;
    s.height = 1;
    s.rows = {0b10100000};
    auto mono = ReadWith(orvik::ReadPngImage, MakePng(s));
    ASSERT_EQ(mono->code, 0);
    EXPECT_EQ(mono->image.format.bytesPerPixel, 1);
    EXPECT_EQ(mono->Byte(0, 0), 255);  // expanded to 8-bit grey levels
    EXPECT_EQ(mono->Byte(1, 0), 0);
    EXPECT_EQ(mono->image.format.palette[200].green, 200);
    // Grey with alpha keeps its transparency as 32-bit ARGB.
    s.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    s.bitDepth = 8;
    s.width = 1;
    s.rows = {100, 7};
    auto ga = ReadWith(orvik::ReadPngImage, MakePng(s));
    ASSERT_EQ(ga->code, 0);
    EXPECT_EQ(ga->At(0, 0), 0x07646464u);
    // So does grey with a transparent level.
    s.colourType = PNG_COLOR_TYPE_GRAY;
    s.width = 2;
    s.rows = {100, 50};
    s.transparency = {50};
    auto key = ReadWith(orvik::ReadPngImage, MakePng(s));
    ASSERT_EQ(key->code, 0);
    EXPECT_EQ(key->At(0, 0), 0xFF646464u);
    EXPECT_EQ(key->At(1, 0), 0x00323232u);
}

TEST(PngReaderTest, InterlacedImagesLoadWhole) {
    PngSpec s;
    s.width = 9;
    s.height = 7;
    s.interlaced = true;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            s.rows.push_back(static_cast<uint8_t>(x * 20));
            s.rows.push_back(static_cast<uint8_t>(y * 30));
            s.rows.push_back(static_cast<uint8_t>(x + y));
        }
    auto r = ReadWith(orvik::ReadPngImage, MakePng(s));
    ASSERT_EQ(r->code, 0);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            ASSERT_EQ(r->At(x, y), static_cast<uint32_t>((x * 20 << 16) | (y * 30 << 8) | (x + y)))
                << x << "," << y;
}

TEST(PngReaderTest, DamagedFilesAreRefused) {
    PngSpec s;
    s.rows.assign(12, 9);
    Bytes file = MakePng(s);
    Bytes truncated(file.begin(), file.begin() + file.size() / 2);
    EXPECT_EQ(ReadWith(orvik::ReadPngImage, truncated)->code, -1);
    Bytes corrupt = file;
    corrupt[20] ^= 0xFF;  // inside the header chunk: its CRC no longer matches
    EXPECT_EQ(ReadWith(orvik::ReadPngImage, corrupt)->code, -1);
    EXPECT_EQ(ReadWith(orvik::ReadPngImage, Bytes{0x89, 'P', 'N', 'G'})->code, orvik::kNotThisImageFormat);
}

TEST(JpegReaderTest, GreyAndColour) {
    Bytes grey(16 * 8);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<uint8_t>((i % 16) * 16);
    auto g = ReadWith(orvik::ReadJpegImage, MakeJpeg(16, 8, 1, grey));
    ASSERT_EQ(g->code, 0);
    EXPECT_EQ(g->image.format.bytesPerPixel, 1);
    EXPECT_EQ(g->image.pitch, 16);
    EXPECT_NEAR(g->Byte(15, 3), 240, 6);
    EXPECT_NEAR(g->Byte(0, 7), 0, 6);

    // A flat colour survives compression to within a few levels, in BGR order.
    Bytes colour;
    for (int i = 0; i < 9 * 5; ++i) colour.insert(colour.end(), {200, 100, 30});
    auto c = ReadWith(orvik::ReadJpegImage, MakeJpeg(9, 5, 3, colour));
    ASSERT_EQ(c->code, 0);
    EXPECT_EQ(c->image.format.bitDepth, 24);
    EXPECT_EQ(c->image.pitch, 27);  // not rounded
    const uint32_t px = c->At(8, 4);
    EXPECT_NEAR(static_cast<int>(px >> 16 & 255), 200, 6);
    EXPECT_NEAR(static_cast<int>(px >> 8 & 255), 100, 6);
    EXPECT_NEAR(static_cast<int>(px & 255), 30, 6);
}

// Printing programs write CMYK, or YCCK, which libjpeg turns back into CMYK. With Adobe's
// marker the inks are stored inverted (0 is full ink), as Adobe's own writers store them.
TEST(JpegReaderTest, CmykAndYcckBecomeBgr) {
    // Red ink-free light: no cyan, full magenta and yellow, no black; then a half black.
    const uint8_t redInks[4] = {0, 255, 255, 0};
    const uint8_t greyInks[4] = {0, 0, 0, 128};
    auto pixels = [](const uint8_t* inks, bool inverted) {
        Bytes out;
        for (int i = 0; i < 8 * 8; ++i)
            for (int c = 0; c < 4; ++c) out.push_back(static_cast<uint8_t>(inverted ? 255 - inks[c] : inks[c]));
        return out;
    };
    struct Case {
        J_COLOR_SPACE stored;
        bool adobe;
    };
    for (const Case& k : {Case{JCS_CMYK, true}, Case{JCS_YCCK, true}, Case{JCS_CMYK, false}}) {
        SCOPED_TRACE(k.stored == JCS_YCCK ? "YCCK" : k.adobe ? "Adobe CMYK" : "plain CMYK");
        auto red = ReadWith(orvik::ReadJpegImage, MakeJpeg(8, 8, 4, pixels(redInks, k.adobe), 95, k.stored, k.adobe));
        ASSERT_EQ(red->code, 0);
        EXPECT_EQ(red->image.format.bitDepth, 24);
        EXPECT_EQ(red->image.pitch, 24);
        const uint32_t r = red->At(5, 6);
        EXPECT_NEAR(static_cast<int>(r >> 16 & 255), 255, 8);
        EXPECT_NEAR(static_cast<int>(r >> 8 & 255), 0, 8);
        EXPECT_NEAR(static_cast<int>(r & 255), 0, 8);
        auto grey = ReadWith(orvik::ReadJpegImage, MakeJpeg(8, 8, 4, pixels(greyInks, k.adobe), 95, k.stored, k.adobe));
        ASSERT_EQ(grey->code, 0);
        for (int shift : {16, 8, 0}) EXPECT_NEAR(static_cast<int>(grey->At(0, 0) >> shift & 255), 127, 8);
    }
}

TEST(JpegReaderTest, RefusesOtherLayoutsAndDamagedFiles) {
    orvik_test::TempLog log;
    EXPECT_EQ(ReadWith(orvik::ReadJpegImage, MakeJpeg(8, 8, 2, Bytes(8 * 8 * 2, 50)))->code, -1);
    EXPECT_NE(log.Read().find("2成分のＪＰＥＧファイルには対応していません"), std::string::npos);
    Bytes grey(8 * 8, 77);
    Bytes file = MakeJpeg(8, 8, 1, grey);
    Bytes headerOnly(file.begin(), file.begin() + 20);
    EXPECT_EQ(ReadWith(orvik::ReadJpegImage, headerOnly)->code, -1);
    // Cut inside the entropy data: the missing end is supplied and the rows come out.
    Bytes cut(file.begin(), file.end() - 4);
    auto partial = ReadWith(orvik::ReadJpegImage, cut);
    EXPECT_EQ(partial->code, 0);
    EXPECT_EQ(ReadWith(orvik::ReadJpegImage, Bytes{0xFF, 0xD8, 0xFF})->code, -1);
}

}  // namespace
