// The one draw state every drawing function reads, on the device path and in the
// software renderer alike: where to draw, how to mix, how to sample, and the transform
// and lighting half (camera, projection, fog, material, lights). ResetDrawSettings3D puts
// it to its start values when graphics starts.
#pragma once
#include <array>
#include <cstdint>

#include "engine/platform/base/matrix.h"

namespace orvik {

struct MEMIMG;

struct DrawArea {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // x2 and y2 exclusive
    float fx1 = 0, fy1 = 0, fx2 = 0, fy2 = 0;
    int32_t empty = 1;
    int32_t given[4] = {};  // as the caller last gave them
};

struct MaterialColors {
    float diffuse[4] = {}, specular[4] = {}, ambient[4] = {}, emissive[4] = {};
    float power = 0;
};

// The transform and lighting state.
struct Transform3D {
    Matrix4 world{}, view{}, projection{}, secondProjection{};
    Matrix4 targetViewport{}, targetViewportInverse{};
    float viewportCenterX = 0, viewportCenterY = 0;
    // Derived values, recomputed when stale.
    Matrix4 viewProjection{}, worldViewProjection{};
    float cameraAxes[3][4] = {};  // right, up, forward
    int32_t derivedStale = 1;
    int32_t viewSet = 0, projectionSet = 0;
    int32_t projectionMode = 0;  // 0 perspective, 1 orthographic, 2 the caller's matrix
    float fov = 0, nearZ = 0, farZ = 0, aspectScale = 0, orthoSize = 0;
    Matrix4 userProjection{};
    int32_t fogMode = 0;  // 0 none, 1 exp, 2 exp2, 3 linear
    uint32_t fogColor = 0;
    float fogStart = 0, fogEnd = 0;
    MaterialColors material;
    int32_t materialChanged = 0;
    int32_t lightsChanged = 0, lightsForceApply = 0;
    int32_t defaultLight = -1;
    float extraScale = 0;
};

struct DrawSettings {
    int32_t drawTarget = -2;
    int32_t targetWidth = 0, targetHeight = 0;
    DrawArea area;
    int32_t blendMode = 0, blendParam = 255;
    uint32_t bright = 0xFFFFFF;  // 0x00RRGGBB
    int32_t filterMode = 0;
    int32_t blendMaskGraph = -1, blendMaskBorder = 0, blendMaskRange = 0;
    int32_t blendMaskOffsetX = 0, blendMaskOffsetY = 0;
    // Device path: the mask's first texture size and its reciprocals (mask coordinates).
    float blendMaskTexWidth = 0, blendMaskTexHeight = 0, blendMaskInvWidth = 0, blendMaskInvHeight = 0;
    // Sampler addressing of the eight stages (U, V, W).
    std::array<std::array<int32_t, 3>, 8> textureAddress{};
    int32_t maxAnisotropy = 0;
    int32_t cullMode = 0;
    float depth2D = 0;
    int32_t zEnable2D = 0, zWrite2D = 0, zFunc2D = 0;
    int32_t zEnable3D = 0, zWrite3D = 0, zFunc3D = 0;
    int32_t alphaTestFunc = 0, alphaTestRef = 0;
    int32_t colorKeyOn = 0;
    int32_t creationBitDepth = 0;
    // The mask screen: wanted, made, active.
    int32_t maskWanted = 0, maskMade = 0, maskActive = 0;
    // Kept across the reset: presentation pacing and the 320 x 240 fallback.
    int32_t noVBlankWait = 0;
    int32_t scale320Fallback = 0;
    Transform3D t3d;
    // Software path: the image drawn into and the blend mask's image.
    MEMIMG* softTarget = nullptr;
    MEMIMG* softBlendMask = nullptr;
    // Device path: the vertex diffuse colour made from parameter and brightness.
    uint32_t diffuse = 0xFFFFFFFF;
};

DrawSettings& Draw();

}  // namespace orvik
