// Text-entry fields edited from the typed characters: insertion, the editing keys over
// one- and two-byte characters, selections with SHIFT, the clipboard keys, the length
// limit, the field kinds, ending and cancelling, and the handles.
#include "text_input_fixture.h"

namespace orvik_test {
namespace {

using KeyInputTest = TextInputTest;

TEST_F(KeyInputTest, EditingKeysMoveAndDeleteWholeCharacters) {
    int f = Field(32);
    Type("aあb");
    Key(host::VK_LEFT);
    Key(host::VK_LEFT);
    EXPECT_EQ(Record(f).cursor, 1);  // before the two-byte character, not inside it
    Type("X");
    EXPECT_EQ(Text(f), "aXあb");
    Key(host::VK_RIGHT);
    Type("\x08");  // BACKSPACE takes the two bytes before the cursor
    EXPECT_EQ(Text(f), "aXb");
    Key(host::VK_HOME);
    Key(host::VK_DELETE);
    EXPECT_EQ(Text(f), "Xb");
    Key(host::VK_END);
    Type("\x08\x08\x08");  // one more than there is
    EXPECT_EQ(Text(f), "");
    EXPECT_EQ(Record(f).cursor, 0);
    Key(host::VK_UP);
    Key(host::VK_DOWN);
    Type("\t");
    EXPECT_EQ(Record(f).length, 0);
}

TEST_F(KeyInputTest, TextOverTheLimitLosesWholeCharactersFromItsEnd) {
    int f = Field(5);
    Type("abあ");
    Type("い");  // 6 bytes would not fit: the "あ" before it goes whole
    EXPECT_EQ(Text(f), "abい");
    Key(host::VK_HOME);
    Type("c");
    EXPECT_EQ(Text(f), "cabい");
    Type("d");  // typed at the front, the "い" at the end goes
    EXPECT_EQ(Text(f), "cdab");
    Type("ef");
    EXPECT_EQ(Text(f), "cdefa");
}

TEST_F(KeyInputTest, ShiftSelectsAndTypingOrCuttingReplacesTheSelection) {
    int f = Field(32);
    Type("hello");
    HoldShift(true);
    Key(host::VK_LEFT);
    Key(host::VK_LEFT);
    HoldShift(false);
    EXPECT_EQ(Record(f).selectionStart, 5);
    EXPECT_EQ(Record(f).selectionEnd, 3);
    Type("\x03");  // CTRL+C
    char clip[16];
    ASSERT_EQ(orvik::ReadClipboardText(clip, sizeof clip), 0);
    EXPECT_STREQ(clip, "lo");
    Type("p!");
    EXPECT_EQ(Text(f), "help!");
    Key(host::VK_LEFT);
    HoldShift(true);
    Key(host::VK_HOME);
    HoldShift(false);
    Type("\x18");  // CTRL+X
    EXPECT_EQ(Text(f), "!");
    ASSERT_EQ(orvik::ReadClipboardText(clip, sizeof clip), 0);
    EXPECT_STREQ(clip, "help");
    // A move without SHIFT drops the selection; the paste goes in at the cursor.
    Key(host::VK_END);
    EXPECT_EQ(Record(f).selectionStart, -1);
    Type("\x16");  // CTRL+V
    EXPECT_EQ(Text(f), "!help");
}

TEST_F(KeyInputTest, PasteIsTypedThroughTheFieldRules) {
    ASSERT_EQ(orvik::WriteClipboardText("12a3\r\n4あ"), 0);
    int digits = Field(3, 0, 0, 1);
    Type("\x16");
    // Letters, line ends and two-byte text stay out; the "4" pushed the "3" off the end.
    EXPECT_EQ(Text(digits), "124");
    int single = Field(10, 0, 1, 0);
    Type("x\x16");
    EXPECT_EQ(Text(single), "x12a34");
}

TEST_F(KeyInputTest, EnterEndsEscapeCancelsOnlyWhereAllowed) {
    int plain = Field(8);
    Type("ok\x1B");
    EXPECT_EQ(orvik::CheckKeyInputEnd(plain), 0);
    Type("\r" "after");
    EXPECT_EQ(orvik::CheckKeyInputEnd(plain), 1);
    EXPECT_EQ(Text(plain), "ok");
    EXPECT_EQ(PopAll(), "after");  // left for whoever reads next

    int cancellable = Field(8, 1);
    Type("no\x1B" "x");
    EXPECT_EQ(orvik::CheckKeyInputEnd(cancellable), 2);
    EXPECT_EQ(Text(cancellable), "no");
}

TEST_F(KeyInputTest, HandlesAreCheckedAndTheTableHas256Slots) {
    int first = orvik::MakeKeyInput(4, 0, 0, 0);
    ASSERT_GE(first, 0);
    EXPECT_EQ(first & 0x78000000, orvik::kKeyInputHandleType);
    EXPECT_EQ(orvik::DeleteKeyInput(first), 0);
    EXPECT_EQ(orvik::DeleteKeyInput(first), -1);
    EXPECT_NE(Log().find("キー入力ハンドルが不正です"), std::string::npos);
    int reused = orvik::MakeKeyInput(4, 0, 0, 0);
    EXPECT_EQ(reused & 0xFFFF, first & 0xFFFF);
    EXPECT_NE(reused, first);  // the same slot under a new check number
    EXPECT_EQ(orvik::CheckKeyInputEnd(first), -1);
    EXPECT_EQ(orvik::SetActiveKeyInput(first), -1);
    EXPECT_EQ(orvik::MakeKeyInput(0, 0, 0, 0), -1);
    EXPECT_EQ(orvik::MakeKeyInput(1025, 0, 0, 0), -1);
    for (int i = 1; i < orvik::kKeyInputCount; ++i) ASSERT_GE(orvik::MakeKeyInput(4, 0, 0, 0), 0) << i;
    EXPECT_EQ(orvik::MakeKeyInput(4, 0, 0, 0), -1);
    EXPECT_NE(Log().find("キー入力ハンドルが足りません"), std::string::npos);
    EXPECT_EQ(orvik::DeleteAllKeyInputs(), 0);
    EXPECT_EQ(orvik::CheckKeyInputEnd(reused), -1);
}

TEST_F(KeyInputTest, ActiveFieldWithABadHandleMakesTheEditingStepFail) {
    int f = Field(4);
    EXPECT_EQ(orvik::ProcessKeyInput(), 0);
    orvik::KeyInputs().records[size_t(f & 0xFFFF)].check ^= 1;
    EXPECT_EQ(orvik::ProcessKeyInput(), -1);
}

TEST_F(KeyInputTest, TextReadBackIsCutBetweenCharacters) {
    int f = Field(8);
    Type("aあい");
    char out[4];
    ASSERT_EQ(orvik::GetKeyInputString(f, out, sizeof out), 0);
    EXPECT_STREQ(out, "aあ");
    ASSERT_EQ(orvik::GetKeyInputString(f, out, 3), 0);
    EXPECT_STREQ(out, "a");
}

}  // namespace
}  // namespace orvik_test
