#include "engine/graphics/device/device_recreate.h"

#include <orvik/graphics.h>

#include "engine/graphics/draw/camera.h"
#include "engine/graphics/device/device_buffers.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/handles/graph_textures.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/mask/mask_screen.h"
#include "engine/graphics/models/model_handles.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/input/input.h"
#include "engine/platform/startup/library.h"
#include "engine/platform/window/window.h"

namespace orvik {

namespace {

// What selecting the draw target again overwrites and the end of re-creation puts back.
struct KeptTransforms {
    Matrix4 world, view, projection, secondProjection;
    int32_t area[4];
};

KeptTransforms KeepTransforms() {
    const DrawSettings& ds = Draw();
    const Transform3D& t = ds.t3d;
    const int32_t* a = ds.area.given;
    return {t.world, t.view, t.projection, t.secondProjection, {a[0], a[1], a[2], a[3]}};
}

void PutBackTransforms(const KeptTransforms& k) {
    SetDrawClipRect(k.area[0], k.area[1], k.area[2], k.area[3]);
    Draw().t3d.world = k.world;
    SetWorldMatrix(k.world);
    SetViewMatrix(k.view);
    SetProjectionSecondMatrix(k.secondProjection);
    SetProjectionMatrix(k.projection);
}

// A graphic whose pixels lived on the old device cannot be drawn into by the software
// renderer, which then draws on its own screen.
int TargetAfterFallback(int target) {
    const GraphRecord* r = GetGraphRecord(target);
    return r && r->images && r->images->textured ? -2 : target;
}

void RunSoftwareRenderer() {
    GraphicsState& g = Graphics();
    if (!g.softScreen) CreatePrimarySurfaceMemImg();
    SetDrawTarget(TargetAfterFallback(g.drawTarget));
}

// Both buffers of the swap chain start clean.
void ClearAndPresentTwice() {
    for (int i = 0; i < 2; ++i) {
        ClearDrawTarget();
        PresentScreenRect(nullptr);
    }
}

void RestoreOnNewDevice() {
    RecreateGraphDeviceObjects();
    RecreateMaskScreen();
    const KeptTransforms kept = KeepTransforms();
    SetDrawTarget(Graphics().drawTarget);
    ResetDeviceStates();
    ClearAndPresentTwice();
    RestoreAllGraphs();
    ReapplyDeviceStates();
    ResetupAllModelBases();
    Transform3D& t = Draw().t3d;
    t.lightsChanged = 1;
    t.lightsForceApply = 1;
    PutBackTransforms(kept);
}

}  // namespace

int RecreateGraphDeviceObjects() {
    GraphHandleTable& t = GraphTable();
    for (int32_t i = 0; i < t.highWater; ++i)
        if (GraphRecord* r = t.slots[i]; r && r->images && r->images->textured) CreateGraphTextures(*r->images);
    RecreateDeviceBufferObjects();
    return 0;
}

int RecreateGraphicsDeviceSameMode() {
    GraphicsState& g = Graphics();
    if (!g.up) return 0;
    if (g.direct3DMode) {
        FlushVertexBatch();
        ReleaseMaskDeviceBuffers();
        ReleaseAllGraphTextures();
    }
    ReleaseDirect3D9();
    TerminateInputSystem();
    InitInputSystem();
    // No device this time (the library or DirectDraw is gone): the software renderer,
    // which needs none of the device objects, takes over.
    if (StartDirect3D9() != 0) g.direct3DMode = 0;
    if (!g.direct3DMode) {
        RunSoftwareRenderer();
        return 0;
    }
    RestoreOnNewDevice();
    return 0;
}

int RestoreDeviceOnActivation(int minimized) {
    GraphicsState& g = Graphics();
    if (!Library().initialised || !g.up) return 0;
    if (!Window().settings.windowMode) {
        if (!minimized) RecreateGraphicsDeviceSameMode();
        return 0;
    }
    if (!g.dev.device) return 0;
    EndSceneIfBegun();
    if (PresentScreenRect(nullptr) != 0) RecreateGraphicsDeviceSameMode();
    return 0;
}

}  // namespace orvik
