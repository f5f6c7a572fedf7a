// The transform and light setters of the render-state cache, and the mirror of states in
// the shader constants: view (with its inverse), projection, the lights in view space,
// the material and fog.
#include <bit>
#include <cstring>

#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/shaders/shader_constants.h"
#include "engine/graphics/shaders/shader_registers.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/state_cache_write.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/base/matrix.h"
#include "host/d3d9/device/device.h"

namespace orvik {

using namespace host;

namespace {

Device* Dev() { return Graphics().dev.device; }

void MirrorMatrix(int start, const D3DMATRIX& m) { SetVertexShaderConstants(start, &m.m[0][0], 4); }

// A point (w 1) or a direction (w 0) by the view matrix, as a register.
std::array<float, 4> ToView(const D3DVECTOR& v, float w, const D3DMATRIX& view, float registerW) {
    std::array<float, 4> out{};
    for (int c = 0; c < 3; ++c) out[size_t(c)] = v.x * view.m[0][c] + v.y * view.m[1][c] + v.z * view.m[2][c] + w * view.m[3][c];
    out[3] = registerW;
    return out;
}

std::array<float, 4> Colour(const D3DCOLORVALUE& c) { return {c.r, c.g, c.b, c.a}; }

}  // namespace

// Fog start, end, density and the linear fog's scale, from the shadows.
void MirrorFogConstants() {
    const float start = std::bit_cast<float>(StateCache().render[D3DRS_FOGSTART]);
    const float end = std::bit_cast<float>(StateCache().render[D3DRS_FOGEND]);
    const float density = std::bit_cast<float>(StateCache().render[D3DRS_FOGDENSITY]);
    const float fog[4] = {start, end, density, end != start ? 1.0f / (end - start) : 0.0f};
    SetVertexShaderConstants(kVcFog, fog, 1);
}

void MirrorMaterialConstants(const D3DMATERIAL9& m) {
    auto reg = [](const D3DCOLORVALUE& c, float w) { return std::array<float, 4>{c.r, c.g, c.b, w}; };
    const std::array<float, 4> vertex[3] = {reg(m.Diffuse, m.Diffuse.a), reg(m.Ambient, m.Ambient.a), reg(m.Specular, m.Power)};
    const std::array<float, 4> pixel[3] = {reg(m.Diffuse, m.Diffuse.a), reg(m.Specular, m.Power), reg(m.Emissive, m.Emissive.a)};
    SetVertexShaderConstants(kVcMaterial, vertex[0].data(), 3);
    SetPixelShaderConstants(kPcMaterial, pixel[0].data(), 3);
}

int SetWorldMatrix(const Matrix4& m) {
    const D3DMATRIX d = ToD3DMatrix(m);
    return CachedWrite(StateCache().world, d, [&] { Dev()->SetTransform(D3DTS_WORLD, &d); });
}

int SetWorldTransformRaw(const Matrix4& m) {
    if (!Dev()) return -1;
    const D3DMATRIX d = ToD3DMatrix(m);
    Dev()->SetTransform(D3DTS_WORLD, &d);
    return 0;
}

int SetViewTransform(const Matrix4& m) {
    DeviceStateCache& c = StateCache();
    const D3DMATRIX d = ToD3DMatrix(m);
    return CachedWrite(c.view, d, [&] {
        Dev()->SetTransform(D3DTS_VIEW, &d);
        Matrix4 inverse;
        InvertMatrix4(&inverse, &m);
        c.viewInverse = ToD3DMatrix(inverse);
        c.view = d;
        MirrorMatrix(kVcView, d);
        MirrorMatrix(kVcViewInverse, c.viewInverse);
        UploadLightConstants();
    });
}

int SetProjectionTransform(const Matrix4& m) {
    const D3DMATRIX d = ToD3DMatrix(m);
    return CachedWrite(StateCache().projection, d, [&] {
        Dev()->SetTransform(D3DTS_PROJECTION, &d);
        MirrorMatrix(kVcProjection, d);
    });
}

int SetLightingEnableRaw(int on) {
    if (!Dev()) return -1;
    FlushVertexBatch();
    Dev()->SetRenderState(D3DRS_LIGHTING, on ? 1 : 0);
    return 0;
}

int SetLightCached(uint32_t index, const D3DLIGHT9& light) {
    if (index >= kShaderLights) {
        if (!Dev()) return -1;
        FlushVertexBatch();
        Dev()->SetLight(index, &light);
        return 0;
    }
    DeviceStateCache::LightSlot& slot = StateCache().lights[index];
    return CachedWrite(slot.light, light, [&] {
        Dev()->SetLight(index, &light);
        slot.light = light;
        UploadLightConstants();
    });
}

int SetLightEnableCached(uint32_t index, int enable) {
    const int32_t on = enable ? 1 : 0;
    if (index >= kShaderLights) {
        if (!Dev()) return -1;
        FlushVertexBatch();
        Dev()->LightEnable(index, on);
        return 0;
    }
    DeviceStateCache::LightSlot& slot = StateCache().lights[index];
    return CachedWrite(slot.enabled, on, [&] {
        Dev()->LightEnable(index, on);
        slot.enabled = on;
        UploadLightConstants();
    });
}

int SetLightAndEnable(uint32_t index, const D3DLIGHT9& light, int enable) {
    if (SetLightCached(index, light) != 0) return -1;
    return SetLightEnableCached(index, enable);
}

int UploadLightConstants() {
    const DeviceStateCache& c = StateCache();
    std::array<std::array<float, 4>, size_t(kShaderLights * kVcLightRegisters)> regs{};
    std::array<int32_t, kShaderLights> on{};
    for (size_t i = 0; i < size_t(kShaderLights); ++i) {
        const D3DLIGHT9& l = c.lights[i].light;
        auto* r = &regs[i * kVcLightRegisters];
        r[0] = Colour(l.Diffuse);
        r[1] = Colour(l.Ambient);
        r[2] = Colour(l.Specular);
        r[3] = ToView(l.Position, 1.0f, c.view, float(l.Type));
        r[4] = ToView(l.Direction, 0.0f, c.view, 0.0f);
        r[5] = {l.Attenuation0, l.Attenuation1, l.Attenuation2, l.Range};
        on[i] = c.lights[i].enabled;
    }
    SetVertexShaderConstants(kVcLights, regs[0].data(), int(regs.size()));
    return SetVertexShaderBools(kVbLights, on.data(), kShaderLights);
}

}  // namespace orvik
