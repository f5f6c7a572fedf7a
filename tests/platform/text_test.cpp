#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/platform/base/charset.h"
#include "engine/platform/base/list.h"
#include "engine/platform/base/mem_ops.h"
#include "engine/platform/base/text.h"

namespace {

using namespace orvik;

// A text in a block of exactly its size, so that a read past the terminator is caught.
std::vector<char> Exact(const char* bytes) { return std::vector<char>(bytes, bytes + std::strlen(bytes) + 1); }

TEST(TextTest, FindCharSkipsTwoByteCharacters) {
    // 表 is 0x95 0x5C in Shift-JIS: its trail byte is a backslash.
    auto text = Exact("表a\\b");
    ASSERT_EQ(text[1], '\\');
    EXPECT_EQ(TxtFindChar(text.data(), '\\'), text.data() + 3);
    auto only = Exact("表");
    EXPECT_EQ(TxtFindChar(only.data(), '\\'), nullptr);
    EXPECT_EQ(TxtFindChar("", 'a'), nullptr);
    // A lead byte right before the terminator ends the scan there.
    auto cut = Exact("ab\x95");
    EXPECT_EQ(TxtFindChar(cut.data(), 'z'), nullptr);
    EXPECT_EQ(TxtFindChar(cut.data(), 0x95), cut.data() + 2);
}

TEST(TextTest, ToUpperLeavesTwoByteCharactersAlone) {
    // ヂ is 0x83 0x61 and 餌 0x89 0x61: their trail bytes read as 'a'.
    auto text = Exact("abcヂ餌z");
    char* end = TxtToUpper(text.data());
    EXPECT_STREQ(text.data(), "ABCヂ餌Z");
    EXPECT_EQ(end, text.data() + text.size() - 1);
    auto cut = Exact("q\x83");
    EXPECT_EQ(TxtToUpper(cut.data()), cut.data() + 2);
    EXPECT_STREQ(cut.data(), "Q\x83");
}

TEST(TextTest, CountMultiByteCharsCountsCharactersAndStopsAtTheEnd) {
    auto text = Exact("aあbい");
    EXPECT_EQ(CountMultiByteChars(text.data(), 6), 4);
    EXPECT_EQ(CountMultiByteChars(text.data(), 3), 2);
    EXPECT_EQ(CountMultiByteChars(text.data(), 100), 4);
    auto cut = Exact("a\x88");
    EXPECT_EQ(CountMultiByteChars(cut.data(), 10), 2);
    // Under Korean every high byte leads.
    SetTextCharSet(kCharSetKorean);
    auto korean = Exact("\xA1\xA1\xFE\x41");
    EXPECT_EQ(CountMultiByteChars(korean.data(), 4), 2);
    ResetTextCharSet();
    EXPECT_EQ(CountMultiByteChars(korean.data(), 4), 4);
}

TEST(TextTest, CompareAndCopyStayWithinTheirTexts) {
    auto a = Exact("abc");
    auto b = Exact("abc");
    auto longer = Exact("abcd");
    EXPECT_EQ(TxtCompareN(a.data(), b.data(), 100), 0);
    EXPECT_EQ(TxtCompareN(a.data(), longer.data(), 100), 1);
    EXPECT_EQ(TxtCompareN(a.data(), longer.data(), 3), 0);
    EXPECT_EQ(TxtCompareN(a.data(), longer.data(), 0), 0);
    EXPECT_EQ(TxtCompareN(a.data(), b.data(), -1), 1);
    EXPECT_EQ(TxtCompare(a.data(), b.data()), 0);
    EXPECT_EQ(TxtCompare(a.data(), longer.data()), 1);
    EXPECT_EQ(TxtCompare("", ""), 0);

    char out[8];
    std::memset(out, 'x', sizeof out);
    TxtCopyN(out, "abcdef", 3);
    EXPECT_STREQ(out, "abc");
    TxtCopyN(out, "ab", 5);
    EXPECT_STREQ(out, "ab");
    TxtCopyN(out, "ab", 0);
    EXPECT_STREQ(out, "");
    TxtCopyN(out, "ab", -4);
    EXPECT_STREQ(out, "");
    TxtCopy(out, "日本");
    EXPECT_STREQ(out, "日本");
}

TEST(TextTest, MemoryFunctionsHandleOverlapAndEmptyRanges) {
    char buffer[] = "0123456789";
    MemMove(buffer + 2, buffer, 5);  // source below destination: copied from the end
    EXPECT_STREQ(buffer, "0101234789");
    MemMove(buffer, buffer + 3, 4);
    EXPECT_STREQ(buffer, "1234234789");
    MemFill(buffer, 'z', 0);
    EXPECT_EQ(buffer[0], '1');
    MemFill(buffer, 'z', 3);
    EXPECT_EQ(MemCompare(buffer, "zzz", 3), 0);
    EXPECT_EQ(MemCompare(buffer, "zzy", 3), 1);
    EXPECT_EQ(MemCompare(buffer, "abc", 0), 0);
    MemCopy(buffer, "ab", 2);
    EXPECT_EQ(MemCompare(buffer, "abz4", 4), 0);
}

TEST(TextTest, ListNodesLinkBetweenHeadAndTail) {
    ListNode head, tail, one, two;
    InitList(&head, &tail);
    EXPECT_EQ(head.next, &tail);
    EXPECT_EQ(tail.previous, &head);
    int data = 5;
    EXPECT_EQ(AddListNode(&head, &one, 1, &data), 0);
    EXPECT_EQ(AddListNode(&one, &two, 2, nullptr), 0);
    EXPECT_EQ(head.next, &one);
    EXPECT_EQ(one.next, &two);
    EXPECT_EQ(two.next, &tail);
    EXPECT_EQ(tail.previous, &two);
    EXPECT_EQ(one.data, &data);
    EXPECT_EQ(RemoveListNode(&one), 0);
    EXPECT_EQ(head.next, &two);
    EXPECT_EQ(two.previous, &head);
    // A node already removed, the head and the tail cannot be removed.
    EXPECT_EQ(RemoveListNode(&one), -1);
    EXPECT_EQ(RemoveListNode(&head), -1);
    EXPECT_EQ(AddListNode(&tail, &one, 3, nullptr), -1);
}

}  // namespace
