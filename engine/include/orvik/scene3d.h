// 3D drawing state: the camera and projection, lights, fog, texture addressing, vertex
// and index buffers and shaders held by handles, and model handles. Every call returns 0 (or a
// handle) on success and -1 on failure unless noted.
#pragma once
#include <cstdint>

#include <orvik/math.h>

namespace orvik {

// Camera and projection.
// The view (camera) matrix.
int SetViewMatrix(const Matrix4& m);
// A projection matrix of the program's own in place of the engine's perspective one.
int SetProjectionMatrix(const Matrix4& m);
// The world matrix of the next 3D draws.
int SetWorldMatrix(const Matrix4& m);
// The perspective projection's field of view, in radians.
int SetProjectionFov(float fov);
// The perspective projection's near and far planes.
int SetProjectionNearFar(float nearZ, float farZ);

// Lights.
// A white directional light shining along (x, y, z); its handle.
int32_t AddDirectionalLight(float x, float y, float z);
int RemoveLightHandle(int32_t handle);
// Removes every light but the default one.
int DeleteAllLightHandles();
// Lights in the table, the default one included.
int GetLightCount();
// 1 lights what is drawn in 3D, 0 draws it unlit.
int SetLightingEnable(int on);

// Fog.
// 0 off; 1 exponential, 2 squared exponential, 3 linear.
void EnableFog(int mode);
void SetFogRGB(int red, int green, int blue);
// Where linear fog starts and where it is whole.
int SetFogRange(float start, float end);

// Texture addressing of a texture stage (0 to 7, or -1 for all): 1 wrap, 2 mirror, 3 clamp, 4 border.
int SetTextureAddressU(int mode, int stage);
int SetTextureAddressV(int mode, int stage);
int SetTextureAddressW(int mode, int stage);

// Vertex and index buffers: `count` elements of `size` bytes, kept in memory and on the device.
int32_t AllocVertexBufferHandle(int32_t size, int32_t count);
int32_t AllocIndexBufferHandle(int32_t size, int32_t count);
// Copies `count` elements from `data` into the buffer from element `start`.
int SetVertexBufferData(int32_t start, const void* data, int32_t count, int32_t handle);
int SetIndexBufferData(int32_t start, const void* data, int32_t count, int32_t handle);
int DeleteVertexBufferHandle(int32_t handle);
int DeleteIndexBufferHandle(int32_t handle);
int DeleteAllVertexBufferHandles();
int DeleteAllIndexBufferHandles();

// Shader handles: shader model 2.0 bytecode kept under a handle, and the constant
// registers the shaders read.
// Keeps the code and, with a device, makes its shader object (kind 0 pixel, else
// vertex); its handle, or -1 without code or when the device refuses the code (logged).
int32_t AllocShaderHandle(int32_t kind, const void* code, int32_t bytes);
int DeleteShaderHandle(int32_t handle);
int DeleteAllShaderHandles();
// count four-float registers from start; -1 and nothing changed for a range outside them.
int SetVertexShaderConstants(int start, const float* data, int count);
int SetPixelShaderConstants(int start, const float* data, int count);

// Model handles (bases and their instances).
// Lowers the base's reference count, freeing it and its textures at 0.
int DeleteModelBase(int32_t handle);
// Frees the instance and lets go of its base.
int DeleteModelInstance(int32_t handle);

}  // namespace orvik
