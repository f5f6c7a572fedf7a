// The engine's mirror of the shader constant registers. Lights, material, fog and the
// matrices are kept here as four-float registers whether or not the device runs
// programmable shaders, so switching to them later finds the values already in place.
#pragma once
#include <array>
#include <cstdint>

namespace orvik {

constexpr int kVertexConstantRegisters = 256;
constexpr int kPixelConstantRegisters = 32;

struct ShaderConstantMirror {
    std::array<std::array<float, 4>, kVertexConstantRegisters> vertex{};
    std::array<std::array<float, 4>, kPixelConstantRegisters> pixel{};
};

ShaderConstantMirror& ShaderConstants();
void ResetShaderConstants();

// count four-float registers from start: into the mirror always, and into the device when
// it runs programmable shaders. A range outside the registers is -1 and changes nothing.
int SetVertexShaderConstants(int start, const float* data, int count);
int SetPixelShaderConstants(int start, const float* data, int count);
// Vertex register 0 = (0, 1, 0, 0) and pixel register 0 = (0, 0.5, 1, 2): the constants
// the engine's own shaders take their 0, 1, 0.5 and 2 from.
void SetDefaultShaderConstants();

}  // namespace orvik
