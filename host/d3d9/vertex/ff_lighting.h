// Fixed-function vertex lighting: the enabled lights moved into camera space once per
// draw, and each vertex's diffuse and specular colours from them, the material and the
// global ambient.
#pragma once
#include <array>
#include <cstdint>

#include "host/d3d9/device/d3d9_types.h"

namespace host {

constexpr int kMaxActiveLights = 8;

struct Rgb {
    float r = 0, g = 0, b = 0;
};

// One light in camera space.
struct CameraLight {
    D3DLIGHTTYPE type = D3DLIGHT_DIRECTIONAL;
    Rgb diffuse, specular, ambient;
    float position[3] = {};
    float toLight[3] = {};  // directional lights: the unit vector towards the light
    float spotAxis[3] = {};  // spot lights: the unit direction the light shines in
    float range = 0, attenuation[3] = {};
    float cosHalfTheta = 1, cosHalfPhi = 1, falloff = 1;
};

struct LightingSetup {
    bool enabled = false;
    int count = 0;
    std::array<CameraLight, kMaxActiveLights> lights;
    Rgb globalAmbient;
    D3DMATERIAL9 material;
    // Where each material colour comes from (D3DMCS_*), already resolved against
    // D3DRS_COLORVERTEX.
    DWORD diffuseSource = D3DMCS_MATERIAL, specularSource = D3DMCS_MATERIAL;
    DWORD ambientSource = D3DMCS_MATERIAL, emissiveSource = D3DMCS_MATERIAL;
    bool normalize = false, localViewer = true, specular = false;
};

// The light as the camera sees it: positions and directions through `view`.
CameraLight ToCameraSpace(const D3DLIGHT9& light, const D3DMATRIX& view);

// A vertex's colours after lighting. `position` and `normal` are in camera space; a vertex
// without a normal passes null and gets the ambient and emissive terms only. The vertex's
// own colours are read where a material source names them and the vertex has them
// (`vertexDiffuse`/`vertexSpecular` null otherwise). The specular alpha, which carries the
// fog factor, is 255: no fog unless the vertex fog sets one.
struct LitColors {
    uint32_t diffuse = 0, specular = 0;
};
LitColors LightVertex(const LightingSetup& setup, const float position[3], const float* normal,
                      const uint32_t* vertexDiffuse, const uint32_t* vertexSpecular);

}  // namespace host
