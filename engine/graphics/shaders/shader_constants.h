// The engine's mirror of the shader constant registers. Lights, material, fog and the
// matrices are kept here as four-float registers whether or not the device runs
// programmable shaders, so switching to them later finds the values already in place.
#pragma once
#include <orvik/scene3d.h>
#include <array>
#include <cstdint>
#include <vector>

namespace orvik {

constexpr int kVertexConstantRegisters = 256;
constexpr int kPixelConstantRegisters = 32;

constexpr int kIntConstantRegisters = 16;
constexpr int kBoolConstantRegisters = 16;


struct ShaderConstantMirror {
    std::array<std::array<float, 4>, kVertexConstantRegisters> vertex{};
    std::array<std::array<float, 4>, kPixelConstantRegisters> pixel{};
    std::array<int32_t, kBoolConstantRegisters> vertexBool{};
    // A caller's set is on the device: the engine's writes go to the mirror only, so they
    // do not overwrite it.
    int32_t userSetActive = 0;
};

// A caller's constants for one shader kind: float, integer and boolean registers, each
// range starting at its own register.
struct ShaderConstantRanges {
    int32_t floatStart = 0, intStart = 0, boolStart = 0;
    std::vector<std::array<float, 4>> floats;
    std::vector<std::array<int32_t, 4>> ints;
    std::vector<int32_t> bools;
};
struct UserShaderConstantSet {
    ShaderConstantRanges vertex, pixel;
};

ShaderConstantMirror& ShaderConstants();
void ResetShaderConstants();

// SetVertexShaderConstants and SetPixelShaderConstants (<orvik/scene3d.h>) write the
// mirror always, and the device when it runs programmable shaders.
// count vertex boolean registers from start, alike.
int SetVertexShaderBools(int start, const int32_t* data, int count);
// Vertex register 0 = (0, 1, 0, 0) and pixel register 0 = (0, 0.5, 1, 2): the constants
// the engine's own shaders take their 0, 1, 0.5 and 2 from.
void SetDefaultShaderConstants();
// Puts a constant set on the device: null the engine's own (every register of the mirror),
// else the caller's ranges. A range outside the registers is -1 and changes nothing.
int UploadShaderConstants(const UserShaderConstantSet* set);

}  // namespace orvik
