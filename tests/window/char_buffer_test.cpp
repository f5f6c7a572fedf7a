// The ring of typed characters: its limits, its wrap, and two-byte characters that are
// never taken or kept in halves.
#include "engine/platform/input/text_input.h"
#include "text_input_fixture.h"

namespace orvik_test {
namespace {

using CharBufferTest = TextInputTest;

TEST_F(CharBufferTest, HoldsAtMost1024BytesAndKeepsOrderAcrossTheWrap) {
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(orvik::PushCharCode('a' + i % 26), 0) << i;
    EXPECT_EQ(orvik::PushCharCode('x'), -1);
    EXPECT_EQ(PopAll().size(), 1024u);
    // Read and write positions now sit at the end of the storage: the next bytes wrap.
    for (char c : std::string("wrap")) ASSERT_EQ(orvik::PushCharCode(uint8_t(c)), 0);
    EXPECT_LT(orvik::CharCodes().write, orvik::CharCodes().read);
    EXPECT_EQ(PopAll(), "wrap");
}

TEST_F(CharBufferTest, TwoByteCharacterWaitsForItsSecondByteAndPeekingLeavesIt) {
    const std::string a = "あ";
    ASSERT_EQ(a.size(), 2u);
    orvik::PushCharCode(uint8_t(a[0]));
    uint8_t out[2] = {0, 0};
    EXPECT_EQ(orvik::PopCharCode(out, 1), 0);
    orvik::PushCharCode(uint8_t(a[1]));
    EXPECT_EQ(orvik::PopCharCode(out, 0), 2);
    uint8_t again[2] = {0, 0};
    EXPECT_EQ(orvik::PopCharCode(again, 0), 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(again), 2), a);
    EXPECT_EQ(orvik::PopCharCode(out, 1), 2);
    EXPECT_EQ(orvik::PopCharCode(out, 1), 0);
    // An editing code is one byte whatever follows it.
    orvik::PushCharCode(0x1D);
    orvik::PushCharCode(uint8_t(a[0]));
    EXPECT_EQ(orvik::PopCharCode(out, 1), 1);
    EXPECT_EQ(out[0], 0x1D);
}

TEST_F(CharBufferTest, TypedCharacterThatDoesNotFitWholeIsDroppedWhole) {
    for (int i = 0; i < 1023; ++i) orvik::PushCharCode('x');
    // One byte free: the lead byte must not go in alone, or the buffer would hold a
    // character that can never be taken.
    Type("あb");
    EXPECT_EQ(PopAll(), std::string(1023, 'x') + "b");
    Type("い");
    EXPECT_EQ(PopAll(), "い");
}

TEST_F(CharBufferTest, ResultTextLongerThanTheRoomEntersInWholeCharacters) {
    for (int i = 0; i < 1019; ++i) orvik::PushCharCode('x');
    const std::string text = "漢字です";  // 8 bytes, 5 free
    EXPECT_EQ(orvik::PushCharText(text.data(), int(text.size())), 4);
    EXPECT_EQ(PopAll(), std::string(1019, 'x') + "漢字");
}

}  // namespace
}  // namespace orvik_test
