#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "tests/support/codec_file_builders.h"
#include "engine/graphics/readers/image_loader.h"
#include "engine/platform/base/memory.h"
#include "tests/support/memory_shortage.h"
#include "tests/support/temp_log.h"

namespace {

using imagetest::BmpSpec;
using imagetest::Bytes;
using imagetest::MakeBmp;
using imagetest::MemoryStream;

struct ReaderLoaderTest : ::testing::Test {
    void SetUp() override { orvik::ResetImageReaders(); }
    void TearDown() override { orvik::ResetImageReaders(); }
};

Bytes TwoPixelBmp() {
    BmpSpec s;
    s.width = 2;
    s.height = 1;
    s.pixels = {1, 2, 3, 4, 5, 6, 0, 0};
    return MakeBmp(s);
}

// A reader that eats bytes, scribbles on the image and refuses, recording where the
// stream stood when it was called.
int32_t g_positionSeen = -1;
int GreedyRefusingReader(orvik::ImageStream* stream, orvik::BaseImage* out) {
    g_positionSeen = stream->functions.tell(stream->handle);
    uint8_t sink[7];
    stream->functions.read(sink, 1, sizeof sink, stream->handle);
    out->width = 999;
    return -1;
}

TEST_F(ReaderLoaderTest, ReadersRunInOrderFromARewoundStreamAndClearedImage) {
    ASSERT_EQ(orvik::AddUserImageReader(GreedyRefusingReader), 0);
    const Bytes jpeg = imagetest::MakeJpeg(8, 8, 1, Bytes(64, 128));
    MemoryStream stream(jpeg);
    stream.Get()->functions.seek(stream.Get()->handle, 5, 0);
    orvik::BaseImage image{};
    ASSERT_EQ(orvik::LoadImageByReaders(stream.Get(), &image), 0);
    EXPECT_EQ(g_positionSeen, 0);
    // The BMP reader saw the stream first and refused it; the JPEG reader got it whole.
    EXPECT_EQ(image.width, 8);
    EXPECT_EQ(image.format.bytesPerPixel, 1);
    orvik::FreeBaseImage(&image);

    // The user reader's refusal does not make the junk an image refused: it may go on to
    // be tried as a movie.
    const Bytes junk(64, 0x42);
    MemoryStream bad(junk);
    image.width = 5;
    bool known = true;
    EXPECT_EQ(orvik::LoadImageByReaders(bad.Get(), &image, &known), -1);
    EXPECT_FALSE(known);
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.pixels, nullptr);
}

// A reader whose own containers run out of memory refuses the stream with a log line:
// here the BGRA reader's row of 16-bit channels, 128 KB for a picture of 64 KB.
TEST_F(ReaderLoaderTest, AReaderShortOfMemoryRefusesTheStreamWithALogLine) {
    Bytes bgra;
    imagetest::PutText(bgra, "BGRA");
    imagetest::Put32(bgra, 0x10101010);
    imagetest::Put32(bgra, 16384);
    imagetest::Put32(bgra, 1);
    bgra.resize(bgra.size() + 16384 * 8, 0x7F);
    MemoryStream stream(bgra);
    orvik_test::TempLog log;
    orvik::BaseImage image{};
    int result = 0;
    {
        const orvik_test::MemoryShortage shortage(100000);
        result = orvik::LoadImageByReaders(stream.Get(), &image);
    }
    EXPECT_EQ(result, -1);
    EXPECT_NE(log.Read().find("メモリが足りず処理できませんでした in LoadImageByReaders"), std::string::npos);
    ASSERT_EQ(orvik::LoadImageByReaders(stream.Get(), &image), 0) << "with memory enough it reads";
    EXPECT_EQ(image.width, 16384);
    orvik::FreeBaseImage(&image);
}

TEST_F(ReaderLoaderTest, UserReaderListIsBounded) {
    for (int i = 0; i < orvik::kMaxUserImageReaders; ++i)
        ASSERT_EQ(orvik::AddUserImageReader(GreedyRefusingReader), 0);
    EXPECT_EQ(orvik::AddUserImageReader(GreedyRefusingReader), -1);
}

TEST_F(ReaderLoaderTest, MemoryLoadsMirrorWhenAsked) {
    const Bytes bmp = TwoPixelBmp();
    orvik::BaseImage image{};
    ASSERT_EQ(orvik::LoadImageToBaseImageEx(nullptr, bmp.data(), static_cast<int32_t>(bmp.size()), 1,
                                            &image, 1),
              0);
    EXPECT_EQ(orvik::ReadBaseImagePixel(&image, 0, 0), 0x00060504u);
    EXPECT_EQ(orvik::ReadBaseImagePixel(&image, 1, 0), 0x00030201u);
    orvik::FreeBaseImage(&image);
    const Bytes junk(10, 1);
    EXPECT_EQ(orvik::LoadImageToBaseImageEx(nullptr, junk.data(), 10, 1, &image, 0), -1);
}

TEST_F(ReaderLoaderTest, AlphaImageFromMemoryByMode) {
    const Bytes bmp = TwoPixelBmp();
    const auto size = static_cast<int32_t>(bmp.size());
    orvik::BaseImage image{}, alpha{};
    EXPECT_EQ(orvik::LoadImageWithAlphaFile(nullptr, bmp.data(), size, 1, bmp.data(), size, 1,
                                            &image, &alpha, 0, 0),
              0);
    EXPECT_EQ(alpha.width, 2);
    orvik::FreeBaseImage(&image);
    orvik::FreeBaseImage(&alpha);
    const Bytes junk(10, 1);
    EXPECT_EQ(orvik::LoadImageWithAlphaFile(nullptr, bmp.data(), size, 1, junk.data(), 10, 1,
                                            &image, &alpha, 0, 0),
              1);
    EXPECT_EQ(alpha.pixels, nullptr);
    orvik::FreeBaseImage(&image);
    EXPECT_EQ(orvik::LoadImageWithAlphaFile(nullptr, bmp.data(), size, 1, bmp.data(), size, 2,
                                            &image, &alpha, 0, 0),
              1);
    orvik::FreeBaseImage(&image);
    EXPECT_EQ(orvik::LoadImageWithAlphaFile(nullptr, junk.data(), 10, 1, bmp.data(), size, 1,
                                            &image, &alpha, 0, 0),
              -1);
}

TEST_F(ReaderLoaderTest, BitmapOutputIsTopDownEightOrTwentyFourBit) {
    const Bytes bmp = TwoPixelBmp();
    orvik::BaseImage image{};
    orvik::BitmapInfo* info = nullptr;
    void* bits = nullptr;
    ASSERT_EQ(orvik::LoadImageToBaseImage(nullptr, bmp.data(), static_cast<int32_t>(bmp.size()), 1,
                                          1, 0, &image, &info, &bits),
              0);
    EXPECT_EQ(image.pixels, nullptr);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->header.bitCount, 24);
    EXPECT_EQ(info->header.height, -1);
    EXPECT_EQ(std::memcmp(bits, "\x01\x02\x03\x04\x05\x06", 6), 0);
    orvik::TrackedFree(info);
    orvik::TrackedFree(bits);
}

// The picture and its companion alpha file side by side in a fresh directory.
TEST_F(ReaderLoaderTest, CompanionAlphaFileBesideTheImage) {
    char pattern[] = "/tmp/orvik_images_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    auto write = [&](const std::string& name, const Bytes& bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    const Bytes bmp = TwoPixelBmp();
    write("pic.bmp", bmp);
    write("lone.bmp", bmp);
    BmpSpec grey;
    grey.width = 2;
    grey.height = 1;
    grey.pixels = {0, 0, 200, 0, 0, 50, 0, 0};
    write("pic_a.bmp", MakeBmp(grey));

    orvik::BaseImage image{}, alpha{};
    EXPECT_EQ(orvik::LoadImageWithAlphaFile((dir + "/pic.bmp").c_str(), nullptr, 0, 0, nullptr, 0,
                                            0, &image, &alpha, 0, 1),
              0);
    // Both images are mirrored alike.
    EXPECT_EQ(orvik::ReadBaseImagePixel(&alpha, 0, 0), 0x00320000u);
    EXPECT_EQ(orvik::ReadBaseImagePixel(&image, 0, 0), 0x00060504u);
    orvik::FreeBaseImage(&image);
    orvik::FreeBaseImage(&alpha);
    EXPECT_EQ(orvik::LoadImageWithAlphaFile((dir + "/lone.bmp").c_str(), nullptr, 0, 0, nullptr, 0,
                                            0, &image, &alpha, 0, 0),
              1);
    EXPECT_EQ(alpha.pixels, nullptr);
    orvik::FreeBaseImage(&image);
    EXPECT_EQ(orvik::LoadImageWithAlphaFile((dir + "/none.bmp").c_str(), nullptr, 0, 0, nullptr, 0,
                                            0, &image, &alpha, 0, 0),
              -1);
    std::filesystem::remove_all(dir);
}

TEST(AlphaFileNameTest, ExtensionOfTheLastComponentOnly) {
    char out[orvik::kAlphaFileNameBytes];
    ASSERT_EQ(orvik::MakeAlphaFileName("Data01/pic.bmp", out), 0);
    EXPECT_STREQ(out, "Data01/pic_a.bmp");
    ASSERT_EQ(orvik::MakeAlphaFileName("Data01/pic", out), 0);
    EXPECT_STREQ(out, "Data01/pic_a");
    ASSERT_EQ(orvik::MakeAlphaFileName("./Data01/pic", out), 0);
    EXPECT_STREQ(out, "./Data01/pic_a");
    ASSERT_EQ(orvik::MakeAlphaFileName("a.b\\c.d\\pic.x.png", out), 0);
    EXPECT_STREQ(out, "a.b\\c.d\\pic.x_a.png");
    // The second byte of a two-byte character is not a separator, even when it is 0x5C.
    ASSERT_EQ(orvik::MakeAlphaFileName("pic.\x95\x5Cz", out), 0);
    EXPECT_STREQ(out, "pic_a.\x95\x5Cz");
    const std::string longName(orvik::kAlphaFileNameBytes - 2, 'x');
    EXPECT_EQ(orvik::MakeAlphaFileName(longName.c_str(), out), -1);
    const std::string fits(orvik::kAlphaFileNameBytes - 3, 'x');
    EXPECT_EQ(orvik::MakeAlphaFileName(fits.c_str(), out), 0);
}

}  // namespace
