// Text with the installed Japanese gothic face on both drawing paths.
#include "engine/softrender/pipeline/memimg_write.h"
#include "font_env.h"

using namespace orvik;

namespace {

class RealFont : public font_test::FontEnv, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        FontEnv::SetUp();
        host::SetGlyphSource(nullptr);
    }

    // Start of each character's advance along the line, and the end of the last.
    std::vector<int> PenStops(int32_t font, const char* text) {
        std::vector<int> stops{0};
        for (const char* p = text; *p;) {
            int bytes = CheckCharBytePosition(p, 1, 1) == 2 ? 2 : 1;
            std::string one(p, size_t(bytes));
            stops.push_back(stops.back() + MeasureTextWithFont(one.c_str(), -1, font, 0, nullptr));
            p += bytes;
        }
        return stops;
    }
};

bool HasInk(const BaseImage& img, int x, int y, int w, int h) {
    for (int v = y; v < y + h; ++v)
        for (int u = x; u < x + w; ++u)
            if (ReadBaseImagePixel(&img, u, v) >> 24) return true;
    return false;
}

TEST_P(RealFont, SoftwarePathInksEveryCharacterInItsPlace) {
    int size = GetParam();
    MEMIMG* img = Target(400, 80);
    int32_t h = CreateFontToHandle(nullptr, size, -1, 0, -1, -1, 0);
    ASSERT_GE(h, 0);
    int charHeight = GetFontRecord(h)->charHeight;
    EXPECT_GE(charHeight, size);
    for (const char* text : {"VANTORIX", "弾幕"}) {
        PaintMemImgRect(img, nullptr, 0);
        std::vector<int> stops = PenStops(h, text);
        int advance = DrawTextWithFont(10, 20, text, 0xFFFFFF, h);
        EXPECT_EQ(advance, stops.back());
        EXPECT_GE(advance, (stops.size() - 1) * size / 2);
        auto box = InkBox(img);
        EXPECT_GE(box[0], 10) << text;
        EXPECT_GE(box[1], 20) << text;
        EXPECT_LE(box[2], 10 + advance + 1) << text;
        EXPECT_LE(box[3], 20 + charHeight) << text;
        // Every character puts ink within its own advance.
        for (size_t i = 0; i + 1 < stops.size(); ++i) {
            bool ink = false;
            for (int x = 10 + stops[i]; x < 10 + stops[i + 1] && !ink; ++x)
                for (int y = 20; y < 20 + charHeight && !ink; ++y) ink = Pixel(img, x, y) != 0;
            EXPECT_TRUE(ink) << text << " character " << i;
        }
    }
}

TEST_P(RealFont, GraphicPathDrawsInkedCellsAlongTheLine) {
    int size = GetParam();
    UseDevice(true);
    int32_t h = CreateFontToHandle(nullptr, size, -1, kFontTypeAntialias, -1, -1, 0);
    ASSERT_GE(h, 0);
    const FontRecord* f = GetFontRecord(h);
    ASSERT_EQ(f->textureCache, 1);
    for (const char* text : {"VANTORIX", "弾幕"}) {
        font_test::Recorded().cells.clear();
        std::vector<int> stops = PenStops(h, text);
        EXPECT_EQ(DrawTextWithFont(10, 20, text, 0xFFFFFF, h), stops.back());
        const auto& cells = font_test::Recorded().cells;
        ASSERT_EQ(cells.size(), stops.size() - 1) << text;
        for (size_t i = 0; i < cells.size(); ++i) {
            const font_test::DrawnCell& c = cells[i];
            EXPECT_NEAR(c.x, 10 + stops[i], size / 4) << text << " character " << i;
            EXPECT_GE(c.y, 20);
            EXPECT_LE(c.y + c.height, 20 + f->charHeight);
            EXPECT_TRUE(HasInk(f->cacheImage, c.srcX, c.srcY, c.width, c.height)) << text << " character " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, RealFont, ::testing::Values(16, 24));

}  // namespace
