// The least of graphics that start-up needs: screen settings with their defaults, the
// d3d9 library check, the display-mode list and the draw target. Everything runs on the
// software path until the device path is there.
#include "engine/graphics/graphics_system.h"

#include "engine/platform/log.h"
#include "engine/platform/window.h"
#include "host/win/desktop.h"

namespace orvik {

namespace {
GraphicsState g_graphics;

bool FullScreen() { return Window().settings.windowMode == 0; }
}  // namespace

GraphicsState& Graphics() { return g_graphics; }

void ResetGraphicsState() {
    if (g_graphics.d3d9) host::FreeLibrary(g_graphics.d3d9);
    g_graphics = GraphicsState{};
}

int InitGraphics() {
    auto& g = g_graphics;
    if (g.up) return 0;
    ScreenSettings& s = g.screen;
    if (s.width == 0) s.width = 640;
    if (s.height == 0) s.height = 480;
    if (s.depth == 0) s.depth = 16;
    if (FullScreen() && s.width == 320 && s.height == 240) {
        s.width = 640;
        s.height = 480;
        s.scale320 = 1;
    }
    g.d3d9 = host::LoadLibraryA("d3d9.dll");
    if (!g.d3d9) {
        AddLogText("d3d9.dll の読み込みに失敗しました\n");
        TerminateGraphics();
        return -1;
    }
    g.direct3DMode = 0;
    // The software path sets the display mode itself in full screen.
    if (FullScreen()) {
        host::DisplayMode mode{s.width, s.height, s.depth, s.refreshRate};
        if (host::ChangeDisplaySettingsA(&mode, 0) != host::DISP_CHANGE_SUCCESSFUL) {
            AddLogFormat("画面モードの変更に失敗しました %d x %d %dbit", s.width, s.height, s.depth);
            TerminateGraphics();
            return -1;
        }
        g.displaySwitched = 1;
    }
    g.up = 1;
    g.drawTarget = -2;
    return 0;
}

int TerminateGraphics() {
    auto& g = g_graphics;
    if (g.d3d9) {
        host::FreeLibrary(g.d3d9);
        g.d3d9 = nullptr;
    }
    g.displayModes.clear();
    if (g.displaySwitched) host::ChangeDisplaySettingsA(nullptr, 0);
    g.displaySwitched = 0;
    if (!g.up) return 0;
    g.up = 0;
    g.direct3DMode = 0;
    return 0;
}

int SetDrawTarget(int target) {
    if (!g_graphics.up || target > -2 || target < -5) return -1;
    g_graphics.drawTarget = target;
    return 0;
}

int GetScreenSize(int* width, int* height) {
    const ScreenSettings& s = g_graphics.screen;
    if (width) *width = s.width ? s.width : 640;
    if (height) *height = s.height ? s.height : 480;
    return 0;
}

int GetScreenColorBitDepth() { return g_graphics.screen.depth ? g_graphics.screen.depth : 16; }

int SetGraphMode(int width, int height, int depth) {
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192 || (depth != 16 && depth != 32 && depth != 24)) {
        AddLogFormat("画面モードの値が不正です %d x %d %dbit in SetGraphMode", width, height, depth);
        return -1;
    }
    g_graphics.screen.width = width;
    g_graphics.screen.height = height;
    g_graphics.screen.depth = depth;
    return 0;
}

int ChangeScreenMode(int width, int height, int depth, int, int refreshRate) {
    ScreenSettings& s = g_graphics.screen;
    if (width != -1) s.width = width;
    if (height != -1) s.height = height;
    if (depth != -1) s.depth = depth;
    if (refreshRate != -1) s.refreshRate = refreshRate;
    if (!g_graphics.up) return 0;
    int target = g_graphics.drawTarget;
    TerminateGraphics();
    if (InitGraphics() != 0) return -1;
    SetDrawTarget(target);
    return 0;
}

int EnumDisplayModeList(int* count, const DisplayModeEntry** list) {
    auto& modes = g_graphics.displayModes;
    modes.clear();
    host::DisplayMode m;
    for (int i = 0; host::EnumDisplaySettingsA(i, &m); ++i)
        if (m.bits >= 16) modes.push_back({m.width, m.height, m.bits, m.refresh});
    if (count) *count = int(modes.size());
    if (list) *list = modes.empty() ? nullptr : modes.data();
    return 0;
}

int IsScreenSizeListed(int width, int height) {
    int count = 0;
    const DisplayModeEntry* list = nullptr;
    EnumDisplayModeList(&count, &list);
    for (int i = 0; i < count; ++i)
        if (list[i].width == width && list[i].height == height) return 1;
    return 0;
}

int SetGraphRestoreCallback(int (*callback)()) {
    g_graphics.restoreCallback = callback ? callback : &RestoreGraphsFromFiles;
    return 0;
}

int RestoreGraphsFromFiles() { return 0; }

int InitModelSystem() {
    // Model handles live on the Direct3D device only.
    if (g_graphics.modelsUp || !g_graphics.direct3DMode) return 0;
    g_graphics.modelsUp = 1;
    return 0;
}

int TermModelSystem() {
    g_graphics.modelsUp = 0;
    return 0;
}

int TerminateSoftImages() { return 0; }

int PresentScreenRect(const host::RECT*) { return 0; }

int HasFullScreenDirectDraw() { return 0; }

}  // namespace orvik
