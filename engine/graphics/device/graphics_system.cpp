// Graphics start-up, the software fallback and shutdown.
#include "engine/graphics/device/graphics_system.h"

#include <orvik/platform.h>

#include "engine/graphics/draw/blend_mask.h"

#include "engine/graphics/draw/camera.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/color_data.h"
#include "engine/graphics/device/d3d_device.h"
#include "engine/graphics/device/device_buffers.h"
#include "engine/graphics/fonts/fonts_internal.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/handles/graph_load.h"
#include "engine/graphics/mask/mask_handles.h"
#include "engine/graphics/mask/mask_screen.h"
#include "engine/graphics/models/model_handles.h"
#include "engine/graphics/device/present.h"
#include "engine/graphics/shaders/shader_constants.h"
#include "engine/graphics/shaders/shader_system.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/startup/library.h"
#include "engine/platform/base/log.h"
#include "engine/platform/startup/sysinfo.h"
#include "engine/platform/window/window.h"
#include "engine/softrender/pipeline/blend_tables.h"
#include "engine/softrender/pipeline/memimg.h"
#include "engine/softrender/pipeline/memimg_write.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/device/direct3d9.h"
#include "host/ddraw/ddraw.h"
#include "host/win/window/desktop.h"

namespace orvik {

namespace {
GraphicsState g_graphics;

bool FullScreen() { return Window().settings.windowMode == 0; }

template <class T>
void ReleaseObject(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

void ReleaseSoftImage(MEMIMG*& image) {
    if (!image) return;
    ReleaseMemImg(image);
    delete image;
    image = nullptr;
}

// Direct3D object, device and depth buffer, in this order; any failure leaves the
// software renderer.
int TryDirect3D() {
    auto& g = g_graphics;
    bool scale320 = g.screen.scale320 || g.screen.scale320Fallback;
    if (FullScreen() && OsVersionCode() >= kOsWinVista && scale320) {
        if (ChangeDisplayMode() != 0) return -1;
        g.dev.displayChangedFirst = 1;
    }
    if (CreateDirect3D9Object() != 0 || CreateDirect3DDevice9() != 0 || CreateZBuffer() != 0) return -1;
    g.direct3DMode = 1;
    SetupProgrammableShaders();
    // The luminance volume (8 MB) is made when first asked for (LuminanceVolumeTexture).
    if (Shaders().programmable) CreateShaders();
    return 0;
}

void ReleaseFailedDirect3D() {
    DeviceObjects& d = g_graphics.dev;
    ReleaseObject(d.zSurface);
    if (d.device) {
        AddLogText("Direct3DDevice9 の解放 2\n");
        ReleaseDeviceSurfaces();
        ReleaseObject(d.device);
        d.sceneBegun = 0;
    }
    ReleaseObject(d.d3d);
    ResetDeviceStateCache();
}
}  // namespace

GraphicsState& Graphics() { return g_graphics; }

void ResetGraphicsState() {
    if (g_graphics.up) TerminateGraphics();
    ReleaseDirect3D9();
    g_graphics = GraphicsState{};
    ResetDeviceStateCache();
    ResetShaderConstants();
    ResetShaderSystem();
    ResetDrawState();
    ResetGraphTable();
    ResetMaskScreen();
    ResetMaskTable();
    ResetCreateSettings();
    Batch() = VertexBatch{};
}

int StartDirect3D9() {
    auto& g = g_graphics;
    g.d3d9 = host::LoadLibraryA("d3d9.dll");
    if (!g.d3d9) return AddLogText("d3d9.dll の読み込みに失敗しました\n");
    if (CreateDirectDrawObject() != 0) {
        AddLogText("Direct3D9 DLL の解放 3\n");
        host::FreeLibrary(g.d3d9);
        g.d3d9 = nullptr;
        return -1;
    }
    g.direct3DMode = 0;
    if (!g.useSoftware) {
        if (TryDirect3D() == 0) return 0;
        ReleaseFailedDirect3D();
    }
    if (FullScreen() && !g.dev.displayChangedFirst && ChangeDisplayMode() != 0) return -1;
    MeasureRefreshPeriod();
    return 0;
}

int InitGraphics() {
    auto& g = g_graphics;
    if (g.up) return 0;
    // Graphics shut down empty: the table starts over from slot 0.
    GraphTable().count = 0;
    GraphTable().highWater = 0;
    ScreenSettings& s = g.screen;
    if (s.width == 0) s.width = 640;
    if (s.height == 0) s.height = 480;
    if (s.depth == 0) s.depth = 16;
    if (FullScreen() && s.width == 320 && s.height == 240) {
        s.width = 640;
        s.height = 480;
        s.scale320 = 1;
    }
    if (StartDirect3D9() != 0) {
        TerminateGraphics();
        return -1;
    }
    g.up = 1;
    if (g.direct3DMode) InitDeviceStates();
    else CreatePrimarySurfaceMemImg();
    ResetDrawSettings3D();
    InitMemImgBlendTables();
    ResetFontSystem();
    return 0;
}

void ReleaseSoftScreen() {
    auto& g = g_graphics;
    ReleaseSoftImage(g.softScreen);
    ReleaseSoftImage(g.textWork[0]);
    ReleaseSoftImage(g.textWork[1]);
    ReleaseSoftBlendMask();
    Draw().softTarget = nullptr;
    Draw().softBlendMask = nullptr;
}

int CreatePrimarySurfaceMemImg() {
    auto& g = g_graphics;
    const ScreenSettings& s = g.screen;
    int type = s.depth == 16 ? 0 : 1;
    g.softScreen = new MEMIMG{};
    if (MakeMemImg(g.softScreen, s.width, s.height, type) < 0)
        ExitWithError("プライマリサーフェス用の MEMIMG の作成に失敗しました");
    for (int i = 0; i < 2; ++i) {
        g.textWork[i] = new MEMIMG{};
        SetupMemImg(g.textWork[i], s.width, s.height, -1, 0, type, 0, i, 0, nullptr);
    }
    const ColorFormat* format = GetMemImgColorFormat(type, 0, 0);
    uint32_t value = format ? GetColorInBaseImageFormat(*format, g.background[0], g.background[1], g.background[2], 255) : 0;
    PaintMemImgRect(g.softScreen, nullptr, value);
    Draw().softTarget = g.softScreen;
    return 0;
}

int TerminateGraphics() {
    auto& g = g_graphics;
    // The fonts' caches are graphics: the fonts go first.
    RestartFontManager();
    if (!g.up) {
        ReleaseDirect3D9();
        CloseShaderPack();
        return 0;
    }
    DeleteAllGraphs();
    DeleteAllVertexBufferHandles();
    DeleteAllIndexBufferHandles();
    DeleteAllShaderHandles();
    TerminateMaskSystem();
    DeleteAllMaskHandles();
    DeleteAllLightHandles();
    RemoveLightHandle(Draw().t3d.defaultLight);
    Draw().t3d.defaultLight = -1;
    ReleaseDirect3D9();
    ReleaseSoftScreen();
    CloseShaderPack();
    g.up = 0;
    g.direct3DMode = 0;
    return 0;
}

int ReleaseDirect3D9() {
    auto& g = g_graphics;
    DeviceObjects& d = g.dev;
    ReleaseAllModelDeviceObjects();
    ReleasePixelShaders();
    ReleaseAllShaders();
    Shaders().programmable = 0;
    bool deviceOwnsMode = g.direct3DMode && !d.displayChangedFirst;
    if (FullScreen() && g.up && !deviceOwnsMode) host::ChangeDisplaySettingsA(nullptr, 0);
    ReleaseObject(d.zSurface);
    ReleaseDeviceSurfaces();
    ReleaseLuminanceVolumeTexture();
    if (d.device) {
        AddLogText("Direct3DDevice9 の解放 3\n");
        ReleaseObject(d.device);
        d.sceneBegun = 0;
    }
    ReleaseObject(d.d3d);
    ReleaseObject(d.ddraw);
    if (g.d3d9) {
        AddLogText("Direct3D9 DLL の解放 4\n");
        host::FreeLibrary(g.d3d9);
        g.d3d9 = nullptr;
    }
    g.displayModes.clear();
    g.displayModesListed = 0;
    d = DeviceObjects{};
    ResetDeviceStateCache();
    return 0;
}

int SetUseHardwareRendering(int use) {
    if (Library().initialised || Library().starting) return -1;
    g_graphics.useSoftware = use ? 0 : 1;
    return 0;
}

int GetUseHardwareRendering() { return g_graphics.useSoftware ? 0 : 1; }

int SetBackgroundColor(int red, int green, int blue) {
    g_graphics.background[0] = uint8_t(red);
    g_graphics.background[1] = uint8_t(green);
    g_graphics.background[2] = uint8_t(blue);
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

int SetGraphRestoreCallback(int (*callback)()) {
    g_graphics.restoreCallback = callback ? callback : &RestoreGraphsFromFiles;
    return 0;
}

int IsGraphRestoreCallbackSet() { return g_graphics.restoreCallback ? 1 : 0; }

host::IDirectDraw7* GetDirectDrawObject() { return g_graphics.dev.ddraw; }

int HasFullScreenDirectDraw() { return g_graphics.dev.ddraw && !Window().settings.windowMode ? 1 : 0; }

}  // namespace orvik
