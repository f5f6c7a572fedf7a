// Selecting the draw target (the screen or a drawable graphic): the render target and
// viewport on the device path, the image drawn into on the software path, the draw area
// and the camera that makes one unit one pixel of the target.
#include "engine/graphics/draw/camera.h"
#include "engine/graphics/draw/draw_functions.h"
#include "engine/graphics/draw/draw_target.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/mask/mask_screen.h"
#include "engine/graphics/device/present.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/window/message_pump.h"
#include "engine/platform/window/window.h"
#include "host/d3d9/device/device.h"
#include "host/win/window/message_queue.h"

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
    // A cell renders into its parent's whole texture, which the depth buffer must cover.
    *withDepth = r->images->width <= sw && r->images->height <= sh;
    return r->images->pieces[0].surface;
}

namespace {

const TexturePiece* TargetPiece(const GraphRecord* r) {
    return r && r->images && !r->images->pieces.empty() ? &r->images->pieces[0] : nullptr;
}

}  // namespace

TargetOrigin DrawTargetOrigin() {
    const int target = Draw().drawTarget;
    const GraphRecord* r = target >= 0 ? GetGraphRecord(target) : nullptr;
    const TexturePiece* piece = TargetPiece(r);
    return piece ? TargetOrigin{r->x - piece->x, r->y - piece->y} : TargetOrigin{};
}

TargetOrigin CurrentTargetOrigin() {
    const int target = Draw().drawTarget;
    const TexturePiece* piece = TargetPiece(target >= 0 ? GetGraphRecord(target) : nullptr);
    return piece && StateCache().renderTarget == piece->surface ? DrawTargetOrigin() : TargetOrigin{};
}

void ApplyDrawAreaToDevice() {
    const DrawArea& a = Draw().area;
    const TargetOrigin o = CurrentTargetOrigin();
    SetViewportRect(a.x1, a.y1, a.x2 - a.x1, a.y2 - a.y1);
    SetScissorRectCached(host::RECT{a.x1 + o.x, a.y1 + o.y, a.x2 + o.x, a.y2 + o.y});
}

int SetDrawTarget(int target) {
    GraphicsState& g = Graphics();
    if (!g.up) return -1;
    WaitForActiveWindow();
    const GraphRecord* r = target >= 0 ? GetGraphRecord(target) : nullptr;
    // Screen codes, or the full handle check: a freed and reused slot is refused.
    if (target >= 0 ? !r || !r->images->drawable : target > -2 || target < -5) return -1;
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
