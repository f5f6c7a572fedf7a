// Putting a new device into the engine's start state: every state goes through its cached
// setter with the force flag raised, so the shadows and the device agree afterwards even
// where the new device happened to start with the same value.
#include <bit>

#include "engine/graphics/draw/camera.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_target.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/state_cache.h"
#include "host/d3d9/device/device.h"

namespace orvik {

using namespace host;

namespace {

// Sampling: filters, anisotropy, addressing and the texture-coordinate transforms.
void ResetSamplerStates(const DrawSettings& ds) {
    ApplyDrawFilterMode(ds.filterMode);
    SetRenderStateCached(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    SetMaxAnisotropyCached(ds.maxAnisotropy);
    for (int s = 0; s < 8; ++s) {
        const auto& address = ds.textureAddress[size_t(s)];
        SetTextureAddressU(address[0], s);
        SetTextureAddressV(address[1], s);
        SetTextureAddressW(address[2], s);
    }
    Matrix4 identity;
    SetUnitMatrix(&identity);
    for (int s = 0; s < 4; ++s) SetTextureTransformCached(s, 0, identity);
}

void ResetFogAndDepth() {
    SetFogEnableCached(0);
    SetFogModeCached(D3DFOG_NONE);
    SetFogColorCached(0);
    SetFogRangeCached(0.0f, 1.0f);
    SetFogDensityCached(1.0f);
    SetZEnableCached(1);
    SetZWriteEnableCached(1);
    SetZFuncCached(D3DCMP_LESSEQUAL);
    SetDepthBiasCached(0.0f);
    SetRenderStateCached(D3DRS_FILLMODE, D3DFILL_SOLID);
}

void ResetTransformsAndLighting(const DrawSettings& ds) {
    const Transform3D& t = ds.t3d;
    SetWorldMatrix(t.world);
    SetViewMatrix(t.view);
    SetProjectionSecondMatrix(t.secondProjection);
    SetProjectionMatrix(t.projection);
    SetMaterialCached(DeviceMaterial(t.material));
    SetRenderStateCached(D3DRS_SPECULARENABLE, 1);
    SetDiffuseMaterialSourceCached(D3DMCS_COLOR1);
    SetSpecularMaterialSourceCached(1);
    SetAmbientColorCached(0);
    SetLightingEnable(1);
    ApplyDefaultLight();
}

}  // namespace

int ResetDeviceStates() {
    if (!Graphics().dev.device) return -1;
    const DrawSettings& ds = Draw();
    DeviceStateCache& c = StateCache();
    c.force = 1;
    SetRenderStateCached(D3DRS_DITHERENABLE, 0);
    SetDrawTextureParams(nullptr, ds.blendMode, ds.blendParam);
    SetAlphaTestCached(ds.alphaTestFunc, ds.alphaTestRef);
    SetCullModeCached(D3DCULL_NONE);
    ResetSamplerStates(ds);
    ResetFogAndDepth();
    ResetTransformsAndLighting(ds);
    ApplyDrawAreaToDevice();
    ResetTexCoordIndexStates();
    c.setupChanged = 1;
    SetupDrawDeviceState();
    c.force = 0;
    return 0;
}

int ResetSamplerAddressStates() {
    Device* d = Graphics().dev.device;
    if (!d) return -1;
    const auto& sampler = StateCache().sampler;
    for (DWORD s = 0; s < 8; ++s)
        for (D3DSAMPLERSTATETYPE type : {D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV, D3DSAMP_ADDRESSW})
            d->SetSamplerState(s, type, sampler[s][type] ? sampler[s][type] : DWORD(D3DTADDRESS_CLAMP));
    return 0;
}

}  // namespace orvik
