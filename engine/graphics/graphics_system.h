// The graphics entry points start-up and the window code need: starting and ending
// graphics, the screen settings, the display-mode list, the draw target and the restore
// function. The full device path builds on these.
#pragma once
#include <cstdint>
#include <vector>

#include "host/win/modules.h"
#include "host/win/types.h"

namespace orvik {

struct ScreenSettings {
    int32_t width = 0, height = 0, depth = 0, refreshRate = 0;
    int32_t scale320 = 0;          // a 320 x 240 screen shown at 640 x 480
    int32_t scale320Fallback = 0;  // the same, because the 320 x 240 mode was missing
};

struct DisplayModeEntry {
    int32_t width, height, bits, refreshRate;
};

struct GraphicsState {
    ScreenSettings screen;  // survives shutdown
    int32_t up = 0;
    int32_t direct3DMode = 0;
    int32_t useSoftware = 0;
    host::HMODULE d3d9 = nullptr;
    int32_t displaySwitched = 0;  // graphics put the display into the screen's mode
    int32_t drawTarget = -2;
    int (*restoreCallback)() = nullptr;
    int32_t modelsUp = 0;
    std::vector<DisplayModeEntry> displayModes;
};

GraphicsState& Graphics();
void ResetGraphicsState();

int InitGraphics();
int TerminateGraphics();
// -2 back buffer, -4 front buffer (and -3, -5). 0, or -1 before graphics starts.
int SetDrawTarget(int target);
int GetScreenSize(int* width, int* height);
int GetScreenColorBitDepth();
// Screen size and depth before start-up. 0, or -1 for a size out of range.
int SetGraphMode(int width, int height, int depth);
// Restarts graphics with the given values (-1 keeps one). 0.
int ChangeScreenMode(int width, int height, int depth, int force, int refreshRate);
// Fills the list of display modes of 16 bits or more; count and list out. 0.
int EnumDisplayModeList(int* count, const DisplayModeEntry** list);
// 1 when the display offers the size.
int IsScreenSizeListed(int width, int height);
int SetGraphRestoreCallback(int (*callback)());
int RestoreGraphsFromFiles();
int InitModelSystem();
int TermModelSystem();
int TerminateSoftImages();
// Shows the screen in the window (a rectangle of it, or all of it for null). 0.
int PresentScreenRect(const host::RECT* rect);
// 1 when graphics runs full screen with its DirectDraw object.
int HasFullScreenDirectDraw();

}  // namespace orvik
