// Clipboard text through the main window, and the names of dropped files read back.
#include <cstring>

#include "host/win/system/clipboard.h"
#include "host/win/system/drop_files.h"
#include "text_input_fixture.h"

namespace orvik_test {
namespace {

using ClipboardTest = TextInputTest;

TEST_F(ClipboardTest, TextMakesTheRoundTripThroughTheDesktopsClipboard) {
    EXPECT_EQ(orvik::ReadClipboardText(nullptr, 0), -1);  // nothing there yet
    ASSERT_EQ(orvik::WriteClipboardText("日本語 text"), 0);
    int size = orvik::ReadClipboardText(nullptr, 0);
    ASSERT_GE(size, int(std::strlen("日本語 text") + 1));
    std::vector<char> text(size_t(size), '#');
    ASSERT_EQ(orvik::ReadClipboardText(text.data(), size), 0);
    EXPECT_STREQ(text.data(), "日本語 text");
    char small[5];
    ASSERT_EQ(orvik::ReadClipboardText(small, sizeof small), 0);
    EXPECT_STREQ(small, "日本");
    EXPECT_EQ(host::CountGlobalBlocks(), 1u);  // only the clipboard's own copy
}

TEST_F(ClipboardTest, ClipboardThatCannotBeOpenedFailsBothWaysAndKeepsItsText) {
    ASSERT_EQ(orvik::WriteClipboardText("kept"), 0);
    host::SetClipboardOpenFails(true);
    EXPECT_EQ(orvik::WriteClipboardText("lost"), -1);
    EXPECT_EQ(orvik::ReadClipboardText(nullptr, 0), -1);
    EXPECT_NE(Log().find("クリップボードを開けませんでした"), std::string::npos);
    host::SetClipboardOpenFails(false);
    char text[8];
    ASSERT_EQ(orvik::ReadClipboardText(text, sizeof text), 0);
    EXPECT_STREQ(text, "kept");
    EXPECT_EQ(host::CountGlobalBlocks(), 1u);  // the refused block was freed
}

// A buffer of less than one byte is refused and leaves the clipboard's block unlocked.
TEST_F(ClipboardTest, AnOutputBelowOneByteIsRefusedWithoutLockingTheBlock) {
    ASSERT_EQ(orvik::WriteClipboardText("text"), 0);
    char out[4] = "abc";
    EXPECT_EQ(orvik::ReadClipboardText(out, 0), -1);
    EXPECT_EQ(host::CountLockedGlobalBlocks(), 0u);
    EXPECT_EQ(orvik::ReadClipboardText(out, -5), -1);
    EXPECT_EQ(host::CountLockedGlobalBlocks(), 0u);
    EXPECT_STREQ(out, "abc");
    ASSERT_EQ(orvik::ReadClipboardText(out, sizeof out), 0);
    EXPECT_STREQ(out, "tex");
    EXPECT_EQ(host::CountLockedGlobalBlocks(), 0u);
}

TEST_F(ClipboardTest, DroppedNamesAreReadBackInOrder) {
    host::SendMessageA(MainWindow(), host::WM_DROPFILES, host::WPARAM(host::MakeDrop({"/a/x.png", "/b/試験.txt"})), 0);
    ASSERT_EQ(orvik::GetDroppedFileCount(), 2);
    EXPECT_STREQ(orvik::GetDroppedFileName(1), "/b/試験.txt");
    EXPECT_EQ(orvik::GetDroppedFileName(2), nullptr);
    EXPECT_EQ(orvik::GetDroppedFileName(-1), nullptr);
}

}  // namespace
}  // namespace orvik_test
