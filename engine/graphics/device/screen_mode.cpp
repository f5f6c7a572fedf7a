// Changing the screen mode: graphics ends and starts again with the new size, depth and
// refresh rate, falling back step by step to modes that can be started. Every graphic is
// deleted on the way; the fonts keep their handles.
#include <cstring>
#include <vector>

#include <orvik/platform.h>

#include "engine/graphics/draw/color_data.h"
#include "engine/graphics/fonts/fonts_internal.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/startup/library.h"
#include "engine/platform/base/log.h"
#include "engine/platform/window/message_pump.h"
#include "engine/platform/window/window.h"
#include "engine/platform/window/window_mode.h"

namespace orvik {

namespace {

struct ModeRequest {
    int32_t width, height, depth, rate;
    bool operator==(const ModeRequest&) const = default;
};

ModeRequest CurrentMode() {
    const ScreenSettings& s = Graphics().screen;
    return {s.width, s.height, s.depth, s.refreshRate};
}

void StoreMode(const ModeRequest& m) {
    ScreenSettings& s = Graphics().screen;
    s.width = m.width, s.height = m.height, s.depth = m.depth, s.refreshRate = m.rate;
}

// -1 keeps a value; a full screen shows 320 x 240 scaled from 640 x 480, a window shows it
// as it is (so a window coming from the scaled full screen asks for 320 x 240 again).
ModeRequest ResolveRequest(int width, int height, int depth, int force, int rate) {
    ScreenSettings& s = Graphics().screen;
    ModeRequest now = CurrentMode();
    if (Window().settings.windowMode) {
        if (force == 1 && s.scale320 && s.width == 640 && s.height == 480) width = 320, height = 240;
        s.scale320 = 0;
    } else if (width == 320 && height == 240) {
        s.scale320 = 1;
        width = 640, height = 480;
    }
    return {width == -1 ? now.width : width, height == -1 ? now.height : height, depth == -1 ? now.depth : depth,
            rate == -1 ? now.rate : rate};
}

bool StartWith(const ModeRequest& m) {
    StoreMode(m);
    return InitGraphics() == 0;
}

// The wanted mode, then the scaled 640 x 480 for a 320 x 240 request, then the old mode,
// then 640 x 480 in 16 bits; when none starts the program cannot go on.
void StartWithFallbacks(const ModeRequest& wanted, const ModeRequest& old) {
    if (StartWith(wanted)) return;
    if (wanted.width == 320 && wanted.height == 240) {
        Set320x240ScaleFlag(1);
        if (StartWith({640, 480, wanted.depth, wanted.rate})) return;
    }
    if (StartWith(old)) return;
    if (StartWith({640, 480, 16, 0})) return;
    ExitWithError("予期せぬ画面モード変更不能現象が起きました2");
}

struct DefaultFontLook {
    bool kept = false;
    char face[kFontFaceBytes] = {};
    int32_t size = 0, thickness = 0;
};

DefaultFontLook RememberDefaultFont() {
    DefaultFontLook look;
    const FontRecord* f = Graphics().up ? FindFont(FontSystem().defaults.handle) : nullptr;
    if (!f) return look;
    look.kept = true;
    std::memcpy(look.face, f->face, sizeof look.face);
    look.size = f->size;
    look.thickness = f->thickness;
    return look;
}

void SetDefaultFontLook(const DefaultFontLook& look) {
    if (!look.kept) return;
    FontDefaults& d = FontSystem().defaults;
    std::memcpy(d.face, look.face, sizeof d.face);
    d.size = look.size;
    d.thickness = look.thickness;
    RebuildDefaultFont();
}

}  // namespace

int ChangeScreenMode(int width, int height, int depth, int force, int refreshRate) {
    FlushVertexBatch();
    const ModeRequest old = CurrentMode();
    const ModeRequest wanted = ResolveRequest(width, height, depth, force, refreshRate);
    if (wanted == old && force == 0) return 0;
    AddLogText("画面モード変更処理を開始します\n");
    IncLogIndent();
    const DefaultFontLook look = RememberDefaultFont();
    if (!Library().initialised && !Library().starting) {
        // Not running yet: the mode takes effect at start-up.
        StoreMode(wanted);
        DecLogIndent();
        return 0;
    }
    const int target = Graphics().drawTarget;
    std::vector<KeptFont> fonts = TakeFonts();
    TerminateGraphics();
    StartWithFallbacks(wanted, old);
    if (Window().settings.windowMode) ChangeWindowStyle();
    SetDefaultFontLook(look);
    GiveBackFonts(fonts, 0);
    DecLogIndent();
    AddLogText("画面モード変更処理は正常に終了しました\n");
    PumpMessagesCore();
    SetDrawTarget(target);
    return 0;
}

}  // namespace orvik
