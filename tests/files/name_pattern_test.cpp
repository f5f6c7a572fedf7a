#include <gtest/gtest.h>

#include "engine/platform/files/name_pattern.h"

namespace {

bool Matches(const char* name, const char* pattern, int charSet = 1) {
    return orvik::MatchFileNamePattern(name, pattern, charSet) == 0;
}

TEST(NamePattern, StarsBacktrackToLaterOccurrences) {
    EXPECT_TRUE(Matches("A.B.BMP", "*.BMP"));
    EXPECT_TRUE(Matches("AAB", "*AB"));
    EXPECT_TRUE(Matches("ABCABD", "A*B*D"));
    EXPECT_TRUE(Matches("X", "**"));
    EXPECT_TRUE(Matches("", "*"));
    EXPECT_FALSE(Matches("A.B.BMX", "*.BMP"));
    EXPECT_FALSE(Matches("ABCABC", "A*B*D"));
}

TEST(NamePattern, QuestionMarksTakeOneCharacterAndEndsMustMeet) {
    EXPECT_TRUE(Matches("C.BMP", "?.BMP"));
    EXPECT_FALSE(Matches("CC.BMP", "?.BMP"));
    EXPECT_FALSE(Matches(".BMP", "?.BMP"));
    EXPECT_FALSE(Matches("ABC", "AB"));
    EXPECT_FALSE(Matches("AB", "ABC"));
    EXPECT_TRUE(Matches("", ""));
    EXPECT_FALSE(Matches(nullptr, "*"));
}

// 0x95 0x5C and 0x82 0x61 are two-byte characters: one character each, equal only byte for
// byte; their trail bytes are never taken for "\" or "a".
TEST(NamePattern, TwoByteCharactersAreOneCharacter) {
    EXPECT_TRUE(Matches("\x95\x5C" "A", "?A"));
    EXPECT_TRUE(Matches("\x95\x5C" "A", "\x95\x5C" "*"));
    EXPECT_FALSE(Matches("\x95\x5C" "A", "\x95\x5D" "A"));
    EXPECT_FALSE(Matches("\x82\x61", "?a"));
    EXPECT_TRUE(Matches("X\x82\x61" "Y", "*\x82\x61" "Y"));
    // Under the Korean set 0xA0 0x41 is one character, under Shift-JIS two.
    EXPECT_TRUE(Matches("\xA0" "A", "?", 2));
    EXPECT_FALSE(Matches("\xA0" "A", "?", 1));
}

}  // namespace
