// Camera, projection, fog, material, light handles and the reset of the whole draw
// state at graphics start-up.
#pragma once
#include <orvik/scene3d.h>
#include <cstdint>

#include "engine/graphics/draw/draw_settings.h"
#include "host/d3d9/device/d3d9_types.h"

namespace orvik {

constexpr int32_t kLightHandleType = 0x48000000;
constexpr int kLightCapacity = 4096;

int SetProjectionSecondMatrix(const Matrix4& m);
int SetupTargetViewportMatrix(float centerX, float centerY);
int SetProjectionUserMatrix(const Matrix4& m);
int UpdateProjectionMatrix();
int UpdateViewMatrix();
int UpdateDeviceLights();
// Writes the default light and its on state to the device (a new device has no lights).
int ApplyDefaultLight();
// The draw state's material as the device takes it.
host::D3DMATERIAL9 DeviceMaterial(const MaterialColors& m);

// Light handles: -1 when the table is full.
int32_t AllocLightHandle();
// The light description of a live handle, or null (tests read it).
struct LightRecord;
const LightRecord* GetLightRecord(int32_t handle);

struct LightRecord {
    uint32_t check = 0;
    int32_t handle = -1;
    uint32_t type = 0;
    float diffuse[4] = {}, specular[4] = {}, ambient[4] = {};
    float position[3] = {}, direction[3] = {};
    float range = 0, falloff = 0, attenuation[3] = {}, theta = 0, phi = 0;
    int32_t deviceIndex = -1;
    int32_t enabled = 0, changed = 0;
};

Vector3* TransformVector(Vector3* out, const Vector3* v, const Matrix4* m);
Vector3* TransformVectorNoTranslation(Vector3* out, const Vector3* v, const Matrix4* m);

int ResetDrawSettings3D();
// The whole draw state and the light table back to a fresh program's (tests).
void ResetDrawState();

}  // namespace orvik
