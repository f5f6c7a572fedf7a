// Character codes and face names of code page 932 (and the other sets a font can be
// made for) into Unicode.
#include "host/font/code_page.h"

#include <gtest/gtest.h>

#include <string>

#include "host/font/gdi_font_types.h"
#include "host/win/system/codepage.h"

namespace {

char32_t Unicode(uint32_t code, uint32_t codePage = 932) {
    char32_t out = 0xFFFFFFFF;
    EXPECT_TRUE(host::CharCodeToUnicode(code, codePage, out)) << std::hex << code;
    return out;
}

bool Converts(uint32_t code, uint32_t codePage = 932) {
    char32_t out = 0;
    return host::CharCodeToUnicode(code, codePage, out);
}

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

TEST(CodePage, TwoByteCodesAreLeadTimes256PlusTrail) {
    EXPECT_EQ(Unicode(0x9265), U'\u5F3E');  // 弾
    EXPECT_EQ(Unicode(0x968B), U'\u5E55');  // 幕
    EXPECT_EQ(Unicode(0x82A0), U'\u3042');  // あ
    EXPECT_EQ(Unicode(0x8140), U'\u3000');  // the ideographic space
    EXPECT_EQ(Unicode(0x8260), U'\uFF21');  // full-width A
    // The characters that differ between the JIS table and Microsoft's code page.
    EXPECT_EQ(Unicode(0x815F), U'\uFF3C');  // full-width reverse solidus
    EXPECT_EQ(Unicode(0x8160), U'\uFF5E');  // full-width tilde, not the wave dash
    EXPECT_EQ(Unicode(0x8740), U'\u2460');  // circled 1 of the NEC row
}

TEST(CodePage, OneByteCodes) {
    EXPECT_EQ(Unicode('A'), U'A');
    EXPECT_EQ(Unicode(' '), U' ');
    EXPECT_EQ(Unicode(0xB1), U'\uFF71');  // half-width katakana A
    EXPECT_EQ(Unicode(0xE9, 1252), U'\u00E9');
}

TEST(CodePage, CodesThatAreNoCharacterFail) {
    EXPECT_FALSE(Converts(0x81));     // a lead byte alone
    EXPECT_FALSE(Converts(0x8100));   // a lead byte with no valid trail
    EXPECT_FALSE(Converts(0x4142));   // two one-byte characters are not one code
    EXPECT_FALSE(Converts(0x10000));  // beyond two bytes
    EXPECT_FALSE(Converts(0x9265, 1252));
}

TEST(CodePage, CharacterSetsPickTheirCodePages) {
    host::SetSystemCodePage(932);
    EXPECT_EQ(host::CodePageOfCharset(host::SHIFTJIS_CHARSET), 932u);
    EXPECT_EQ(host::CodePageOfCharset(host::DEFAULT_CHARSET), 932u);
    EXPECT_EQ(host::CodePageOfCharset(host::HANGEUL_CHARSET), 949u);
    EXPECT_EQ(host::CodePageOfCharset(host::GB2312_CHARSET), 936u);
    EXPECT_EQ(host::CodePageOfCharset(host::CHINESEBIG5_CHARSET), 950u);
    EXPECT_EQ(host::CodePageOfCharset(host::ANSI_CHARSET), 1252u);
    EXPECT_EQ(host::CharsetOfSystemCodePage(), host::SHIFTJIS_CHARSET);
    host::SetSystemCodePage(950);
    EXPECT_EQ(host::CodePageOfCharset(host::DEFAULT_CHARSET), 950u);
    EXPECT_EQ(host::CharsetOfSystemCodePage(), host::CHINESEBIG5_CHARSET);
    host::SetSystemCodePage(932);
    // A Korean font reads its two-byte codes in its own code page.
    EXPECT_EQ(Unicode(0xB0A1, 949), U'\uAC00');  // 가
    EXPECT_EQ(Unicode(0xA440, 950), U'\u4E00');  // 一
}

TEST(CodePage, FaceNamesBecomeUtf8) {
    std::string utf8;
    ASSERT_TRUE(host::MultiByteToUtf8("ＭＳ ゴシック", 932, utf8));
    EXPECT_EQ(utf8, Utf8(u8"ＭＳ ゴシック"));
    ASSERT_TRUE(host::MultiByteToUtf8("", 932, utf8));
    EXPECT_TRUE(utf8.empty());
    // Cut inside a two-byte character: refused and nothing kept.
    EXPECT_FALSE(host::MultiByteToUtf8(std::string_view("ＭＳ", 3), 932, utf8));
    EXPECT_TRUE(utf8.empty());
}

}  // namespace
