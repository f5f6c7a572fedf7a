#include "font_env.h"

using namespace orvik;
using font_test::Recorded;

using TextLayout = font_test::FontEnv;

// Fixed faces at size 16: ascent 12, characters 8 wide and 12 tall with their top on the
// ascent (top offset 0), advance 8; cells of 24 in columns of 21.

TEST_F(TextLayout, GlyphsAreDrawnFromTheirCellsAlongThePen) {
    UseDevice(true);
    int32_t h = CreateFontToHandle(nullptr, 16, -1, 0, -1, -1, 0);
    SetFontSpacingToHandle(2, h);
    EXPECT_EQ(DrawTextWithFont(10, 20, "ABA", 0x123456, h), 3 * 10);
    const auto& cells = Recorded().cells;
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[0].x, 10);
    EXPECT_EQ(cells[1].x, 20);
    EXPECT_EQ(cells[2].x, 30);
    EXPECT_EQ(cells[0].y, 20);
    EXPECT_EQ(cells[0].srcX, 1);   // cell 0, one pixel in
    EXPECT_EQ(cells[1].srcY, 25);  // cell 1 is below cell 0
    EXPECT_EQ(cells[2].srcY, 1);   // A again: its cached cell
    EXPECT_EQ(cells[1].width, 8);
    EXPECT_EQ(cells[1].height, 12);
    EXPECT_EQ(cells[0].rgb, 0x123456u);
}

TEST_F(TextLayout, ScaledTextStretchesUprightCellsOnlyAndScalesThePen) {
    UseDevice(true);
    int32_t h = CreateFontToHandle(nullptr, 16, -1, kFontTypeEdge, -1, 1, 0);
    EXPECT_EQ(DrawTextCore(1, 10, 20, 1, 1.5, 2.0, "AB", 0xFFFFFF, nullptr, h, 0, 0, nullptr), 2 * 15);
    auto cells = Recorded().cells;
    ASSERT_EQ(cells.size(), 4u);  // edge and body of each
    for (const auto& c : cells) {
        EXPECT_EQ(c.scaleX, 1.5);
        EXPECT_EQ(c.scaleY, 2.0);
    }
    EXPECT_EQ(cells[2].x - cells[0].x, 15);  // the pen moved by 1.5 x the edged advance of 10
    // Without the scale flag, and for vertical text, cells are drawn texel for texel.
    Recorded().cells.clear();
    EXPECT_EQ(DrawTextCore(1, 10, 20, 0, 1.5, 2.0, "A", 0xFFFFFF, nullptr, h, 0, 0, nullptr), 10);
    // Vertical text advances by the y scale.
    EXPECT_EQ(DrawTextCore(1, 10, 20, 1, 1.5, 2.0, "A", 0xFFFFFF, nullptr, h, 0, 1, nullptr), 20);
    for (const auto& c : Recorded().cells) {
        EXPECT_EQ(c.scaleX, 1.0);
        EXPECT_EQ(c.scaleY, 1.0);
    }
}

TEST_F(TextLayout, EdgedTextDrawsTheEdgeFirstAndColoursFollowTheBright) {
    UseDevice(true);
    int32_t h = CreateFontToHandle(nullptr, 16, -1, kFontTypeEdge, -1, 1, 0);
    Draw().bright = 0x80FF00;
    DrawTextWithFont(0, 0, "A", 0xFFFFFF, h, 0x00FF00);
    const auto& cells = Recorded().cells;
    ASSERT_EQ(cells.size(), 2u);
    const FontRecord* f = GetFontRecord(h);
    EXPECT_EQ(cells[0].graph, f->edgeGraph);
    EXPECT_EQ(cells[0].rgb, 0x00FF00u);
    EXPECT_EQ(cells[1].graph, f->cacheGraph);
    EXPECT_EQ(cells[1].rgb, 0x80FF00u);
    EXPECT_EQ(cells[1].width, 10);
}

TEST_F(TextLayout, SpacesOnlyDrawNothingAndReturnTheirAdvances) {
    Target(64, 32);
    int32_t h = CreateFontToHandle(nullptr, 16, -1, 0, -1, -1, 0);
    // ASCII spaces advance by the average width, the two-byte space by the widest.
    EXPECT_EQ(DrawTextWithFont(0, 0, "  \x81\x40", 0xFFFFFF, h), 8 + 8 + 16);
    EXPECT_EQ(InkBox(Draw().softTarget)[0], -1);
    UseDevice(true);
    int32_t d = CreateFontToHandle(nullptr, 16, -1, 0, -1, -1, 0);
    EXPECT_EQ(DrawTextWithFont(0, 0, "   ", 0xFFFFFF, d), 24);
    EXPECT_TRUE(Recorded().cells.empty());
}

TEST_F(TextLayout, VerticalTextSwapsItsSizeAndTurnsItsGlyphs) {
    MEMIMG* img = Target(64, 64);
    int32_t h = CreateFontToHandle(nullptr, 16, -1, 0, -1, -1, 0);
    int size[2] = {};
    EXPECT_EQ(MeasureTextWithFont("AB", -1, h, 0, size), 16);
    EXPECT_EQ(size[0], 16);
    EXPECT_EQ(size[1], 16);
    EXPECT_EQ(MeasureTextWithFont("ABC", -1, h, 1, size), 24);
    EXPECT_EQ(size[0], 16);
    EXPECT_EQ(size[1], 24);
    // Turned a quarter clockwise: the 8 x 12 boxes become 12 wide and 8 tall, their tops on
    // the right at x + character height - top offset.
    DrawTextWithFont(4, 2, "AB", 0xFFFFFF, h, 0, 1);
    EXPECT_EQ(InkBox(img), (std::array<int, 4>{4 + 16 - 12, 2, 4 + 16, 2 + 16}));
}

TEST_F(TextLayout, PlainSoftwareTextIsWrittenInTheTextColourClippedToTheDrawArea) {
    MEMIMG* img = Target(40, 20);
    int32_t h = CreateFontToHandle(nullptr, 16, -1, 0, -1, -1, 0);
    Draw().area.x2 = 20;
    EXPECT_EQ(DrawTextWithFont(3, 4, "AAA", 0xFF8040, h), 24);
    EXPECT_EQ(InkBox(img), (std::array<int, 4>{3, 4, 20, 16}));
    EXPECT_EQ(Pixel(img, 3, 4), 0xFF8040u);
}

TEST_F(TextLayout, EdgedSoftwareTextPutsTheEdgeRoundTheBody) {
    MEMIMG* img = Target(40, 40);
    int32_t h = CreateFontToHandle(nullptr, 16, -1, kFontTypeEdge, -1, 1, 0);
    DrawTextWithFont(0, 0, "A", 0xFFFFFF, h, 0x0000FF);
    // Body at (1..8, 1..12); its edge one pixel round it without the corners.
    EXPECT_EQ(Pixel(img, 1, 1), 0xFFFFFFu);
    EXPECT_EQ(Pixel(img, 0, 1), 0x0000FFu);
    EXPECT_EQ(Pixel(img, 9, 12), 0x0000FFu);
    EXPECT_EQ(Pixel(img, 1, 13), 0x0000FFu);
    EXPECT_EQ(Pixel(img, 0, 0), 0u);
    EXPECT_EQ(Pixel(img, 9, 13), 0u);
}

TEST_F(TextLayout, AntialiasedTextMixesBodyAndEdgeInTheWorkImage) {
    Target(64, 64);
    MEMIMG work{};
    ASSERT_EQ(SetupMemImg(&work, 64, 64, -1, 0, kMemImgXrgb32, 0, 1, 0, nullptr), 0);
    Graphics().textWork[1] = &work;
    host::GlyphImage g;
    g.width = 2;
    g.rows = 1;
    g.top = 12;
    g.advance = 3;
    g.coverage = {136, 255};  // levels 9 (b = 8) and 16 (b = 15)
    ASSERT_TRUE(glyphs_->AddGlyph(U'g', g));
    int32_t h = CreateFontToHandle(nullptr, 16, -1, kFontTypeAntialiasEdge, -1, 1, 0);
    EXPECT_EQ(DrawTextWithFont(0, 0, "g", 0xFFFFFF, h, 0x000000), 5);
    EXPECT_EQ(Recorded().memImgDraws, 1);
    auto at = [&](int x, int y) {
        uint32_t v;
        std::memcpy(&v, work.pixels + size_t(y) * work.store->pitch + size_t(x) * 4, 4);
        return v;
    };
    EXPECT_EQ(at(2, 1), 0xFFFFFFFFu);  // b = 15: the text colour, opaque
    // b = 8 next to the full pixel (e = 15): alpha 128 + 7 x 15 = 233, w = 8 x 4096 / 233 = 140,
    // each channel 255 x 140 / 256 = 139.
    EXPECT_EQ(at(1, 1), 233u << 24 | 0x8B8B8Bu);
    EXPECT_EQ(at(3, 1), 240u << 24);  // edge only: the edge colour at 16 e
    EXPECT_EQ(at(4, 1), 0u);          // outside the stamp: left as painted
    Graphics().textWork[1] = nullptr;
    ReleaseMemImg(&work);
}

TEST_F(TextLayout, FormattedTextIsBoundToItsBuffer) {
    Target(64, 32);
    ResetFontSystem();
    ASSERT_GE(QueryDefaultFontHandle(), 0);
    std::string longText(5000, 'W');
    // The default font is 16 pixels: 2047 characters of 8 survive the 2048-byte buffer.
    EXPECT_EQ(DrawTextFormatted(0, 0, 0xFFFFFF, "%s", longText.c_str()), 2047 * 8);
    EXPECT_EQ(DrawTextFormatted(0, 0, 0xFFFFFF, "%d-%s", 12, "ab"), 5 * 8);
}

TEST_F(TextLayout, BadHandlesAndEmptyTextsAreRefused) {
    EXPECT_EQ(DrawTextWithFont(0, 0, "A", 0, 12345), -1);
    EXPECT_TRUE(LogHas("フォントハンドル値が異常です"));
    int32_t h = CreateFontToHandle(nullptr, 16, -1, 0, -1, -1, 0);
    EXPECT_EQ(DrawTextWithFont(0, 0, "", 0, h), 0);
    EXPECT_EQ(DrawTextWithFont(0, 0, nullptr, 0, h), 0);
    EXPECT_EQ(DrawTextWithFont(0, 0, "A", 0, h + 0x10000), -1);  // stale check number
}

TEST_F(TextLayout, HugeSpacingsAndFarPositionsStayInsideInt) {
    int32_t h = CreateFontToHandle(nullptr, 16, -1, 0, -1, -1, 0);
    // Each advance of 8 plus a spacing near the end of int: the total saturates instead
    // of wrapping round to a negative width.
    SetFontSpacingToHandle(INT_MAX - 4, h);
    int size[2] = {};
    EXPECT_EQ(MeasureTextWithFont("AB", -1, h, 0, size), INT_MAX);
    EXPECT_EQ(size[0], INT_MAX);
    SetFontSpacingToHandle(INT_MIN + 4, h);
    EXPECT_EQ(MeasureTextWithFont("AB", -1, h, 1, size), INT_MIN);
    EXPECT_EQ(size[1], INT_MIN);
    SetFontSpacingToHandle(0, h);
    // Text through the work image (blended) placed where its box would pass the end of
    // int lies right of the draw area: nothing is written, the advance is returned.
    MEMIMG* img = Target(32, 32);
    MEMIMG work{};
    ASSERT_EQ(SetupMemImg(&work, 32, 32, -1, 0, kMemImgXrgb32, 0, 0, 0, nullptr), 0);
    Graphics().textWork[0] = &work;
    Draw().blendMode = 1;
    Draw().blendParam = 128;
    for (int vertical : {0, 1}) {
        EXPECT_EQ(DrawTextWithFont(INT_MAX - 3, INT_MAX - 3, "AA", 0xFFFFFF, h, 0, vertical), 16);
        EXPECT_EQ(DrawTextWithFont(INT_MAX - 3, 4, "AA", 0xFFFFFF, h, 0, vertical), 16);
    }
    EXPECT_EQ(Recorded().memImgDraws, 0);
    EXPECT_EQ(InkBox(img), (std::array<int, 4>{-1, -1, -1, -1}));
    Graphics().textWork[0] = nullptr;
    ReleaseMemImg(&work);
}
