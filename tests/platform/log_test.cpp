#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/platform/base/charset.h"
#include "engine/platform/startup/library.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "host/clock.h"
#include "host/debug_output.h"
#include "host/local_time.h"
#include "tests/support/memory_shortage.h"
#include "tests/support/temp_log.h"

namespace {

using orvik_test::TempLog;

void Capture(const char* text, void* context) { static_cast<std::string*>(context)->append(text); }

class DebugCapture {
public:
    DebugCapture() { host::SetDebugOutputSink(Capture, &text_); }
    ~DebugCapture() { host::SetDebugOutputSink(nullptr, nullptr); }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

TEST(LogTest, StampsIndentsAndLineEndsComeOutExactly) {
    TempLog log(/*stamps=*/true);
    host::AdvanceManualClock(7000);
    orvik::AddLogText("first\n");
    orvik::IncLogIndent();
    orvik::IncLogIndent();
    host::AdvanceManualClock(35000);
    // Two lines in one text: one stamp and the tabs before the first only.
    orvik::AddLogText("second\nthird\n");
    orvik::DecLogIndent();
    orvik::DecLogIndent();
    orvik::DecLogIndent();  // stays at 0
    EXPECT_EQ(orvik::Log().indent, 0);
    orvik::AddLogText("fourth\n");
    EXPECT_EQ(log.Read(), "7:first\r\n42:\t\tsecond\r\nthird\r\n42:fourth\r\n");
}

TEST(LogTest, ContinuationKeepsAStartupStepOnOneLine) {
    TempLog log(/*stamps=*/true);
    host::AdvanceManualClock(3000);
    orvik::AddLogText("ＣＯＭの初期化... ");
    host::AdvanceManualClock(5000);
    orvik::AddLogText("完了\n");
    orvik::AddLogFormat("%s %d", "next", 5);
    EXPECT_EQ(log.Read(), "3:ＣＯＭの初期化... 完了\r\n8:next 5\r\n");
    // The Japanese text is kept as its Shift-JIS bytes.
    EXPECT_NE(log.Read().find("\x8a\xae\x97\xb9"), std::string::npos);
}

TEST(LogTest, TextWithItsOwnCrLfIsWrittenUnchanged) {
    TempLog log;
    orvik::AddLogText("one\r\ntwo\nthree\n");
    EXPECT_EQ(log.Read(), "one\r\ntwo\nthree\n");
}

TEST(LogTest, TwoByteCharactersAreNeverSplitOrTakenForLineFeeds) {
    TempLog log;
    // Under a character set where every high byte leads, 0x81 0x0A is one character.
    orvik::SetTextCharSet(orvik::kCharSetKorean);
    orvik::AddLogText("a\x81\nb\n");
    orvik::ResetTextCharSet();
    // A lead byte right before the terminator: the scan stops there.
    std::vector<char> text = {'x', '\x82', '\0'};
    orvik::AddLogText(text.data());
    orvik::AddLogText("\n");
    EXPECT_EQ(log.Read(), "a\x81\nb\r\nx\x82\r\n");
}

TEST(LogTest, LogOffWritesNothingAnywhere) {
    char pattern[] = "/tmp/orvik_logoff_XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    orvik::ResetLog();
    DebugCapture debug;
    orvik::SetLogFileEnabled(0);
    orvik::SetLogDirectory(dir.c_str());
    EXPECT_EQ(orvik::InitLogFile(), 0);
    EXPECT_EQ(orvik::AddLogText("hidden\n"), -1);
    EXPECT_EQ(orvik::AddLogFormat("hidden %d", 1), -1);
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    EXPECT_EQ(debug.Text(), "");
    orvik::ResetLog();
    std::filesystem::remove_all(dir);
}

TEST(LogTest, DebuggerOutputGetsWhatTheFileGets) {
    TempLog log(/*stamps=*/true);
    DebugCapture debug;
    orvik::IncLogIndent();
    orvik::AddLogText("step... ");
    orvik::AddLogText("ok\n");
    EXPECT_EQ(debug.Text(), log.Read());
    EXPECT_EQ(debug.Text(), "0:\tstep... ok\r\n");
}

TEST(LogTest, LinesBeforeOpeningLandInTheFileItCreates) {
    char pattern[] = "/tmp/orvik_early_XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    orvik::ResetLog();
    orvik::SetLogTimeStampOff(1);
    orvik::SetLogDirectory(dir.c_str());
    {
        // Short of memory a text cannot wait for the file: it is lost, not thrown.
        const orvik_test::MemoryShortage shortage(1);
        orvik::AddLogText("a text too long to wait without memory\n");
    }
    orvik::AddLogText("early\n");
    orvik::InitLogFile();
    orvik::AddLogText("late\n");
    EXPECT_EQ(orvik::GetLogFilePath(), dir + "/Log.txt");
    EXPECT_EQ(TempLog::ReadFile(dir + "/Log.txt"), "early\r\nlate\r\n");
    // A second start recreates the file.
    orvik::InitLogFile();
    orvik::AddLogText("again\n");
    EXPECT_EQ(TempLog::ReadFile(dir + "/Log.txt"), "again\r\n");
    orvik::ResetLog();
    std::filesystem::remove_all(dir);
}

TEST(LogTest, DatedNameUsesTheLocalTimeWithoutLeadingZeros) {
    char pattern[] = "/tmp/orvik_dated_XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    host::SYSTEMTIME t;
    t.year = 2011, t.month = 3, t.day = 7, t.hour = 9, t.minute = 5, t.second = 30;
    host::SetLocalTimeForTests(&t);
    orvik::ResetLog();
    orvik::SetLogFileDatedName(1);
    orvik::SetLogDirectory(dir.c_str());
    orvik::InitLogFile();
    orvik::AddLogText("x\n");
    EXPECT_TRUE(std::filesystem::exists(dir + "/Log2011_3_7_9_5_30.txt"));
    host::SetLocalTimeForTests(nullptr);
    orvik::ResetLog();
    std::filesystem::remove_all(dir);
}

TEST(LogTest, LongTextsNeedNoMemoryAndFormatsAreBounded) {
    TempLog log;
    orvik::ResetTrackedMemory();
    // Running out of memory, the engine's heap and operator new alike, must not stop the
    // log, nor turn into a leak dump inside it.
    const std::string longLine(5000, 'q');
    const std::string text = longLine + "\n";
    {
        const orvik_test::MemoryShortage shortage(1);
        orvik::AddLogText(text.c_str());
    }
    EXPECT_EQ(log.Read(), longLine + "\r\n");

    TempLog formatted;
    orvik::AddLogFormat("%s", longLine.c_str());
    EXPECT_EQ(formatted.Read(), std::string(1022, 'q') + "\r\n");
}

// A two-byte character cut by the end of the format buffer is dropped whole: its lead byte
// would take the line feed that follows for its second byte, and the line would not end.
TEST(LogTest, AFormatCutInsideATwoByteCharacterStillEndsItsLine) {
    TempLog log;
    const std::string text = std::string(1021, 'q') + "\x82\xA0tail";
    orvik::AddLogFormat("%s", text.c_str());
    orvik::AddLogText("next\n");
    EXPECT_EQ(log.Read(), std::string(1021, 'q') + "\r\nnext\r\n");
}

// A folder the log cannot be written in is refused aloud, and the log stays where it was;
// null puts it back in the start directory.
TEST(LogTest, AMissingLogFolderIsRefusedAndTheLogStaysWhereItWas) {
    TempLog log;
    testing::internal::CaptureStderr();
    EXPECT_EQ(orvik::SetLogDirectory("/nonexistent/orvik/dir"), -1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("/nonexistent/orvik/dir"), std::string::npos);
    EXPECT_EQ(orvik::SetLogDirectory(std::string(400, 'd').c_str()), -1);
    orvik::AddLogText("kept\n");
    EXPECT_NE(log.Read().find("kept"), std::string::npos);
    char elsewhere[] = "/tmp/orvik_log_elsewhere_XXXXXX";
    ASSERT_EQ(orvik::SetLogDirectory(::mkdtemp(elsewhere)), 0);
    std::filesystem::remove(elsewhere);
    orvik::Library().startDirectory = log.Directory();
    EXPECT_EQ(orvik::SetLogDirectory(nullptr), 0);
    orvik::AddLogText("beside\n");
    orvik::ResetLibraryState();
    EXPECT_NE(log.Read().find("beside"), std::string::npos);
}

// A log folder gone by the time the log opens, or holding a directory of the log file's
// name, is named once on standard error and the start folder takes the log; when that
// fails too, once more, and the program goes on without a log.
TEST(LogTest, AFolderThatCannotTakeTheLogIsNamedOnceAndTheStartFolderTakesIt) {
    TempLog start;
    orvik::Library().startDirectory = start.Directory();
    char made[] = "/tmp/orvik_log_set_XXXXXX";
    const std::string set = ::mkdtemp(made);
    ASSERT_EQ(orvik::SetLogDirectory(set.c_str()), 0);
    const auto logTwice = [&](const char* text) {
        testing::internal::CaptureStderr();
        orvik::InitLogFile();
        EXPECT_EQ(orvik::AddLogText(text), -1);
        EXPECT_EQ(orvik::AddLogText(text), -1);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(set), std::string::npos) << said;
        return std::count(said.begin(), said.end(), '\n');
    };
    const std::string startLog = start.Directory() + "/Log.txt";
    std::filesystem::remove(set);
    EXPECT_EQ(logTwice("gone\n"), 1);
    EXPECT_EQ(TempLog::ReadFile(startLog), "gone\r\ngone\r\n");

    std::filesystem::create_directories(set + "/Log.txt");
    ASSERT_EQ(orvik::SetLogDirectory(set.c_str()), 0);
    EXPECT_EQ(logTwice("shadowed\n"), 1);
    EXPECT_EQ(TempLog::ReadFile(startLog), "shadowed\r\nshadowed\r\n");

    std::filesystem::remove(startLog);
    std::filesystem::create_directory(startLog);
    ASSERT_EQ(orvik::SetLogDirectory(set.c_str()), 0);
    EXPECT_EQ(logTwice("nowhere\n"), 2);
    EXPECT_EQ(orvik::GetLogFilePath(), "");
    orvik::ResetLibraryState();
    std::filesystem::remove_all(set);
}

}  // namespace
