// The installed fonts through the GDI-style calls, as the engine's text layer uses them:
// the default Japanese gothic face at the engine's sizes, ASCII and Shift-JIS glyphs in
// the 1-bit and 17-level formats, spaces, substitution of unknown faces and the
// fallback when the Japanese face is missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "host/font/font_host.h"
#include "host/font/freetype_source.h"
#include "tests/host_font/font_fixture.h"

namespace {

using font_test::FontTest;

constexpr const char* kGothic = "ＭＳ ゴシック";

struct Ink {
    int count = 0;   // pixels with any ink
    int partial = 0;  // pixels between no and full ink
    int maxLevel = 0;
    bool paddingClear = true;
};

// Reads a bitmap back pixel by pixel with its padded pitch.
Ink InkOf(const std::vector<uint8_t>& bits, const host::GLYPHMETRICS& gm, uint32_t format) {
    Ink ink;
    uint32_t width = gm.gmBlackBoxX;
    uint32_t pitch = format == host::GGO_BITMAP ? (width + 31) / 32 * 4 : (width + 3) & ~3u;
    for (uint32_t y = 0; y < gm.gmBlackBoxY; ++y) {
        for (uint32_t x = 0; x < pitch * (format == host::GGO_BITMAP ? 8 : 1); ++x) {
            int level = format == host::GGO_BITMAP
                            ? (bits[y * pitch + x / 8] >> (7 - x % 8)) & 1
                            : bits[y * pitch + x];
            if (x >= width) {
                ink.paddingClear = ink.paddingClear && level == 0;
                continue;
            }
            ink.count += level != 0;
            ink.partial += level != 0 && level != 16 && format != host::GGO_BITMAP;
            ink.maxLevel = std::max(ink.maxLevel, level);
        }
    }
    return ink;
}

class RealFontTest : public FontTest {
protected:
    host::HDC Gothic(int32_t height, int32_t weight = 400) {
        host::HFONT font = host::CreateFontA(height, weight, 0, host::SHIFTJIS_CHARSET,
                                             host::FIXED_PITCH, kGothic);
        EXPECT_NE(font, nullptr);
        host::HDC dc = Select(font);
        EXPECT_TRUE(host::GetTextMetricsA(dc, &tm_));
        return dc;
    }

    // The glyph's box lies in the cell: inside the ascent and descent, right of the pen
    // and within its own increment (a pixel of slack for hinting).
    void ExpectInCell(const Glyph& g, uint32_t code) {
        int top = tm_.tmAscent - g.gm.gmptGlyphOrigin.y;
        EXPECT_GE(top, 0) << std::hex << code;
        EXPECT_LE(top + int(g.gm.gmBlackBoxY), tm_.tmHeight) << std::hex << code;
        EXPECT_GE(g.gm.gmptGlyphOrigin.x, 0) << std::hex << code;
        EXPECT_LE(g.gm.gmptGlyphOrigin.x + int(g.gm.gmBlackBoxX), g.gm.gmCellIncX + 1)
            << std::hex << code;
        EXPECT_LE(g.gm.gmCellIncX, tm_.tmMaxCharWidth) << std::hex << code;
    }

    host::TEXTMETRICA tm_;
};

TEST_F(RealFontTest, DefaultGothicMetricsAtTheEngineSizes) {
    for (int32_t size : {16, 24}) {
        Gothic(size);
        EXPECT_EQ(tm_.tmHeight, size);
        EXPECT_EQ(tm_.tmAscent + tm_.tmDescent, size);
        EXPECT_GT(tm_.tmDescent, 0);
        EXPECT_GE(tm_.tmInternalLeading, 0);
        EXPECT_LT(tm_.tmInternalLeading, size / 4);
        // A Japanese monospace face: the widest character is a full em, the average
        // about half of it.
        EXPECT_EQ(tm_.tmMaxCharWidth, size - tm_.tmInternalLeading) << size;
        EXPECT_NEAR(tm_.tmAveCharWidth * 2, tm_.tmMaxCharWidth, 2) << size;
        EXPECT_EQ(tm_.tmCharSet, host::SHIFTJIS_CHARSET);
        // A negative height is the character (em) height instead.
        Gothic(-size);
        EXPECT_EQ(tm_.tmHeight - tm_.tmInternalLeading, size);
        EXPECT_GT(tm_.tmHeight, size);
    }
}

TEST_F(RealFontTest, GlyphsOfAsciiAndShiftJisHaveInkInsideTheCell) {
    const uint32_t codes[] = {'A', 'V', 'g', 'X', 0x9265 /* 弾 */, 0x968B /* 幕 */,
                              0x82A0 /* あ */};
    for (int32_t size : {16, 24}) {
        host::HDC dc = Gothic(size);
        for (uint32_t format : {host::GGO_BITMAP, host::GGO_GRAY4_BITMAP}) {
            for (uint32_t code : codes) {
                Glyph g = Outline(dc, code, format);
                ASSERT_NE(g.size, host::GDI_ERROR) << std::hex << code;
                ASSERT_GT(g.size, 0u) << std::hex << code;
                EXPECT_EQ(g.size % 4, 0u);
                EXPECT_EQ(g.size % g.gm.gmBlackBoxY, 0u);
                Ink ink = InkOf(g.bits, g.gm, format);
                EXPECT_GT(ink.count, 4) << std::hex << code;
                EXPECT_TRUE(ink.paddingClear) << std::hex << code;
                EXPECT_LE(ink.maxLevel, format == host::GGO_BITMAP ? 1 : 16);
                ExpectInCell(g, code);
            }
        }
        // Full-width characters advance twice as far as half-width ones.
        int ascii = Outline(dc, 'A', host::GGO_BITMAP).gm.gmCellIncX;
        int kanji = Outline(dc, 0x9265, host::GGO_BITMAP).gm.gmCellIncX;
        EXPECT_NEAR(kanji, 2 * ascii, 1) << size;
        EXPECT_EQ(kanji, tm_.tmMaxCharWidth) << size;
    }
}

TEST_F(RealFontTest, GreyGlyphsUseTheSeventeenLevels) {
    host::HDC dc = Gothic(24);
    Glyph g = Outline(dc, 0x968B, host::GGO_GRAY4_BITMAP);
    Ink ink = InkOf(g.bits, g.gm, host::GGO_GRAY4_BITMAP);
    EXPECT_EQ(ink.maxLevel, 16);
    EXPECT_GT(ink.partial, 0);  // edges between no and full ink
    // The same glyph in one bit has the same box size within a pixel.
    Glyph mono = Outline(dc, 0x968B, host::GGO_BITMAP);
    EXPECT_NEAR(int(mono.gm.gmBlackBoxX), int(g.gm.gmBlackBoxX), 2);
    EXPECT_EQ(mono.gm.gmCellIncX, g.gm.gmCellIncX);
}

TEST_F(RealFontTest, SpacesHaveNoBitmapButAnIncrement) {
    host::HDC dc = Gothic(16);
    for (uint32_t format : {host::GGO_BITMAP, host::GGO_GRAY4_BITMAP}) {
        Glyph half = Outline(dc, ' ', format);
        EXPECT_EQ(half.size, 0u);
        EXPECT_EQ(half.gm.gmBlackBoxX, 1u);
        EXPECT_EQ(half.gm.gmBlackBoxY, 1u);
        EXPECT_GT(half.gm.gmCellIncX, 0);
        Glyph full = Outline(dc, 0x8140, format);
        EXPECT_EQ(full.size, 0u);
        EXPECT_EQ(full.gm.gmCellIncX, tm_.tmMaxCharWidth);
    }
}

TEST_F(RealFontTest, EmptyAndNullFaceNamesAreTheGothicToo) {
    host::HDC dc = Gothic(16);
    Glyph named = Outline(dc, 0x9265, host::GGO_BITMAP);
    for (const char* face : {"", static_cast<const char*>(nullptr)}) {
        host::HFONT font = host::CreateFontA(16, 400, 0, host::SHIFTJIS_CHARSET, 1, face);
        ASSERT_NE(font, nullptr);
        Glyph g = Outline(Select(font), 0x9265, host::GGO_BITMAP);
        EXPECT_EQ(g.bits, named.bits);
    }
}

TEST_F(RealFontTest, UnknownFacesAreSubstituted) {
    host::HFONT font = host::CreateFontA(24, 400, 0, host::SHIFTJIS_CHARSET, host::FIXED_PITCH,
                                         "NoSuchFaceAnywhere");
    ASSERT_NE(font, nullptr);
    host::HDC dc = Select(font);
    host::TEXTMETRICA tm;
    ASSERT_TRUE(host::GetTextMetricsA(dc, &tm));
    EXPECT_EQ(tm.tmHeight, 24);
    for (uint32_t code : {uint32_t('A'), 0x9265u}) {
        Glyph g = Outline(dc, code, host::GGO_GRAY4_BITMAP);
        EXPECT_GT(InkOf(g.bits, g.gm, host::GGO_GRAY4_BITMAP).count, 4) << std::hex << code;
    }
}

// The installed fonts, keeping the family of the face opened last.
class WatchedFonts final : public host::GlyphSource {
public:
    std::unique_ptr<host::GlyphFace> Open(const host::FontRequest& request) override {
        std::unique_ptr<host::GlyphFace> face = fonts.Open(request);
        family = face ? face->Metrics().family : "";
        return face;
    }
    host::FreeTypeGlyphSource fonts;
    std::string family;
};

// The engine's name for the face reaches the fonts through CreateFontA, in code page 932.
TEST_F(RealFontTest, MissingJapaneseFaceFallsBackToDejaVuSansMono) {
    auto watched = std::make_shared<WatchedFonts>();
    host::SetGlyphSource(watched);
    Gothic(16);
    EXPECT_EQ(watched->family, "IPAGothic");

    watched->fonts.HideFamily("IPAGothic");
    host::HDC dc = Gothic(16);
    EXPECT_EQ(watched->family, "DejaVu Sans Mono");
    EXPECT_EQ(tm_.tmHeight, 16);
    Glyph a = Outline(dc, 'A', host::GGO_GRAY4_BITMAP);
    EXPECT_GT(InkOf(a.bits, a.gm, host::GGO_GRAY4_BITMAP).count, 4);

    watched->fonts.HideFamily("DejaVu Sans Mono");
    Gothic(16);  // whatever monospace face the system has left
    EXPECT_FALSE(watched->family.empty());
    EXPECT_NE(watched->family, "IPAGothic");
    EXPECT_NE(watched->family, "DejaVu Sans Mono");
}

TEST_F(RealFontTest, BoldAndItalicAreMadeUpWhenTheFaceLacksThem) {
    host::HDC dc = Gothic(24, 400);
    Glyph regular = Outline(dc, 'I', host::GGO_BITMAP);
    int regularInk = InkOf(regular.bits, regular.gm, host::GGO_BITMAP).count;
    dc = Gothic(24, 600);
    EXPECT_EQ(tm_.tmWeight, 600);
    Glyph bold = Outline(dc, 'I', host::GGO_BITMAP);
    EXPECT_GT(InkOf(bold.bits, bold.gm, host::GGO_BITMAP).count, regularInk);
    EXPECT_EQ(bold.gm.gmCellIncX, regular.gm.gmCellIncX + 1);
    // Made-up bold grows to the right, as GDI's does: wide letters keep their left edge in
    // the cell instead of losing a column to its left.
    for (char c : {'W', 'M'}) {
        Glyph wide = Outline(dc, uint32_t(c), host::GGO_BITMAP);
        ExpectInCell(wide, uint32_t(c));
        Glyph thin = Outline(Gothic(24, 400), uint32_t(c), host::GGO_BITMAP);
        dc = Gothic(24, 600);
        EXPECT_EQ(wide.gm.gmptGlyphOrigin.x, thin.gm.gmptGlyphOrigin.x) << c;
    }

    host::HFONT italic = host::CreateFontA(24, 400, 1, host::SHIFTJIS_CHARSET, 1, kGothic);
    Glyph slanted = Outline(Select(italic), 'I', host::GGO_BITMAP);
    EXPECT_GT(slanted.gm.gmBlackBoxX, regular.gm.gmBlackBoxX);
    EXPECT_EQ(slanted.gm.gmCellIncX, regular.gm.gmCellIncX);
}

}  // namespace
