// Where the render-state cache mirrors its states in the engine's shader constants, so the
// pack's programs find them: four-float vertex registers, pixel registers and vertex
// boolean registers.
#pragma once

namespace orvik {

// Vertex float registers.
constexpr int kVcDefaults = 0;        // (0, 1, 0, 0)
constexpr int kVcProjection = 1;      // 4 rows
constexpr int kVcView = 5;            // 4 rows
constexpr int kVcFog = 9;             // start, end, density, 1 / (end - start)
constexpr int kVcAmbient = 10;        // global ambient colour, alpha 1
constexpr int kVcMaterial = 11;       // diffuse, ambient, specular (power in w)
constexpr int kVcViewInverse = 14;    // 4 rows
// Per light: diffuse, ambient, specular, position (w: the light type) and direction in view
// space, and (attenuation 0, 1, 2, range).
constexpr int kVcLights = 20;
constexpr int kVcLightRegisters = 6;
constexpr int kShaderLights = 8;

// Pixel float registers.
constexpr int kPcDefaults = 0;        // (0, 0.5, 1, 2)
constexpr int kPcMaterial = 2;        // diffuse, specular (power in w), emissive
constexpr int kPcTextureFactor = 5;

// Vertex boolean registers: the fog mode (none, exp, exp2, linear, one of them set) and
// the lights that are on.
constexpr int kVbFogModes = 0;
constexpr int kVbLights = 4;

}  // namespace orvik
