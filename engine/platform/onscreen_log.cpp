#include "engine/platform/onscreen_log.h"

namespace orvik {

namespace {
OnScreenLogState g_screenLog;
OnScreenLogDisplayCheck g_displayCheck = nullptr;
}  // namespace

OnScreenLogState& OnScreenLog() { return g_screenLog; }

void ResetOnScreenLog() { g_screenLog = OnScreenLogState{}; }

void SetOnScreenLogDisplayCheck(OnScreenLogDisplayCheck check) { g_displayCheck = check; }

int InitOnScreenLog() {
    if (g_displayCheck && !g_displayCheck()) return -1;
    if (g_screenLog.initialised) return 0;
    // A fresh page with no font yet: the font is made when the page is first drawn.
    g_screenLog = OnScreenLogState{};
    g_screenLog.initialised = 1;
    return 0;
}

int GetOnScreenLogFlag() { return g_screenLog.show; }

}  // namespace orvik
