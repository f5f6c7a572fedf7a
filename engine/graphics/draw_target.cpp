// Selecting the screen as draw target: the render target and viewport on the device
// path, the screen image on the software path, the draw area and the camera that makes
// one unit one pixel of the target. Drawable graphics as targets come with the graphic
// handles.
#include "engine/graphics/camera.h"
#include "engine/graphics/graphics_system.h"
#include "engine/graphics/present.h"
#include "engine/graphics/state_cache.h"
#include "engine/graphics/vertex_batch.h"
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

void SetWholeArea(int w, int h) {
    DrawArea& a = Draw().area;
    a.x1 = a.y1 = 0;
    a.x2 = w;
    a.y2 = h;
    a.fx1 = a.fy1 = 0;
    a.fx2 = float(w);
    a.fy2 = float(h);
    a.empty = w <= 0 || h <= 0;
    a.given[0] = a.given[1] = 0;
    a.given[2] = w;
    a.given[3] = h;
}

}  // namespace

int SetDrawTarget(int target) {
    GraphicsState& g = Graphics();
    if (!g.up) return -1;
    WaitForActiveWindow();
    if (target > -2 || target < -5) return -1;
    DrawSettings& ds = Draw();
    if (g.direct3DMode && g.dev.device) {
        FlushVertexBatch();
        EndSceneIfBegun();
        host::Surface* surface = g.dev.subBackBuffer ? g.dev.subBackBuffer : g.dev.backBuffer;
        int saved = StateCache().force;
        StateCache().force = 1;
        SetRenderTargetSurface(surface);
        StateCache().force = saved;
        g.dev.device->SetDepthStencilSurface(g.dev.zSurface);
    } else {
        ds.softTarget = g.softScreen;
    }
    g.drawTarget = target;
    ds.drawTarget = target;
    if (target == -4 && Window().rt.mainWindow)
        host::SetTimer(Window().rt.mainWindow, kFrontBufferTimerId, kFrontBufferTimerMillis, &FrontBufferTimerProc);
    int w, h;
    GetScreenSize(&w, &h);
    if (w != ds.targetWidth || h != ds.targetHeight || ds.area.empty) SetWholeArea(w, h);
    ds.targetWidth = w;
    ds.targetHeight = h;
    PlaceCamera(w, h);
    return 0;
}

}  // namespace orvik
