// Drawing the on-screen log: its own edged font, made when missing (the font layer sets
// the missing flag again whenever it deletes the font), and one line of the page per 16
// pixels of screen height.
#include <algorithm>

#include "engine/graphics/device/graphics_system.h"
#include "engine/platform/window/onscreen_log.h"
#include <orvik/fonts.h>

namespace orvik {

int CreateOnScreenLogFont() {
    OnScreenLogState& log = OnScreenLog();
    if (!log.initialised && InitOnScreenLog() < 0) return 0;
    if (!log.fontMissing) return 0;
    log.fontHandle = CreateFontToHandle(nullptr, log.lineHeight, 4, kFontTypeEdge, -1, -1, 0);
    if (log.fontHandle < 0) return 0;
    log.fontMissing = 0;
    AttachFontDeletedFlag(log.fontHandle, &log.fontMissing);
    return 0;
}

int DeleteOnScreenLogFont() {
    OnScreenLogState& log = OnScreenLog();
    // A font the font layer already deleted has raised the missing flag through its link.
    if (!log.fontMissing && log.fontHandle >= 0) DeleteFontHandle(log.fontHandle);
    log.fontMissing = 1;
    log.fontHandle = -1;
    return 0;
}

int DrawOnScreenLog() {
    CreateOnScreenLogFont();
    OnScreenLogState& log = OnScreenLog();
    if (log.fontMissing) return 0;
    int width = 0, height = 0;
    GetScreenSize(&width, &height);
    int lines = std::min(height / log.lineHeight, kOnScreenLogLines);
    for (int i = 0; i < lines; ++i) {
        // Each line is cut at its last byte, so a full line cannot run into the next.
        char line[kOnScreenLogLineBytes + 1] = {};
        std::copy(log.page[i], log.page[i] + kOnScreenLogLineBytes, line);
        DrawTextWithFont(0, log.lineHeight * i, line, 0xFFFFFF, log.fontHandle, 0x000000, 0);
    }
    return 0;
}

}  // namespace orvik
