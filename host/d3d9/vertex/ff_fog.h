// Fog: the factor from a distance (1 keeps the colour, 0 is all fog colour) under the
// linear and exponential modes, and its blend into a pixel after texturing and specular.
#pragma once
#include <cstdint>

#include "host/d3d9/device/d3d9_types.h"

namespace host {

struct FogCurve {
    DWORD mode = D3DFOG_NONE;
    float start = 0, end = 1, density = 1;
};

float FogFactor(const FogCurve& curve, float distance);
// The factor as the 0..255 a colour's alpha byte carries between vertices and pixels.
uint32_t FogByte(float factor);

// What the pixel stage does with fog. Without a table mode the factor is the interpolated
// specular alpha (the vertex stage put it there, or the caller did for pre-transformed
// vertices); with one it is worked out per pixel from the depth: the eye distance w under
// a perspective projection, else z.
struct PixelFog {
    bool enabled = false;
    bool table = false, fromW = false;
    FogCurve curve;
    uint32_t color = 0;
};

// The device's fog states for the pixel stage (`renderStates` indexed by D3DRS_*).
PixelFog MakePixelFog(const DWORD* renderStates, const D3DMATRIX& projection);
// The curve of fog `mode` with the start, end and density states (floats in DWORDs).
FogCurve MakeFogCurve(const DWORD* renderStates, DWORD mode);

// The colour with fog blended in; alpha is left as it is.
uint32_t ApplyFog(const PixelFog& fog, uint32_t color, uint32_t specular, float z, float w);

}  // namespace host
