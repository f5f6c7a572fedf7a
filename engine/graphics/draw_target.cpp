// Selecting the draw target (the screen or a drawable graphic): the render target and
// viewport on the device path, the image drawn into on the software path, the draw area
// and the camera that makes one unit one pixel of the target.
#include "engine/graphics/camera.h"
#include "engine/graphics/draw_functions.h"
#include "engine/graphics/draw_target.h"
#include "engine/graphics/graph_handles.h"
#include "engine/graphics/graphics_system.h"
#include "engine/graphics/mask_screen.h"
#include "engine/graphics/present.h"
#include "engine/graphics/state_cache.h"
#include "engine/graphics/vertex_batch.h"
#include "engine/platform/log.h"
#include "engine/platform/message_pump.h"
#include "engine/platform/window.h"
#include "host/d3d9/device.h"
#include "host/win/message_queue.h"

namespace orvik {

namespace {

constexpr float kTan30 = 0.57735026f;

void PlaceCamera(int w, int h) {
    Transform3D& t = Draw().t3d;
    SetUnitMatrix(&t.world);
    if (Graphics().direct3DMode) SetWorldMatrix(t.world);
    BuildViewportTransform(&t.targetViewport, float(w) / 2, float(h) / 2, float(w), float(h));
    InvertMatrix4(&t.targetViewportInverse, &t.targetViewport);
    SetupTargetViewportMatrix(float(w) / 2, float(h) / 2);
    float d = float(h) / 2 / kTan30;
    Vector3 eye{float(w) / 2, float(h) / 2, -d}, at{float(w) / 2, float(h) / 2, -d + 1}, up{0, 1, 0};
    Matrix4 view;
    BuildViewMatrix(&view, &eye, &at, &up);
    SetViewMatrix(view);
    t.projectionMode = 0;
    t.fov = 1.0471976f;
    t.nearZ = d * 0.1f;
    t.farZ = d + 20000;
    UpdateProjectionMatrix();
}

}  // namespace

host::Surface* TargetSurface(int target, bool* withDepth) {
    GraphicsState& g = Graphics();
    *withDepth = true;
    if (target < 0) return g.dev.subBackBuffer ? g.dev.subBackBuffer : g.dev.backBuffer;
    const GraphRecord* r = GetGraphRecord(target);
    if (!r || r->images->pieces.empty()) return nullptr;
    int sw, sh;
    GetScreenSize(&sw, &sh);
    *withDepth = r->width <= sw && r->height <= sh;
    return r->images->pieces[0].surface;
}

int SetDrawTarget(int target) {
    GraphicsState& g = Graphics();
    if (!g.up) return -1;
    WaitForActiveWindow();
    const GraphRecord* r = target >= 0 ? GetGraphRecord(target) : nullptr;
    // Screen codes, or the full handle check: a freed and reused slot is refused.
    if (target >= 0 ? !r || !r->images->drawable : target > -2 || target < -5) return -1;
    // The device renders into the texture from its corner: a cell derived from inside a
    // drawable graphic would have its drawing land on the parent's corner instead.
    if (r && g.direct3DMode && (r->x != 0 || r->y != 0))
        return AddLogText("テクスチャの左上から始まらない派生グラフィックは描画先にできません in SetDrawTarget\n");
    DrawSettings& ds = Draw();
    if (g.direct3DMode && g.dev.device) {
        FlushVertexBatch();
        EndSceneIfBegun();
        bool withDepth;
        host::Surface* surface = TargetSurface(target, &withDepth);
        if (!surface) return -1;
        ForceRenderTargetSurface(surface);
        g.dev.device->SetDepthStencilSurface(withDepth ? g.dev.zSurface : nullptr);
    } else {
        ds.softTarget = r ? const_cast<MEMIMG*>(&r->view) : g.softScreen;
    }
    g.drawTarget = target;
    ds.drawTarget = target;
    if (target == -4 && Window().rt.mainWindow)
        host::SetTimer(Window().rt.mainWindow, kFrontBufferTimerId, kFrontBufferTimerMillis, &FrontBufferTimerProc);
    int w = 0, h = 0;
    if (target == -3 || target == -5) GetScreenSize(&w, &h);
    else QueryGraphSize(target, &w, &h);
    const bool resized = w != ds.targetWidth || h != ds.targetHeight;
    ds.targetWidth = w;
    ds.targetHeight = h;
    const DrawArea& a = ds.area;
    if (resized) SetDrawClipRect(0, 0, w, h);
    else SetDrawClipRect(a.given[0], a.given[1], a.given[2], a.given[3]);
    PlaceCamera(w, h);
    // Draws still go through the mask screen, now onto the new target.
    RenewMaskScreen();
    return 0;
}

}  // namespace orvik
