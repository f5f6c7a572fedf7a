// The input method's reads and the clipboard's rules as the engine relies on them.
#include <cstring>

#include "host/win/system/clipboard.h"
#include "host/win/system/imm.h"
#include "host_fixture.h"

namespace host_test {
namespace {

using ImmTest = HostTest;
using ClipboardHostTest = HostTest;

TEST_F(ImmTest, PartsReportTheirSizeAndCopyNoMoreThanAsked) {
    host::HWND w = MakeWindow();
    EXPECT_EQ(host::ImmGetContext(nullptr), nullptr);
    host::HIMC c = host::ImmGetContext(w);
    ASSERT_NE(c, nullptr);
    host::ImeCompose(w, "abcdef", 9);
    EXPECT_EQ(host::ImmGetCompositionStringA(c, host::GCS_COMPSTR, nullptr, 0), 6);
    EXPECT_EQ(host::ImmGetCompositionStringA(c, host::GCS_CURSORPOS, nullptr, 0), 6);  // held inside the text
    char small[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(host::ImmGetCompositionStringA(c, host::GCS_COMPSTR, small, 3), 3);
    EXPECT_EQ(small[3], '#');
    EXPECT_EQ(host::ImmGetCompositionStringA(c, host::GCS_COMPCLAUSE, nullptr, 0), 8);
    EXPECT_TRUE(host::ImmNotifyIME(c, host::NI_COMPOSITIONSTR, 0, host::CPS_CANCEL));
    EXPECT_EQ(host::ImmGetCompositionStringA(c, host::GCS_COMPSTR, nullptr, 0), 0);
    EXPECT_EQ(host::ImmGetCompositionStringA(nullptr, host::GCS_COMPSTR, nullptr, 0), host::IMM_ERROR_GENERAL);

    host::ImeShowCandidates(w, {"ab", "c"}, 5);
    uint32_t size = host::ImmGetCandidateListA(c, 0, nullptr, 0);
    ASSERT_EQ(size, 24u + 2 * 4 + 3 + 2);
    std::vector<uint8_t> bytes(size);
    auto* list = reinterpret_cast<host::CANDIDATELIST*>(bytes.data());
    EXPECT_EQ(host::ImmGetCandidateListA(c, 0, list, size - 1), 0u);
    ASSERT_EQ(host::ImmGetCandidateListA(c, 0, list, size), size);
    EXPECT_EQ(list->dwCount, 2u);
    EXPECT_EQ(list->dwSelection, 1u);  // kept inside the list
    EXPECT_STREQ(reinterpret_cast<char*>(bytes.data()) + list->dwOffset[1], "c");
    EXPECT_TRUE(host::ImmReleaseContext(w, c));
    EXPECT_FALSE(host::ImmReleaseContext(w, c));
}

TEST_F(ClipboardHostTest, OneOpenerAtATimeAndHandedBlocksChangeOwner) {
    host::HWND w = MakeWindow();
    ASSERT_TRUE(host::OpenClipboard(w));
    EXPECT_FALSE(host::OpenClipboard(w));
    host::HGLOBAL block = host::GlobalAlloc(host::GHND, 4);
    std::memcpy(host::GlobalLock(block), "xyz", 4);
    host::GlobalUnlock(block);
    ASSERT_NE(host::SetClipboardData(host::CF_TEXT, block), nullptr);
    EXPECT_EQ(host::GlobalSize(block), 0u);  // the clipboard took it
    EXPECT_TRUE(host::CloseClipboard());
    EXPECT_EQ(host::GetClipboardData(host::CF_TEXT), nullptr);  // closed
    ASSERT_TRUE(host::OpenClipboard(w));
    host::HGLOBAL read = host::GetClipboardData(host::CF_TEXT);
    EXPECT_STREQ(static_cast<const char*>(host::GlobalLock(read)), "xyz");
    host::GlobalUnlock(read);
    EXPECT_TRUE(host::EmptyClipboard());
    EXPECT_FALSE(host::IsClipboardFormatAvailable(host::CF_TEXT));
    host::CloseClipboard();
    EXPECT_EQ(host::CountGlobalBlocks(), 0u);
}

}  // namespace
}  // namespace host_test
