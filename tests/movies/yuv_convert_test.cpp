// Movie pictures into 32-bit pixels: the tables' ends, the video range's black and white,
// chroma shared by the pixels it covers, and one rule for every chroma layout.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/graphics/images/base_image.h"
#include "engine/sound/core/sound_system.h"
#include "engine/sound/movies/yuv_convert.h"

namespace {

using namespace orvik;

class YuvTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(InitYuvTables(), 0); }
    void TearDown() override { FreeBaseImage(&image_); }

    // Converts a flat w x h picture with chroma planes cw x ch and returns pixel (x, y).
    uint32_t Flat(int y, int u, int v, int w = 2, int h = 2, int cw = 1, int ch = 1) {
        luma_.assign(size_t(w * h), uint8_t(y));
        cb_.assign(size_t(cw * ch), uint8_t(u));
        cr_.assign(size_t(cw * ch), uint8_t(v));
        FreeBaseImage(&image_);
        EXPECT_EQ(NewXrgb32BaseImage(w, h, &image_), 0);
        ConvertYuvToXrgb({luma_.data(), cb_.data(), cr_.data(), w, h, w, cw, ch, cw}, &image_);
        return Pixel(w - 1, h - 1);
    }
    uint32_t Pixel(int x, int y) const {
        return *reinterpret_cast<const uint32_t*>(image_.pixels + y * image_.pitch + x * 4);
    }

    std::vector<uint8_t> luma_, cb_, cr_;
    BaseImage image_{};
};

TEST_F(YuvTest, TablesStartAndStepAsTheCoefficientsSay) {
    const YuvTables& t = GetYuvTables();
    EXPECT_EQ(t.rFromV[0], -3346944);
    EXPECT_EQ(t.rFromV[255], 26148 * 127);
    EXPECT_EQ(t.gFromU[255], -6406 * 127);
    EXPECT_EQ(t.gFromV[0], 1704960);
    EXPECT_EQ(t.bFromU[255], 33062 * 127);
    EXPECT_EQ(t.y[16], 0);
    EXPECT_EQ(t.y[235], 19070 * 219);
    EXPECT_EQ(t.Clamp(-512), 0);
    EXPECT_EQ(t.Clamp(200), 200);
    EXPECT_EQ(t.Clamp(767), 255);
}

// 4:2:0, 4:2:2 and 4:4:4 pictures holding the same samples give the same pixels: a
// 2 x 2 block for each of 256 random samples, its chroma once, twice or four times over.
TEST_F(YuvTest, EveryChromaLayoutGivesTheSameColourForTheSameSample) {
    constexpr int kSamples = 256, w = 2 * kSamples;
    std::mt19937 random(5);
    std::vector<uint8_t> u(kSamples), v(kSamples);
    luma_.resize(size_t(w * 2));
    for (auto& b : luma_) b = uint8_t(random());
    for (int i = 0; i < kSamples; ++i) u[size_t(i)] = uint8_t(random()), v[size_t(i)] = uint8_t(random());
    const std::vector<uint8_t> luma = luma_;
    std::vector<uint32_t> first;
    for (const auto& [across, down] : {std::pair{1, 1}, std::pair{1, 0}, std::pair{0, 0}}) {
        const int cw = w >> across, ch = 2 >> down;
        cb_.resize(size_t(cw * ch));
        cr_.resize(size_t(cw * ch));
        for (int i = 0; i < cw * ch; ++i) {
            const size_t sample = size_t((i % cw) >> (1 - across));
            cb_[size_t(i)] = u[sample], cr_[size_t(i)] = v[sample];
        }
        FreeBaseImage(&image_);
        ASSERT_EQ(NewXrgb32BaseImage(w, 2, &image_), 0);
        ConvertYuvToXrgb({luma.data(), cb_.data(), cr_.data(), w, 2, w, cw, ch, cw}, &image_);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < w; ++x) {
                if (first.size() < size_t(2 * w)) {
                    first.push_back(Pixel(x, y));
                    continue;
                }
                ASSERT_EQ(Pixel(x, y), first[size_t(y * w + x)]) << "layout " << across << down << " at " << x << "," << y;
            }
    }
}

TEST_F(YuvTest, VideoRangeBlackAndWhiteWithOpaqueAlpha) {
    EXPECT_EQ(Flat(16, 128, 128), 0xFF000000u);
    EXPECT_EQ(Flat(235, 128, 128), 0xFFFEFEFEu);
    EXPECT_EQ(Flat(236, 128, 128), 0xFFFFFFFFu);
    EXPECT_EQ(Flat(0, 128, 128), 0xFF000000u);
    // Strong red: V high and U low push red and blue out of range, clamped.
    EXPECT_EQ(Flat(81, 90, 250) & 0xFFFF0000u, 0xFFFF0000u);
}

TEST_F(YuvTest, SharedChromaCoversTwoByTwoPixelsAndFullChromaGoesPixelByPixel) {
    // 4 x 2 luma with 2 x 1 chroma: the left block grey, the right block blue-ish.
    luma_ = {128, 128, 128, 128, 128, 128, 128, 128};
    cb_ = {128, 200};
    cr_ = {128, 128};
    ASSERT_EQ(NewXrgb32BaseImage(4, 2, &image_), 0);
    ConvertYuvToXrgb({luma_.data(), cb_.data(), cr_.data(), 4, 2, 4, 2, 1, 2}, &image_);
    EXPECT_EQ(Pixel(1, 1), 0xFF828282u);  // (128 - 16) x 1.164 = 130.4
    EXPECT_EQ(Pixel(2, 0) & 0xFF, 255u);
    EXPECT_EQ(Pixel(3, 1), Pixel(2, 0));
    // Full-size chroma takes the per-pixel rule with each pixel's own sample.
    luma_.assign(4, 100);
    cb_ = {128, 60, 200, 200};
    cr_ = {128, 128, 128, 128};
    FreeBaseImage(&image_);
    ASSERT_EQ(NewXrgb32BaseImage(4, 1, &image_), 0);
    ConvertYuvToXrgb({luma_.data(), cb_.data(), cr_.data(), 4, 1, 4, 4, 1, 4}, &image_);
    // y' = 97.776; with U = 60: G = y' + 0.391 x 68 = 124.364, B = y' - 2.018 x 68 < 0;
    // with U = 200: G = y' - 0.391 x 72 = 69.624, B = y' + 2.018 x 72 = 243.072.
    EXPECT_EQ(Pixel(0, 0), 0xFF616161u);
    EXPECT_EQ(Pixel(1, 0), 0xFF617C00u);
    EXPECT_EQ(Pixel(2, 0), 0xFF6145F3u);
    EXPECT_EQ(Pixel(3, 0), 0xFF6145F3u);
}

}  // namespace
