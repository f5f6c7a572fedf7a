// The common set-up before every device draw: shaders, lighting and material, depth,
// culling, fog, the texture and blend state, shading and sampling, each through the
// render-state cache so that only real changes reach the device.
#include <array>

#include "engine/graphics/draw/blend_helper_graph.h"
#include "engine/graphics/draw/blend_mask.h"
#include "engine/graphics/draw/camera.h"
#include "engine/graphics/draw/draw_d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/device/state_cache.h"
#include "host/d3d9/device/device.h"

namespace orvik {

namespace {

using namespace host;

bool UsesVertexColour(uint32_t flags) { return (flags & kSetupVertexColor) || Draw().bright != 0xFFFFFF; }

// Lights and material for 3D draws; 2D vertices are lit already.
void SetupLighting(uint32_t flags) {
    if (!(flags & kSetup3D)) {
        SetLightingEnable(0);
        return;
    }
    UpdateDeviceLights();
    Transform3D& t = Draw().t3d;
    if (t.materialChanged) {
        SetMaterialCached(DeviceMaterial(t.material));
        t.materialChanged = 0;
    }
    SetDiffuseMaterialSourceCached(UsesVertexColour(flags) ? D3DMCS_COLOR1 : D3DMCS_MATERIAL);
    SetSpecularMaterialSourceCached((flags & kSetupSpecular) != 0);
}

// Specular, depth (the 2D or the 3D settings), culling and fog. Culling follows the draw
// state only for 3D draws: 2D draws mirror graphics by their vertex order.
void SetupRaster(uint32_t flags) {
    const DrawSettings& ds = Draw();
    const bool depth3D = (flags & kSetupDepth3D) != 0;
    SetRenderStateCached(D3DRS_SPECULARENABLE, (flags & kSetupSpecular) ? 1 : 0);
    ApplyZEnableCached(depth3D);
    const int enabled = depth3D ? ds.zEnable3D : ds.zEnable2D;
    SetZWriteEnableCached(enabled && (depth3D ? ds.zWrite3D : ds.zWrite2D));
    SetZFuncCached(depth3D ? ds.zFunc3D : ds.zFunc2D);
    SetCullModeCached((flags & kSetup3D) ? ds.cullMode : int(D3DCULL_NONE));
    SetFogEnableCached((flags & kSetupFog) ? 1 : 0);
}

void SetupTextureAndBlend(const GraphImageSet* set, Texture* texture, uint32_t flags) {
    const DrawSettings& ds = Draw();
    int mode = ds.blendMode;
    int func = D3DCMP_ALWAYS;
    // Only textured draws take the mask; it weights by alpha, so mode 0 blends with it.
    Texture* mask = texture ? LiveBlendMaskTexture() : nullptr;
    if (mask && mode == 0) mode = 1;
    const bool trans = (flags & kSetupTrans) && texture && set && (set->alpha || set->colorKey);
    if (trans) {
        const bool test = (mode == 0 || mode == 8) && ((flags & kSetupExact) || ds.filterMode != 1);
        if (test) func = D3DCMP_GREATER;
        // Alpha blending at full strength; an alpha channel's partly transparent texels mix
        // with what is below even where the test skips the wholly transparent ones, as the
        // software renderer mixes them.
        if (mode == 0 && (!test || set->alpha)) mode = 1;
    }
    // The vertices' own alpha weighs the draw even in blend mode 0.
    if ((flags & kSetupVertexAlpha) && mode == 0) mode = 1;
    if (!texture && BlendStageKind(mode) == 3) EnsureBlendHelperGraph();
    SetDrawTextureParams(texture, mode, mode == ds.blendMode ? ds.blendParam : 255);
    SetBlendTextureCached(mask, ds.blendMaskBorder, ds.blendMaskRange);
    SetAlphaTestCached(func, 0);
    const DeviceStateCache& c = StateCache();
    if (c.textureChanged || c.setupChanged) SetupDrawDeviceState();
}

void SetupSampling(uint32_t flags) {
    const DrawSettings& ds = Draw();
    SetRenderStateCached(D3DRS_SHADEMODE, (flags & kSetupGouraud) ? D3DSHADE_GOURAUD : D3DSHADE_FLAT);
    ApplyDrawFilterMode(ds.filterMode);
    SetMaxAnisotropyCached(ds.maxAnisotropy);
    ApplyTextureAddressing((flags & kSetupDrawAddressing) != 0);
}

// What the steps other than the texture and blend set-up depend on for 2D draws. When
// it is what the last set-up saw and no shadow changed since, those steps would write
// nothing: a run of sprites skips them. The texture addressing counts only for draws that
// apply it, and is compared where it lives: a key holding it zeroed and copied 96 bytes
// for every draw.
struct SetupKey {
    uint32_t flags = 0;
    int32_t filterMode = 0, maxAnisotropy = 0, zEnable = 0, zWrite = 0, zFunc = 0;
    bool operator==(const SetupKey&) const = default;
};

struct SetupMemo {
    SetupKey key;
    std::array<std::array<int32_t, 3>, 8> address{};
    uint64_t writes = 0;
    bool valid = false;
};
SetupMemo g_memo;

SetupKey KeyOf(uint32_t flags) {
    const DrawSettings& ds = Draw();
    SetupKey k;
    k.flags = flags & ~(kSetupTrans | kSetupExact | kSetupVertexColor | kSetupNoTexture);
    k.filterMode = ds.filterMode, k.maxAnisotropy = ds.maxAnisotropy;
    const bool depth3D = (flags & kSetupDepth3D) != 0;
    k.zEnable = depth3D ? ds.zEnable3D : ds.zEnable2D;
    k.zWrite = depth3D ? ds.zWrite3D : ds.zWrite2D;
    k.zFunc = depth3D ? ds.zFunc3D : ds.zFunc2D;
    return k;
}

bool SameAsMemo(const SetupKey& key) {
    return g_memo.valid && g_memo.key == key &&
           (!(key.flags & kSetupDrawAddressing) || g_memo.address == Draw().textureAddress);
}

void Remember(const SetupKey& key) {
    g_memo.key = key;
    if (key.flags & kSetupDrawAddressing) g_memo.address = Draw().textureAddress;
    g_memo.valid = true;
}

}  // namespace

void SetupGraphDrawD3D(const GraphImageSet* set, Texture* texture, uint32_t flags) {
    // 3D draws depend on lights and material as well: they always run every step.
    const SetupKey key = KeyOf(flags);
    const bool same =
        !(flags & kSetup3D) && !StateCache().force && g_memo.writes == StateCache().writes && SameAsMemo(key);
    if (!same) {
        if (!(flags & kSetupKeepShaders)) {
            SetVertexShaderCached(nullptr);
            SetPixelShaderCached(nullptr);
        }
        SetupLighting(flags);
        SetupRaster(flags);
    }
    if (!(flags & kSetupNoTexture)) SetupTextureAndBlend(set, texture, flags);
    if (!same || g_memo.writes != StateCache().writes) SetupSampling(flags);
    if (!same) Remember(key);
    g_memo.writes = StateCache().writes;
}

}  // namespace orvik
