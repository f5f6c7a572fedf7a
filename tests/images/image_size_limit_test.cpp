// Images of any shape are read as long as their 32-bit pixels fit the engine's signed
// 32-bit sizes; a header claiming more is
// refused before anything is allocated for it, with a log line that says so.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "engine/graphics/readers/image_loader.h"
#include "tests/support/codec_file_builders.h"
#include "tests/support/peak_memory.h"
#include "tests/support/temp_log.h"

namespace {

using imagetest::Bytes;
using orvik_test::PeakResidentKb;
using orvik_test::ResetPeakResident;
using imagetest::ReadWith;

// 65536 x 8192 pixels of four bytes are 2^31 bytes, one more than the sizes hold.
constexpr uint32_t kWide = 65536, kTall = 8192;

struct Refusal {
    const char* name;
    orvik::ImageReader reader;
    Bytes file;
    const char* logged;
};

// A grey PNG claiming the given size, with an empty data chunk so that the header is read
// whole.
Bytes PngHeaderOnly(uint32_t width, uint32_t height) {
    return imagetest::PngClaiming(width, height, PNG_COLOR_TYPE_GRAY);
}

// A small JPEG whose frame header is rewritten to claim the given size.
Bytes JpegClaiming(uint16_t width, uint16_t height) {
    Bytes file = imagetest::MakeJpeg(8, 8, 1, Bytes(64, 0));
    for (size_t i = 0; i + 8 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xC0) {
            file[i + 5] = uint8_t(height >> 8);
            file[i + 6] = uint8_t(height);
            file[i + 7] = uint8_t(width >> 8);
            file[i + 8] = uint8_t(width);
            return file;
        }
    ADD_FAILURE() << "no frame header";
    return file;
}

TEST(ImageSizeLimitTest, EachReaderRefusesPixelsBeyondTheSizesWithALogLine) {
    imagetest::BmpSpec bmp;
    bmp.width = int32_t(kWide);
    bmp.height = -int32_t(kTall);
    imagetest::TgaSpec tga;
    tga.width = 65535;  // a TGA's sides are 16-bit: 65535 x 8193 is the first shape past the sizes
    tga.height = 8193;
    imagetest::DdsSpec dds;
    dds.width = kWide;
    dds.height = kTall;
    Bytes bgra;
    imagetest::PutText(bgra, "BGRA");
    imagetest::Put32(bgra, 0x08080808);
    imagetest::Put32(bgra, kWide);
    imagetest::Put32(bgra, kTall);
    const Refusal cases[] = {
        {"BMP", orvik::ReadBmpImage, imagetest::MakeBmp(bmp), "ＢＭＰファイルの画像が大きすぎます(65536 x 8192)"},
        {"TGA", orvik::ReadTgaImage, imagetest::MakeTga(tga), "ＴＧＡファイルの画像が大きすぎます(65535 x 8193)"},
        {"DDS", orvik::ReadDdsImage, imagetest::MakeDds(dds), "ＤＤＳファイルの画像が大きすぎます(65536 x 8192)"},
        // libjpeg's own sides stop at 65500: 65500 x 8197 is the first shape past the sizes.
        {"JPEG", orvik::ReadJpegImage, JpegClaiming(65500, 8197), "ＪＰＥＧファイルの画像が大きすぎます"},
        {"PNG", orvik::ReadPngImage, PngHeaderOnly(kWide, kTall), "ＰＮＧファイルの画像が大きすぎます(65536 x 8192)"},
        {"BGRA", orvik::ReadBgraImage, bgra, "ＢＧＲＡファイルの大きさが不正です(65536 x 8192)"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        orvik_test::TempLog log;
        auto r = ReadWith(c.reader, c.file);
        EXPECT_NE(r->code, 0);
        EXPECT_EQ(r->image.pixels, nullptr);
        EXPECT_NE(log.Read().find(c.logged), std::string::npos) << log.Read();
    }
}

// A few bytes claiming a huge image are refused before memory is spent on that image.
TEST(ImageSizeLimitTest, TinyFilesClaimingHugeImagesCostNoMemory) {
    imagetest::TgaSpec runs;  // 256 MB of pixels, one packet of data
    runs.type = 10;
    runs.width = runs.height = 8192;
    runs.pixelBits = 32;
    runs.data = {0xFF, 1, 2, 3, 4};
    imagetest::TgaSpec plain = runs;
    plain.type = 2;
    // Wider than the sizes allow, with bytes enough to hold its pixels: only its sides can
    // refuse it before libpng sizes its rows. The other PNG is within the sizes but holds
    // no data: only its length can.
    Bytes tooWide = PngHeaderOnly(600'000'000, 1);
    tooWide.resize(tooWide.size() + 600'000);
    const std::pair<const char*, Bytes> cases[] = {
        {"RLE TGA", imagetest::MakeTga(runs)},
        {"TGA", imagetest::MakeTga(plain)},
        {"PNG within the sizes", PngHeaderOnly(uint32_t(orvik::kMaxImageBytes / 4), 1)},
        {"PNG beyond the sizes", tooWide},
    };
    for (const auto& [name, file] : cases) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(ResetPeakResident());
        const int64_t before = PeakResidentKb();
        orvik::BaseImage image{};
        EXPECT_EQ(orvik::LoadImageToBaseImageEx(nullptr, file.data(), int32_t(file.size()), 1, &image, 0), -1);
        EXPECT_LT(PeakResidentKb() - before, 100 * 1024);
    }
}

// A run-length file leaves the pixels its codes skip at 0: a few bytes may describe a
// large image, which loads, and only the pages its runs write take memory.
TEST(ImageSizeLimitTest, SparseRunLengthImagesTakeMemoryOnlyWhereWritten) {
    imagetest::BmpSpec rle{.width = 16384, .height = 16384, .bitCount = 8, .compression = 1, .colorsUsed = 1,
                           .palette = {0}, .pixels = {3, 9, 0, 2, 0, 255, 2, 9, 0, 1}};
    ASSERT_TRUE(ResetPeakResident());
    const int64_t before = PeakResidentKb();
    auto r = ReadWith(orvik::ReadBmpImage, imagetest::MakeBmp(rle));
    ASSERT_EQ(r->code, 0);
    EXPECT_LT(PeakResidentKb() - before, 100 * 1024);  // of 256 MB
    EXPECT_EQ(r->Byte(2, 16383), 9);
    EXPECT_EQ(r->Byte(3, 16383), 0);
    EXPECT_EQ(r->Byte(4, 16383 - 255), 9);
    EXPECT_EQ(r->Byte(16383, 0), 0);
}

// Sides far beyond what a texture holds are read whole when the pixels fit.
TEST(ImageSizeLimitTest, LongStripsAreRead) {
    constexpr int kLong = 40000;
    imagetest::BmpSpec bmp;
    bmp.width = kLong;
    bmp.height = -1;
    bmp.pixels.assign(kLong * 3, 7);
    auto fromBmp = ReadWith(orvik::ReadBmpImage, imagetest::MakeBmp(bmp));
    ASSERT_EQ(fromBmp->code, 0);
    EXPECT_EQ(fromBmp->image.width, kLong);
    EXPECT_EQ(fromBmp->At(kLong - 1, 0), 0x00070707u);

    imagetest::PngSpec png;
    png.colourType = PNG_COLOR_TYPE_GRAY;
    png.width = 1;
    png.height = kLong;
    png.rows.assign(kLong, 9);
    auto fromPng = ReadWith(orvik::ReadPngImage, imagetest::MakePng(png));
    ASSERT_EQ(fromPng->code, 0);
    EXPECT_EQ(fromPng->image.height, kLong);

    auto fromJpeg = ReadWith(orvik::ReadJpegImage, imagetest::MakeJpeg(kLong, 1, 1, Bytes(kLong, 128)));
    ASSERT_EQ(fromJpeg->code, 0);
    EXPECT_EQ(fromJpeg->image.width, kLong);

    imagetest::DdsSpec dds;
    dds.height = kLong;
    dds.data.assign(kLong / 4 * 8, 0);
    auto fromDds = ReadWith(orvik::ReadDdsImage, imagetest::MakeDds(dds));
    ASSERT_EQ(fromDds->code, 0);
    EXPECT_EQ(fromDds->image.height, kLong);
}

}  // namespace
