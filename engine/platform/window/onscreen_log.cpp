#include "engine/platform/window/onscreen_log.h"

#include "engine/graphics/device/graphics_system.h"
#include "engine/platform/window/window.h"

namespace orvik {

namespace {
OnScreenLogState g_screenLog;

// The page is drawn over the picture of graphics' display in the main window.
bool DisplayExists() { return Graphics().dev.ddraw != nullptr && Window().rt.mainWindow != nullptr; }
}  // namespace

OnScreenLogState& OnScreenLog() { return g_screenLog; }

void ResetOnScreenLog() { g_screenLog = OnScreenLogState{}; }

int InitOnScreenLog() {
    if (!DisplayExists()) return -1;
    if (g_screenLog.initialised) return 0;
    // A fresh, hidden page; its font is made now, so the first draw does not pay for it.
    g_screenLog = OnScreenLogState{};
    g_screenLog.initialised = 1;
    CreateOnScreenLogFont();
    return 0;
}

int GetOnScreenLogFlag() { return g_screenLog.show; }

}  // namespace orvik
