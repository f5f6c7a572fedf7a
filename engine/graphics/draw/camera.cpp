#include "engine/graphics/draw/camera.h"

#include <cmath>
#include <memory>
#include <vector>

#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/base/log.h"
#include "host/d3d9/device/device.h"

namespace orvik {

namespace {

DrawSettings g_draw;

struct LightTable {
    std::vector<std::unique_ptr<LightRecord>> slots = std::vector<std::unique_ptr<LightRecord>>(kLightCapacity);
    int32_t count = 0, highWater = 0;
    uint32_t nextCheck = 0;
    int32_t deviceHighest = -1;
};
LightTable g_lights;

Transform3D& T() { return g_draw.t3d; }
bool OnDevice() { return Graphics().direct3DMode && Graphics().dev.device; }

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 out;
    MultiplyMatrix4(&out, &a, &b);
    return out;
}

Matrix4 Identity() {
    Matrix4 m;
    SetUnitMatrix(&m);
    return m;
}

void ApplyDeviceProjection() {
    Transform3D& t = T();
    Matrix4 device = Multiply(Multiply(t.projection, t.secondProjection), t.targetViewportInverse);
    SetProjectionTransform(device);
    t.projectionSet = 1;
}

LightRecord* FindLight(int32_t handle) {
    if (handle < 0 || (handle & 0x78000000) != kLightHandleType) return nullptr;
    int32_t slot = handle & 0xFFFF;
    if (slot >= kLightCapacity || !g_lights.slots[size_t(slot)]) return nullptr;
    LightRecord* r = g_lights.slots[size_t(slot)].get();
    return r->check == uint32_t((handle >> 16) & 0x7FF) ? r : nullptr;
}

host::D3DLIGHT9 ToD3D(const LightRecord& r) {
    host::D3DLIGHT9 l;
    l.Type = host::D3DLIGHTTYPE(r.type);
    l.Diffuse = {r.diffuse[0], r.diffuse[1], r.diffuse[2], r.diffuse[3]};
    l.Specular = {r.specular[0], r.specular[1], r.specular[2], r.specular[3]};
    l.Ambient = {r.ambient[0], r.ambient[1], r.ambient[2], r.ambient[3]};
    l.Position = {r.position[0], r.position[1], r.position[2]};
    l.Direction = {r.direction[0], r.direction[1], r.direction[2]};
    l.Range = r.range, l.Falloff = r.falloff, l.Theta = r.theta, l.Phi = r.phi;
    l.Attenuation0 = r.attenuation[0], l.Attenuation1 = r.attenuation[1], l.Attenuation2 = r.attenuation[2];
    return l;
}

}  // namespace

DrawSettings& Draw() { return g_draw; }

void ResetDrawState() {
    g_draw = DrawSettings{};
    g_lights = LightTable{};
}

int SetViewMatrix(const Matrix4& m) {
    FlushVertexBatch();
    T().view = m;
    T().derivedStale = 1;
    UpdateViewMatrix();
    if (OnDevice()) {
        SetViewTransform(m);
        T().viewSet = 1;
    }
    return 0;
}

int SetProjectionMatrix(const Matrix4& m) {
    FlushVertexBatch();
    T().projection = m;
    T().derivedStale = 1;
    UpdateViewMatrix();
    if (OnDevice()) ApplyDeviceProjection();
    return 0;
}

int SetProjectionSecondMatrix(const Matrix4& m) {
    FlushVertexBatch();
    T().secondProjection = m;
    T().derivedStale = 1;
    UpdateViewMatrix();
    if (OnDevice()) ApplyDeviceProjection();
    return 0;
}

int SetupTargetViewportMatrix(float centerX, float centerY) {
    Transform3D& t = T();
    t.viewportCenterX = centerX;
    t.viewportCenterY = centerY;
    float w = float(g_draw.targetWidth) * t.aspectScale, h = float(g_draw.targetHeight) * t.aspectScale;
    Matrix4 m = Identity();
    m.m[0] = w / 2;
    m.m[5] = -h / 2;
    m.m[12] = centerX;
    m.m[13] = centerY;
    return SetProjectionSecondMatrix(m);
}

int UpdateProjectionMatrix() {
    Transform3D& t = T();
    float aspect = g_draw.targetWidth ? float(g_draw.targetHeight) / float(g_draw.targetWidth) * t.aspectScale : 1.0f;
    Matrix4 m = t.projection;
    if (t.projectionMode == 0) BuildFovProjectionMatrix(&m, t.fov, t.nearZ, t.farZ, aspect);
    else if (t.projectionMode == 1) BuildOrthoProjectionMatrix(&m, t.orthoSize, t.nearZ, t.farZ, aspect);
    else m = t.userProjection;
    return SetProjectionMatrix(m);
}

int SetProjectionNearFar(float nearZ, float farZ) {
    T().nearZ = nearZ;
    T().farZ = farZ;
    return UpdateProjectionMatrix();
}

int SetProjectionFov(float fov) {
    T().projectionMode = 0;
    T().fov = fov;
    return UpdateProjectionMatrix();
}

int SetProjectionUserMatrix(const Matrix4& m) {
    T().projectionMode = 2;
    T().userProjection = m;
    return UpdateProjectionMatrix();
}

int UpdateViewMatrix() {
    Transform3D& t = T();
    if (!t.derivedStale) return 0;
    t.viewProjection = Multiply(Multiply(t.view, t.projection), t.secondProjection);
    t.worldViewProjection = Multiply(t.world, t.viewProjection);
    for (int axis = 0; axis < 3; ++axis) {
        for (int row = 0; row < 3; ++row) t.cameraAxes[axis][row] = t.view.m[row * 4 + axis];
        t.cameraAxes[axis][3] = 0;
    }
    t.derivedStale = 0;
    return 0;
}

int UpdateDeviceLights() {
    if (!OnDevice()) return 0;
    Transform3D& t = T();
    SetLightingEnable(1);
    if (!t.lightsChanged && !t.lightsForceApply) return 0;
    int32_t next = 0;
    for (uint32_t type : {3u, 2u, 1u})
        for (auto& slot : g_lights.slots) {
            LightRecord* r = slot.get();
            if (!r || !r->enabled || r->type != type) continue;
            if (r->deviceIndex != next || r->changed) SetLightAndEnable(uint32_t(next), ToD3D(*r), 1);
            r->deviceIndex = next++;
            r->changed = 0;
        }
    for (int32_t i = next; i <= g_lights.deviceHighest; ++i) SetLightEnableCached(uint32_t(i), 0);
    g_lights.deviceHighest = next - 1;
    t.lightsChanged = t.lightsForceApply = 0;
    return 0;
}

host::D3DMATERIAL9 DeviceMaterial(const MaterialColors& m) {
    auto colour = [](const float (&c)[4]) { return host::D3DCOLORVALUE{c[0], c[1], c[2], c[3]}; };
    host::D3DMATERIAL9 out{};
    out.Diffuse = colour(m.diffuse);
    out.Ambient = colour(m.ambient);
    out.Specular = colour(m.specular);
    out.Emissive = colour(m.emissive);
    out.Power = m.power;
    return out;
}

int ApplyDefaultLight() {
    LightRecord* r = FindLight(T().defaultLight);
    if (!OnDevice() || !r) return -1;
    uint32_t index = r->deviceIndex >= 0 ? uint32_t(r->deviceIndex) : 0;
    return SetLightAndEnable(index, ToD3D(*r), r->enabled);
}

void EnableFog(int mode) {
    if (mode < 0 || mode > 3) return;
    T().fogMode = mode;
    if (OnDevice()) {
        SetFogEnableCached(mode != 0);
        SetFogModeCached(mode);
    }
}

void SetFogRGB(int red, int green, int blue) {
    T().fogColor = 0xFF000000u | uint32_t(red & 255) << 16 | uint32_t(green & 255) << 8 | uint32_t(blue & 255);
    if (OnDevice()) SetFogColorCached(T().fogColor);
}

int SetFogRange(float start, float end) {
    T().fogStart = start;
    T().fogEnd = end;
    if (OnDevice()) SetFogRangeCached(start, end);
    return 0;
}

int32_t AllocLightHandle() {
    LightTable& lt = g_lights;
    int32_t slot = lt.highWater;
    if (slot >= kLightCapacity) {
        for (slot = 0; slot < kLightCapacity && lt.slots[size_t(slot)]; ++slot) {}
        if (slot == kLightCapacity) return AddLogText("ライトハンドルの空きがありません\n");
    }
    auto r = std::make_unique<LightRecord>();
    for (int i = 0; i < 4; ++i) r->diffuse[i] = r->specular[i] = 1.0f, r->ambient[i] = 0.33f;
    r->type = 3;
    r->range = 2000;
    r->falloff = 1;
    r->attenuation[1] = 0.1f;
    r->theta = r->phi = 2.0f;
    r->check = lt.nextCheck;
    lt.nextCheck = (lt.nextCheck + 1) % 2048;
    r->handle = kLightHandleType | int32_t(r->check << 16) | slot;
    r->enabled = r->changed = 1;
    int32_t handle = r->handle;
    lt.slots[size_t(slot)] = std::move(r);
    ++lt.count;
    if (slot == lt.highWater) ++lt.highWater;
    T().lightsChanged = 1;
    return handle;
}

int32_t AddDirectionalLight(float x, float y, float z) {
    float length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0)) return -1;
    int32_t handle = AllocLightHandle();
    LightRecord* r = FindLight(handle);
    if (!r) return -1;
    r->type = 3;
    r->direction[0] = x / length;
    r->direction[1] = y / length;
    r->direction[2] = z / length;
    return handle;
}

int RemoveLightHandle(int32_t handle) {
    if (!FindLight(handle)) return -1;
    LightTable& lt = g_lights;
    int32_t slot = handle & 0xFFFF;
    lt.slots[size_t(slot)].reset();
    --lt.count;
    if (slot + 1 == lt.highWater)
        while (lt.highWater > 0 && !lt.slots[size_t(lt.highWater - 1)]) --lt.highWater;
    T().lightsChanged = 1;
    return 0;
}

int DeleteAllLightHandles() {
    for (auto& slot : g_lights.slots)
        if (slot && slot->handle != T().defaultLight) RemoveLightHandle(slot->handle);
    return 0;
}

const LightRecord* GetLightRecord(int32_t handle) { return FindLight(handle); }

int GetLightCount() { return g_lights.count; }

Vector3* TransformVector(Vector3* out, const Vector3* v, const Matrix4* m) {
    const float* a = m->m;
    Vector3 r{v->x * a[0] + v->y * a[4] + v->z * a[8] + a[12], v->x * a[1] + v->y * a[5] + v->z * a[9] + a[13],
              v->x * a[2] + v->y * a[6] + v->z * a[10] + a[14]};
    *out = r;
    return out;
}

Vector3* TransformVectorNoTranslation(Vector3* out, const Vector3* v, const Matrix4* m) {
    const float* a = m->m;
    Vector3 r{v->x * a[0] + v->y * a[4] + v->z * a[8], v->x * a[1] + v->y * a[5] + v->z * a[9],
              v->x * a[2] + v->y * a[6] + v->z * a[10]};
    *out = r;
    return out;
}

int ResetDrawSettings3D() {
    DrawSettings& d = g_draw;
    int32_t noWait = d.noVBlankWait, fallback = d.scale320Fallback;
    d = DrawSettings{};
    d.noVBlankWait = noWait;
    d.scale320Fallback = fallback;
    d.blendMaskGraph = -1;
    for (auto& stage : d.textureAddress) stage = {3, 3, 3};
    d.depth2D = 0.2f;
    d.zFunc2D = d.zFunc3D = 4;
    d.colorKeyOn = 1;
    d.maxAnisotropy = 1;
    d.cullMode = 3;
    d.alphaTestRef = -1;
    d.alphaTestFunc = -1;
    d.bright = 0xFFFFFF;
    d.blendParam = 255;
    d.maskWanted = 1;
    Transform3D& t = d.t3d;
    t.lightsChanged = 1;
    t.fogMode = 3;
    t.fogColor = 0xFFFFFFFF;
    t.fogStart = 0;
    t.fogEnd = 1500;
    t.nearZ = 10;
    t.farZ = 10000;
    t.projectionMode = 0;
    t.aspectScale = 1.0f;
    t.fov = 1.0471976f;
    t.orthoSize = 1.0f;
    t.userProjection = t.world = t.view = t.projection = t.secondProjection = Identity();
    t.targetViewport = t.targetViewportInverse = Identity();
    t.material.diffuse[0] = t.material.diffuse[1] = t.material.diffuse[2] = 0.8f;
    t.material.diffuse[3] = 1.0f;
    t.material.specular[0] = t.material.specular[1] = t.material.specular[2] = 0.8f;
    t.material.power = 20;
    t.materialChanged = 1;
    t.extraScale = 1.0f;
    if (Graphics().softScreen) d.softTarget = Graphics().softScreen;
    d.drawTarget = -2;
    SetDrawTarget(-4);
    t.defaultLight = AddDirectionalLight(1, -1, 1);
    // The target's camera set near and far; the reset values stand for the projection.
    t.nearZ = 10;
    t.farZ = 10000;
    t.fov = 1.0471976f;
    return 0;
}

}  // namespace orvik
