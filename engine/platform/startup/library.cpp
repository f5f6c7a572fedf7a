// The order of start-up and shutdown, the teardown both share, and the orderly
// emergency stop.
#include "engine/platform/startup/library.h"

#include <orvik/platform.h>

#include <cstdarg>
#include <cstdlib>

#include "engine/graphics/fonts/fonts_internal.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/models/model_handles.h"
#include "engine/graphics/models/soft_images.h"
#include "engine/platform/base/format.h"
#include "engine/platform/input/input.h"
#include "engine/platform/archive/library_files.h"
#include "engine/platform/base/lock.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/window/message_pump.h"
#include "engine/platform/network/network.h"
#include "engine/platform/window/onscreen_log.h"
#include "engine/platform/startup/sysinfo.h"
#include "engine/platform/startup/system_libraries.h"
#include "engine/platform/input/text_input.h"
#include "engine/platform/window/window.h"
#include "engine/platform/window/window_mode.h"
#include "engine/sound/movies/movie.h"
#include "engine/sound/core/sound_system.h"
#include "host/clock.h"
#include "host/sync.h"
#include "host/win/window/desktop.h"
#include "host/win/window/window.h"

namespace orvik {

namespace {
LibraryState g_library;

// How often shutdown retries destroying a window that is still found, 100 ms apart.
constexpr int kDestroyRetries = 50;

bool FullScreen() { return Window().settings.windowMode == 0; }

// Step 3: a full-screen size the display lacks starts in a window, except 320 x 240 on
// Direct3D, which is emulated at 640 x 480.
void CheckFullScreenSize() {
    if (!FullScreen()) return;
    int w = 0, h = 0;
    GetScreenSize(&w, &h);
    bool emulated = w == 320 && h == 240 && !Graphics().useSoftware;
    if (!IsScreenSizeListed(w, h) && !emulated) ChangeWindowMode(1);
    if (w == 320 && h == 240 && FullScreen()) {
        ScreenSettings& s = Graphics().screen;
        s.width = 640;
        s.height = 480;
        s.scale320 = 1;
    }
}

bool RefusesTwentyFourBits() {
    int desktopBits = host::GetDeviceCaps(host::GetDC(nullptr), host::BITSPIXEL);
    return (desktopBits == 24 && !FullScreen()) || Graphics().screen.depth == 24;
}

void StartCom() {
    if (g_library.comStarted) return;
    AddLogText("ＣＯＭの初期化... ");
    auto init = Libraries().CoInitialize;
    if (init && host::SUCCEEDED(init(nullptr))) {
        AddLogText("成功しました\n");
        g_library.comStarted = 1;
    } else {
        AddLogText("ＣＯＭの初期化に失敗しました\n");
    }
}

void EndCom() {
    if (!g_library.comStarted) return;
    if (Libraries().CoUninitialize) Libraries().CoUninitialize();
    AddLogText("ＣＯＭを終了... 完了\n");
    g_library.comStarted = 0;
}

void DestroyLeftoverWindow() {
    auto& w = Window();
    host::UnregisterClassA(w.settings.className, w.rt.instance);
    for (int tries = 0; w.rt.mainWindow && host::FindWindowA(w.settings.className, nullptr) == w.rt.mainWindow; ++tries) {
        if (tries == kDestroyRetries) {
            AddLogText("ウインドウを破棄できませんでした\n");
            break;
        }
        host::DestroyWindow(w.rt.mainWindow);
        host::Sleep(100);
    }
    host::UnregisterClassA(w.settings.className, w.rt.instance);
}

int FailStart() {
    TearDownServices();
    g_library.starting = 0;
    return -1;
}
}  // namespace

LibraryState& Library() { return g_library; }

int SetNoSoundFlag(int noSound) {
    g_library.noSound = noSound ? 1 : 0;
    return 0;
}

void ResetLibraryState() { g_library = LibraryState{}; }

void TearDownServices() {
    g_library.shuttingDown = 1;
    DeleteOnScreenLogFont();
    EndNetwork();
    StopCurrentMusic();
    TermModelSystem();
    ClearFontSystem();  // the fonts and their caches go before the graphics they draw with
    TerminateGraphics();
    ResetMovieTable();  // movies opened outside graphics, with their threads and sounds
    TerminateInputSystem();
    TerminateDirectSound();
    DestroyAppWindow();
    EndCom();
    TerminateSoftImages();
    g_library.initialised = 0;
    auto& rt = Window().rt;
    while (rt.mainWindow && !rt.endFlag && !rt.destroyed && PumpMessagesCore() == 0) {
    }
    DestroyLeftoverWindow();
    rt.mainWindow = nullptr;
    RestoreStartDirectory(g_library.startDirectory);
    ReleaseArchivesNotInUse();
    DumpAllocMemory();
    FreeSystemLibraries();
}

int InitLibraryCore() {
    auto& lib = g_library;
    if (lib.initialised) return 0;
    lib.starting = 1;
    LoadStartupLibraries();
    CheckFullScreenSize();
    InitYuvTables();
    ReleaseArchivesNotInUse();
    lib.startDirectory = InstallFileOperations();
    if (Log().directory.empty()) UseLogDirectory(lib.startDirectory);
    InitLogFile();
    if (RefusesTwentyFourBits()) {
        AddLogText("ＯＲＶＩＫライブラリは２４ビットカラーモードに対応していません\n");
        return FailStart();
    }
    auto& info = SystemInfo();
    info.performanceCounter = host::QueryPerformanceFrequency(&info.performanceFrequency) && info.performanceFrequency != 0;
    OutputSystemInfo();
    BuildStreamTables();
    LoadLateLibraries();
    SetGraphRestoreCallback(nullptr);
    StartCom();
    if (CreateAppWindow() != 0) return FailStart();
    if (InitInputSystem() != 0) return FailStart();
    if (!lib.noSound) InitializeDirectSound();
    if (InitGraphics() < 0) return FailStart();
    InitCharCodeBuffer();
    lib.initialised = 1;
    if (FullScreen()) BringWindowToFront(Window().rt.mainWindow, 1);
    InitOnScreenLog();
    SetDrawTarget(-2);
    SetDrawTarget(-4);
    InitModelSystem();
    lib.starting = 0;
    return 0;
}

int EndLibraryCore() {
    if (!g_library.initialised) return 0;
    TearDownServices();
    return 0;
}

int InitLibrary() {
    if (g_library.initialised) return 0;
    LockLibrary();
    int result = InitLibraryCore();
    UnlockLibrary();
    return result;
}

int EndLibrary() {
    if (!g_library.initialised) return 0;
    LockLibrary();
    int result = EndLibraryCore();
    UnlockLibrary();
    FreeLibraryLock();
    return result;
}

void ExitWithError(const char* text) {
    AddLogText(text ? text : "");
    AddLogText("\n");
    // A start-up that has not finished has threads and a window too: they are shut down
    // and joined as well, or the process would abort on a running thread at exit.
    if (g_library.starting && !g_library.initialised && !g_library.shuttingDown) TearDownServices();
    else EndLibraryCore();
    FreeLibraryLock();
    std::exit(-1);
}

void ExitWithErrorFormat(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    FormatTextV(buffer, sizeof buffer, format, args);
    va_end(args);
    ExitWithError(buffer);
}

}  // namespace orvik
