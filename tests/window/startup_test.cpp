// Start-up and shutdown: their order and defaults, the refusals, and that a start-up that
// fails leaves nothing running.
#include <sys/wait.h>
#include <unistd.h>

#include <orvik/files.h>
#include <orvik/fonts.h>

#include <filesystem>
#include <fstream>

#include "../support/deep_directory.h"
#include "engine/graphics/fonts/font_record.h"
#include "engine/platform/window/onscreen_log.h"

#include "engine_fixture.h"

namespace orvik_test {
namespace {

using orvik::EndLibrary;
using orvik::InitLibrary;

// Nothing of a started engine is left: no window, no class, no system library, no COM,
// no timer period, the screen saver back on.
void ExpectNothingStarted(const char* className, bool otherCopyRuns = false) {
    EXPECT_EQ(orvik::Window().rt.mainWindow, nullptr);
    if (!otherCopyRuns) {
        EXPECT_EQ(host::FindWindowA(className, nullptr), nullptr);
    }
    EXPECT_TRUE(host::IsScreenSaverActive());
    EXPECT_FALSE(host::IsClassRegistered(className));
    for (const char* lib : {"ws2_32", "imm32", "winmm", "ole32", "comctl32", "dwmapi", "user32", "d3d9"})
        EXPECT_EQ(host::GetModuleLoadCount(lib), 0) << lib;
    EXPECT_EQ(host::ComInitCount(), 0);
    EXPECT_EQ(host::ActiveTimerPeriods(), 0);
    EXPECT_EQ(orvik::Input().mode, orvik::kInputStopped);
    EXPECT_EQ(orvik::Graphics().up, 0);
    EXPECT_EQ(orvik::Library().initialised, 0);
    EXPECT_EQ(orvik::Library().starting, 0);
    EXPECT_FALSE(host::headless::IsWindowOpen());
}

using StartupTest = EngineTest;

TEST_F(StartupTest, DefaultsGiveClassNameAndTitleAndAShownWindow) {
    ASSERT_EQ(InitLibrary(), 0);
    host::HWND w = host::FindWindowA("Q123987Z", nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w, MainWindow());
    EXPECT_EQ(host::GetWindowTitle(w), "Orvik");
    EXPECT_TRUE(host::headless::IsWindowOpen());
    EXPECT_EQ(host::headless::WindowTitle(), "Orvik");
    EXPECT_EQ(host::headless::WindowWidth(), 640);
    EXPECT_EQ(host::headless::WindowHeight(), 480);
    EXPECT_EQ(orvik::IsMainWindowActive(), 1);
    EXPECT_EQ(orvik::Graphics().drawTarget, -4);
    std::string log = Log();
    EXPECT_NE(log.find("二重起動はされていませんでした"), std::string::npos);
    EXPECT_NE(log.find("ウインドウの作成に成功しました"), std::string::npos);
}

TEST_F(StartupTest, TitleWithoutClassNameBecomesTheClassName) {
    orvik::SetAppWindowTitle("VANTORIX");
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_EQ(host::FindWindowA("VANTORIX", nullptr), MainWindow());
    EXPECT_EQ(host::FindWindowA("Q123987Z", nullptr), nullptr);
    // A title set while running reaches the window and the backend.
    orvik::SetAppWindowTitle("ＶＡＮＴＯＲＩＸ");
    EXPECT_EQ(host::headless::WindowTitle(), reinterpret_cast<const char*>(u8"ＶＡＮＴＯＲＩＸ"));
}

TEST_F(StartupTest, SecondInitLibraryReturnsZeroAndChangesNothing) {
    ASSERT_EQ(InitLibrary(), 0);
    host::HWND first = MainWindow();
    size_t logSize = Log().size();
    EXPECT_EQ(InitLibrary(), 0);
    EXPECT_EQ(MainWindow(), first);
    EXPECT_EQ(Log().size(), logSize);
}

TEST_F(StartupTest, EndLibraryLeavesNoWindowOrClassAndDumpsLeaksLast) {
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_FALSE(host::IsScreenSaverActive());
    ASSERT_EQ(EndLibrary(), 0);
    ExpectNothingStarted("Q123987Z");
    EXPECT_TRUE(host::IsScreenSaverActive());
    std::string log = Log();
    size_t dump = log.rfind("Alloc memory dump");
    ASSERT_NE(dump, std::string::npos);
    EXPECT_LT(log.find("ＣＯＭを終了... 完了"), dump);
    EXPECT_LT(log.find("ウインドウが破棄されようとしています"), dump);
    // After the dump's own lines (each indented by a tab) nothing else was written.
    std::string tail = log.substr(log.find('\n', dump) + 1);
    for (size_t at = 0; at < tail.size();) {
        size_t end = tail.find('\n', at);
        std::string line = tail.substr(at, end - at);
        EXPECT_TRUE(line == "\r" || line.empty() || line[0] == '\t') << line;
        at = end == std::string::npos ? tail.size() : end + 1;
    }
    EXPECT_EQ(EndLibrary(), 0);  // a second shutdown has nothing to do
}

TEST_F(StartupTest, RestartsCleanlyAfterShutdown) {
    ASSERT_EQ(InitLibrary(), 0);
    ASSERT_EQ(EndLibrary(), 0);
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_EQ(orvik::GetQuitFlag(), 0);
    EXPECT_EQ(orvik::PumpMessages(), 0);
}

TEST_F(StartupTest, OnScreenLogFontIsMadeAtStartAndDeletedAtShutdown) {
    const orvik::OnScreenLogState& log = orvik::OnScreenLog();
    // Without graphics and a window there is nothing to draw the page on.
    EXPECT_EQ(orvik::InitOnScreenLog(), -1);
    EXPECT_EQ(log.initialised, 0);
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_EQ(log.initialised, 1);
    EXPECT_EQ(orvik::GetOnScreenLogFlag(), 0);
    EXPECT_EQ(log.fontMissing, 0);
    int32_t first = log.fontHandle;
    const orvik::FontRecord* font = orvik::FindFont(first);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->size, 16);
    ASSERT_EQ(EndLibrary(), 0);
    EXPECT_EQ(log.fontHandle, -1);
    EXPECT_EQ(log.fontMissing, 1);
    EXPECT_EQ(orvik::FindFont(first), nullptr);

    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_NE(orvik::FindFont(log.fontHandle), nullptr);
    // A font the caller deleted is made again by the next draw, and only forgotten at shutdown.
    ASSERT_EQ(orvik::DeleteFontHandle(log.fontHandle), 0);
    EXPECT_EQ(log.fontMissing, 1);
    ASSERT_EQ(orvik::DrawOnScreenLog(), 0);
    EXPECT_EQ(log.fontMissing, 0);
    EXPECT_NE(orvik::FindFont(log.fontHandle), nullptr);
    ASSERT_EQ(orvik::DeleteFontHandle(log.fontHandle), 0);
    ASSERT_EQ(EndLibrary(), 0);
    EXPECT_EQ(log.fontHandle, -1);
}

TEST_F(StartupTest, TwentyFourBitDesktopIsRefusedBeforeAnyWindow) {
    host::SetDesktop(1920, 1080, 24);
    EXPECT_EQ(InitLibrary(), -1);
    EXPECT_NE(Log().find("ＯＲＶＩＫライブラリは２４ビットカラーモードに対応していません"), std::string::npos);
    EXPECT_EQ(Log().find("ウインドウクラスを登録します"), std::string::npos);
    ExpectNothingStarted("Q123987Z");
}

TEST_F(StartupTest, TwentyFourBitScreenSettingIsRefusedInFullScreenToo) {
    orvik::ChangeWindowMode(0);
    ASSERT_EQ(orvik::SetGraphMode(640, 480, 24), 0);
    EXPECT_EQ(InitLibrary(), -1);
    ExpectNothingStarted("Q123987Z");
}

TEST_F(StartupTest, FailedGraphicsStartLeavesNothingStarted) {
    host::SetModuleMissing("d3d9.dll", true);
    EXPECT_EQ(InitLibrary(), -1);
    EXPECT_NE(Log().find("d3d9.dll の読み込みに失敗しました"), std::string::npos);
    ExpectNothingStarted("Q123987Z");
    // With the library back, the engine starts: nothing was left half-started.
    host::SetModuleMissing("d3d9.dll", false);
    EXPECT_EQ(InitLibrary(), 0);
}

TEST_F(StartupTest, FailedWindowCreationLeavesNothingStarted) {
    host::SetWindowCreationFails(true);
    EXPECT_EQ(InitLibrary(), -1);
    EXPECT_NE(Log().find("ウインドウの作成に失敗しました"), std::string::npos);
    EXPECT_EQ(orvik::GetQuitFlag(), 1);
    EXPECT_EQ(orvik::PumpMessages(), -1);
    ExpectNothingStarted("Q123987Z");
}

TEST_F(StartupTest, MissingComIsLoggedAndLeavesGraphicsWithoutDirectDraw) {
    host::SetModuleMissing("ole32.dll", true);
    // The vertical-blank waits need the DirectDraw object, which only COM makes.
    EXPECT_EQ(InitLibrary(), -1);
    EXPECT_NE(Log().find("ＣＯＭの初期化に失敗しました"), std::string::npos);
    EXPECT_NE(Log().find("オブジェクトの取得に失敗しました"), std::string::npos);
    ExpectNothingStarted("Q123987Z");
}

TEST_F(StartupTest, FullScreenSizeTheDisplayLacksStartsInAWindow) {
    orvik::ChangeWindowMode(0);
    host::SetDisplayModes({{800, 600, 32, 60}, {1024, 768, 32, 60}});
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_EQ(orvik::IsWindowMode(), 1);
}

TEST_F(StartupTest, FullScreen320x240OnDirect3DIsEmulatedAt640x480) {
    orvik::ChangeWindowMode(0);
    host::SetDisplayModes({{640, 480, 16, 60}});
    ASSERT_EQ(orvik::SetGraphMode(320, 240, 16), 0);
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_EQ(orvik::IsWindowMode(), 0);
    EXPECT_TRUE(host::headless::IsFullscreen());
    EXPECT_EQ(host::CurrentDisplayMode().width, 640);
    int w = 0, h = 0;
    orvik::GetScreenSize(&w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_EQ(orvik::Graphics().screen.scale320, 1);
}

TEST_F(StartupTest, FullScreenModeTheDisplayRefusesFailsTheStart) {
    orvik::ChangeWindowMode(0);
    host::SetDisplayModes({{640, 480, 32, 60}});  // listed size, but not at 16 bits
    EXPECT_EQ(InitLibrary(), -1);
    ExpectNothingStarted("Q123987Z");
    EXPECT_FALSE(host::headless::IsFullscreen());
}

TEST_F(StartupTest, SecondRunningCopyInAnotherProcessIsRefused) {
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The first copy: starts, says so, and runs until told to stop.
        int ok = InitLibrary() == 0;
        char c = char(ok);
        if (write(ready[1], &c, 1) != 1 || read(release[0], &c, 1) != 1) _exit(2);
        EndLibrary();
        _exit(0);
    }
    char started = 0;
    ASSERT_EQ(read(ready[0], &started, 1), 1);
    ASSERT_EQ(started, 1);
    EXPECT_EQ(InitLibrary(), -1);
    EXPECT_NE(Log().find("二重起動されています、ソフトを終了します"), std::string::npos);
    EXPECT_EQ(orvik::GetQuitFlag(), 1);
    EXPECT_EQ(orvik::PumpMessages(), -1);
    ExpectNothingStarted("Q123987Z", true);
    char c = 0;
    ASSERT_EQ(write(release[1], &c, 1), 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // Once the first copy has gone, a copy starts again.
    ResetEngine();
    orvik::ChangeWindowMode(1);
    EXPECT_EQ(InitLibrary(), 0);
}

TEST_F(StartupTest, ExitWithErrorShutsDownAndEndsWithMinusOne) {
    EXPECT_EXIT(
        {
            InitLibrary();
            orvik::ExitWithErrorFormat("致命的なエラー %d", 7);
        },
        ::testing::ExitedWithCode(255), "");
    EXPECT_NE(Log().find("致命的なエラー 7"), std::string::npos);
    EXPECT_NE(Log().find("Alloc memory dump"), std::string::npos);
}

// Shutdown goes back to the directory start-up began in, whichever file operations are
// installed (the plain ones answer the directory query with its length, not 0).
TEST_F(StartupTest, ShutdownReturnsToTheStartDirectoryWithEitherFileSet) {
    char start[4096];
    ASSERT_NE(getcwd(start, sizeof start), nullptr);
    for (int archives : {1, 0}) {
        SCOPED_TRACE(archives);
        orvik::SetArchiveAccess(archives);
        ASSERT_EQ(InitLibrary(), 0);
        EXPECT_EQ(orvik::Library().startDirectory, start);
        ASSERT_EQ(chdir("/"), 0);
        ASSERT_EQ(EndLibrary(), 0);
        char now[4096];
        ASSERT_NE(getcwd(now, sizeof now), nullptr);
        EXPECT_STREQ(now, start);
    }
    orvik::SetArchiveAccess(1);
}

// A program started deep in a directory tree (a path far past 260 bytes) records the
// whole start directory, logs there when no log directory was set, and shutdown goes back
// to it with either file set.
TEST_F(StartupTest, DeepStartDirectoryIsRecordedWholeAndRestored) {
    const std::string deep = MakeDeepDirectory(engine_.Log().Directory() + "/tree", 700);
    ASSERT_FALSE(deep.empty());
    char before[4096];
    ASSERT_NE(getcwd(before, sizeof before), nullptr);
    ASSERT_EQ(chdir(deep.c_str()), 0);
    for (int archives : {1, 0}) {
        SCOPED_TRACE(archives);
        orvik::ResetLog();  // no log directory: it becomes the start directory
        std::filesystem::remove(deep + "/Log.txt");
        orvik::SetArchiveAccess(archives);
        ASSERT_EQ(InitLibrary(), 0);
        EXPECT_EQ(orvik::Library().startDirectory, deep);
        EXPECT_EQ(orvik::Log().directory, deep);
        ASSERT_EQ(chdir("/"), 0);
        ASSERT_EQ(EndLibrary(), 0);
        const std::string now = std::filesystem::current_path().string();
        EXPECT_EQ(now, deep);
        std::ifstream log(deep + "/Log.txt");
        EXPECT_TRUE(log.good());
        const std::string text{std::istreambuf_iterator<char>(log), {}};
        EXPECT_EQ(text.find("戻れませんでした"), std::string::npos);
    }
    orvik::SetArchiveAccess(1);
    ASSERT_EQ(chdir(before), 0);
}

// A start directory that is gone by shutdown cannot be gone back to: the program stays
// where it is and the log says so.
TEST_F(StartupTest, StartDirectoryRemovedBeforeShutdownIsLogged) {
    const std::string gone = engine_.Log().Directory() + "/gone";
    ASSERT_TRUE(std::filesystem::create_directory(gone));
    char before[4096];
    ASSERT_NE(getcwd(before, sizeof before), nullptr);
    ASSERT_EQ(chdir(gone.c_str()), 0);
    ASSERT_EQ(InitLibrary(), 0);
    ASSERT_EQ(chdir(before), 0);
    ASSERT_TRUE(std::filesystem::remove(gone));
    ASSERT_EQ(EndLibrary(), 0);
    EXPECT_EQ(std::filesystem::current_path().string(), before);
    EXPECT_NE(Log().find("起動時のカレントディレクトリに戻れませんでした"), std::string::npos);
}

}  // namespace
}  // namespace orvik_test
