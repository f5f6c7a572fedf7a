// The GDI-style calls over fixed glyphs: handles, selection, metrics, the outline calls'
// size query and formats, code page lookups, and the failures tests can cause.
#include <gtest/gtest.h>

#include <memory>

#include "host/font/fixed_glyph_source.h"
#include "host/win/system/codepage.h"
#include "tests/host_font/font_fixture.h"

namespace {

using font_test::FontTest;

class GdiFontTest : public FontTest {
protected:
    void SetUp() override {
        FontTest::SetUp();
        source_ = std::make_shared<host::FixedGlyphSource>();
        host::SetGlyphSource(source_);
    }

    host::HFONT Make(int32_t height, uint32_t charset = host::SHIFTJIS_CHARSET) {
        return host::CreateFontA(height, 600, 0, charset, host::FIXED_PITCH, "ＭＳ ゴシック");
    }

    // A 6 x 3 glyph: a full row, a half-covered row, a row with one pixel at each end.
    static host::GlyphImage Pattern() {
        host::GlyphImage g;
        g.width = 6;
        g.rows = 3;
        g.left = -1;
        g.top = 10;
        g.advance = 7;
        g.coverage = {255, 255, 255, 255, 255, 255,  //
                      128, 128, 128, 128, 128, 128,  //
                      255, 0,   0,   0,   0,   255};
        return g;
    }

    std::shared_ptr<host::FixedGlyphSource> source_;
};

TEST_F(GdiFontTest, TextMetricsComeFromTheSelectedFont) {
    host::HDC dc = Select(Make(24, host::DEFAULT_CHARSET));
    host::TEXTMETRICA tm;
    ASSERT_TRUE(host::GetTextMetricsA(dc, &tm));
    EXPECT_EQ(tm.tmHeight, 24);
    EXPECT_EQ(tm.tmAscent, 18);
    EXPECT_EQ(tm.tmDescent, 6);
    EXPECT_EQ(tm.tmMaxCharWidth, 24);
    EXPECT_EQ(tm.tmAveCharWidth, 12);
    EXPECT_EQ(tm.tmWeight, 600);
    // The default set is realised as the system's Shift-JIS; a fixed-pitch font has the
    // (inverted) fixed-pitch bit clear.
    EXPECT_EQ(tm.tmCharSet, host::SHIFTJIS_CHARSET);
    EXPECT_EQ(tm.tmPitchAndFamily & host::TMPF_FIXED_PITCH, 0);
    EXPECT_NE(tm.tmPitchAndFamily & host::TMPF_TRUETYPE, 0);
}

TEST_F(GdiFontTest, HeightZeroIsTheDefaultCellAndAbsurdRequestsFail) {
    host::TEXTMETRICA tm;
    ASSERT_TRUE(host::GetTextMetricsA(Select(Make(0)), &tm));
    EXPECT_EQ(tm.tmHeight, 16);
    EXPECT_EQ(host::CreateFontA(100000, 400, 0, 0x80, 1, ""), nullptr);
    EXPECT_EQ(host::CreateFontA(-100000, 400, 0, 0x80, 1, ""), nullptr);
    EXPECT_EQ(host::CreateFontA(16, 400, 0, 0x1080, 1, ""), nullptr);
    EXPECT_EQ(host::LiveFontCount(), 1u);
}

TEST_F(GdiFontTest, OutlineSizeQueryThenExactBits) {
    ASSERT_TRUE(source_->AddGlyph(U'A', Pattern()));
    host::HDC dc = Select(Make(16));
    Glyph mono = Outline(dc, 'A', host::GGO_BITMAP);
    ASSERT_EQ(mono.size, 12u);  // three rows of one padded 4-byte word
    EXPECT_EQ(mono.bits, (std::vector<uint8_t>{0xFC, 0, 0, 0, 0xFC, 0, 0, 0, 0x84, 0, 0, 0}));
    EXPECT_EQ(mono.gm.gmBlackBoxX, 6u);
    EXPECT_EQ(mono.gm.gmBlackBoxY, 3u);
    EXPECT_EQ(mono.gm.gmptGlyphOrigin.x, -1);
    EXPECT_EQ(mono.gm.gmptGlyphOrigin.y, 10);
    EXPECT_EQ(mono.gm.gmCellIncX, 7);

    Glyph grey = Outline(dc, 'A', host::GGO_GRAY4_BITMAP);
    ASSERT_EQ(grey.size, 24u);  // 6 levels padded to 8 bytes, three rows
    EXPECT_EQ(grey.bits, (std::vector<uint8_t>{16, 16, 16, 16, 16, 16, 0, 0,  //
                                               8,  8,  8,  8,  8,  8,  0, 0,  //
                                               16, 0,  0,  0,  0,  16, 0, 0}));
}

TEST_F(GdiFontTest, BufferRulesOfTheOutlineCall) {
    ASSERT_TRUE(source_->AddGlyph(U'A', Pattern()));
    host::HDC dc = Select(Make(16));
    host::MAT2 identity = host::IdentityMat2();
    host::GLYPHMETRICS gm;
    std::vector<uint8_t> buffer(64, 0xAA);
    // A real buffer with a zero size is a size query too, and writes nothing.
    EXPECT_EQ(host::GetGlyphOutlineA(dc, 'A', host::GGO_BITMAP, &gm, 0, buffer.data(), &identity),
              12u);
    EXPECT_EQ(buffer[0], 0xAA);
    EXPECT_EQ(host::GetGlyphOutlineA(dc, 'A', host::GGO_BITMAP, &gm, 11, buffer.data(), &identity),
              host::GDI_ERROR);
    EXPECT_EQ(buffer[0], 0xAA);
    // A larger buffer gets the bitmap; the bytes after it are left alone.
    EXPECT_EQ(host::GetGlyphOutlineA(dc, 'A', host::GGO_BITMAP, &gm, 64, buffer.data(), &identity),
              12u);
    EXPECT_EQ(buffer[0], 0xFC);
    EXPECT_EQ(buffer[12], 0xAA);
}

TEST_F(GdiFontTest, SpacesAnswerWithMetricsOnly) {
    host::HDC dc = Select(Make(16));
    for (uint32_t code : {uint32_t(' '), 0x8140u}) {
        for (uint32_t format : {host::GGO_BITMAP, host::GGO_GRAY4_BITMAP}) {
            Glyph g = Outline(dc, code, format);
            EXPECT_EQ(g.size, 0u) << code;
            EXPECT_EQ(g.gm.gmBlackBoxX, 1u);
            EXPECT_EQ(g.gm.gmBlackBoxY, 1u);
            EXPECT_EQ(g.gm.gmCellIncX, code == ' ' ? 8 : 16);
        }
    }
}

TEST_F(GdiFontTest, TwoByteCodesReachTheirUnicodeGlyph) {
    host::GlyphImage dan = Pattern();
    dan.advance = 16;
    ASSERT_TRUE(source_->AddGlyph(U'\u5F3E', dan));  // 弾
    host::HDC dc = Select(Make(16));
    EXPECT_EQ(Outline(dc, 0x9265, host::GGO_BITMAP).gm.gmCellIncX, 16);
    // Another character falls back to the fixed box: average width by ascent.
    Glyph other = Outline(dc, 0x968B, host::GGO_BITMAP);
    EXPECT_EQ(other.gm.gmBlackBoxX, 8u);
    EXPECT_EQ(other.gm.gmBlackBoxY, 12u);
    // A lead byte alone and a bad trail byte are no characters.
    host::MAT2 identity = host::IdentityMat2();
    host::GLYPHMETRICS gm;
    EXPECT_EQ(host::GetGlyphOutlineA(dc, 0x81, host::GGO_BITMAP, &gm, 0, nullptr, &identity),
              host::GDI_ERROR);
    EXPECT_EQ(host::GetGlyphOutlineA(dc, 0x8100, host::GGO_BITMAP, &gm, 0, nullptr, &identity),
              host::GDI_ERROR);
}

TEST_F(GdiFontTest, BadArgumentsToTheOutlineCallFail) {
    host::HDC dc = Select(Make(16));
    host::MAT2 identity = host::IdentityMat2();
    host::MAT2 doubled = identity;
    doubled.eM11.value = 2;
    host::GLYPHMETRICS gm;
    EXPECT_EQ(host::GetGlyphOutlineA(dc, 'A', host::GGO_BITMAP, nullptr, 0, nullptr, &identity),
              host::GDI_ERROR);
    EXPECT_EQ(host::GetGlyphOutlineA(dc, 'A', host::GGO_BITMAP, &gm, 0, nullptr, nullptr),
              host::GDI_ERROR);
    EXPECT_EQ(host::GetGlyphOutlineA(dc, 'A', host::GGO_BITMAP, &gm, 0, nullptr, &doubled),
              host::GDI_ERROR);
    EXPECT_EQ(host::GetGlyphOutlineA(dc, 'A', 2, &gm, 0, nullptr, &identity), host::GDI_ERROR);
    host::HDC bare = host::CreateCompatibleDC(nullptr);
    EXPECT_EQ(host::GetGlyphOutlineA(bare, 'A', host::GGO_BITMAP, &gm, 0, nullptr, &identity),
              host::GDI_ERROR);
    host::TEXTMETRICA tm;
    EXPECT_FALSE(host::GetTextMetricsA(bare, &tm));
    EXPECT_FALSE(host::GetTextMetricsA(dc, nullptr));
    EXPECT_TRUE(host::DeleteDC(bare));
}

TEST_F(GdiFontTest, TheDefaultSetFollowsTheSystemCodePage) {
    host::GlyphImage ga = Pattern();
    ga.advance = 21;
    ASSERT_TRUE(source_->AddGlyph(U'\uAC00', ga));  // 가
    host::SetSystemCodePage(949);
    host::HDC dc = Select(Make(16, host::DEFAULT_CHARSET));
    host::SetSystemCodePage(932);
    host::TEXTMETRICA tm;
    ASSERT_TRUE(host::GetTextMetricsA(dc, &tm));
    EXPECT_EQ(tm.tmCharSet, host::HANGEUL_CHARSET);
    EXPECT_EQ(Outline(dc, 0xB0A1, host::GGO_BITMAP).gm.gmCellIncX, 21);
    // A font made for Shift-JIS reads the same code as a kanji of its own set.
    dc = Select(Make(16, host::SHIFTJIS_CHARSET));
    EXPECT_NE(Outline(dc, 0xB0A1, host::GGO_BITMAP).gm.gmCellIncX, 21);
}

TEST_F(GdiFontTest, SelectionAndStaleHandles) {
    host::HFONT small = Make(16);
    host::HFONT large = Make(24);
    ASSERT_NE(small, nullptr);
    ASSERT_NE(large, small);
    host::HDC dc = host::CreateCompatibleDC(nullptr);
    EXPECT_EQ(host::SelectObject(dc, small), nullptr);
    EXPECT_EQ(host::SelectObject(dc, large), small);
    // A font deleted while selected keeps working through the context.
    EXPECT_TRUE(host::DeleteObject(large));
    host::TEXTMETRICA tm;
    ASSERT_TRUE(host::GetTextMetricsA(dc, &tm));
    EXPECT_EQ(tm.tmHeight, 24);
    // Its handle is gone: deleting or selecting it again fails.
    EXPECT_FALSE(host::DeleteObject(large));
    EXPECT_EQ(host::SelectObject(dc, large), nullptr);
    EXPECT_EQ(host::SelectObject(dc, small), large);
    EXPECT_EQ(host::SelectObject(dc, nullptr), small);
    EXPECT_FALSE(host::GetTextMetricsA(dc, &tm));
    // Made-up and stale handles of either kind are not found.
    EXPECT_EQ(host::SelectObject(reinterpret_cast<host::HDC>(small), small), nullptr);
    EXPECT_FALSE(host::DeleteObject(reinterpret_cast<host::HFONT>(dc)));
    EXPECT_FALSE(host::DeleteObject(reinterpret_cast<host::HFONT>(uintptr_t(12345))));
    EXPECT_TRUE(host::DeleteDC(dc));
    EXPECT_FALSE(host::DeleteDC(dc));
    EXPECT_EQ(host::SelectObject(dc, small), nullptr);
    EXPECT_EQ(host::LiveFontCount(), 1u);
    EXPECT_EQ(host::LiveDcCount(), 0u);
}

TEST_F(GdiFontTest, FaultsFailTheNextCallsOrAll) {
    host::SetFontFaults({.createFont = 1});
    EXPECT_EQ(Make(16), nullptr);
    EXPECT_NE(Make(16), nullptr);  // the engine's retry with another set succeeds

    host::SetFontFaults({.createFont = -1});
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Make(16), nullptr);

    host::SetFontFaults({.createDc = 1});
    EXPECT_EQ(host::CreateCompatibleDC(nullptr), nullptr);
    host::HDC dc = host::CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);

    host::SetFontFaults({.glyphOutline = 2});
    host::HFONT font = Make(16);
    ASSERT_NE(font, nullptr);
    host::SelectObject(dc, font);
    host::MAT2 identity = host::IdentityMat2();
    host::GLYPHMETRICS gm;
    auto query = [&] {
        return host::GetGlyphOutlineA(dc, 'x', host::GGO_BITMAP, &gm, 0, nullptr, &identity);
    };
    EXPECT_EQ(query(), host::GDI_ERROR);
    EXPECT_EQ(query(), host::GDI_ERROR);
    // The fixed box of an 8-wide, 12-tall glyph: 12 rows of 4 bytes once it works.
    EXPECT_EQ(query(), 48u);
    host::DeleteDC(dc);
}

TEST_F(GdiFontTest, ResetDeletesEverythingAndGoesBackToTheInstalledFonts) {
    ASSERT_NE(Make(16), nullptr);
    ASSERT_NE(host::CreateCompatibleDC(nullptr), nullptr);
    host::SetFontFaults({.createFont = -1});
    host::ResetFontHost();
    EXPECT_EQ(host::LiveFontCount(), 0u);
    EXPECT_EQ(host::LiveDcCount(), 0u);
    // No faults remain, and a glyph added to the fixed source no longer matters.
    ASSERT_TRUE(source_->AddGlyph(U'A', Pattern()));
    host::HDC dc = Select(Make(16));
    EXPECT_NE(Outline(dc, 'A', host::GGO_BITMAP).gm.gmCellIncX, 7);
}

TEST_F(GdiFontTest, MetricsRuleAndIllFormedGlyphs) {
    source_->SetMetricsRule([](const host::FontRequest& r) {
        host::FaceMetrics m = host::FixedGlyphSource::DefaultMetrics(r);
        m.maxCharWidth = r.height + 5;
        return m;
    });
    host::TEXTMETRICA tm;
    ASSERT_TRUE(host::GetTextMetricsA(Select(Make(20)), &tm));
    EXPECT_EQ(tm.tmMaxCharWidth, 25);
    host::GlyphImage broken = Pattern();
    broken.coverage.pop_back();
    EXPECT_FALSE(source_->AddGlyph(U'B', broken));
}

}  // namespace
