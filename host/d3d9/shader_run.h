// The shader model 2.0 interpreter: one invocation of a decoded program over its register
// files. Vertex and pixel code share it; what differs is which files they fill and read.
#pragma once
#include <array>
#include <span>
#include <vector>

#include "host/d3d9/shader_program.h"

namespace host {

struct Vec4 {
    float v[4] = {0, 0, 0, 0};
    float& operator[](int i) { return v[i]; }
    float operator[](int i) const { return v[i]; }
};

// Saturation as the hardware clamps: NaN becomes 0, so a saturated value always lies in 0..1.
inline float Saturate(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; }

// Texture lookups of pixel code: texld's variant (0 plain, 1 projected, 2 biased).
class ShaderSampler {
public:
    virtual Vec4 Sample(int sampler, const Vec4& coord, int variant) = 0;

protected:
    ~ShaderSampler() = default;
};

// The constants of one draw: the device's registers with the program's own definitions
// written over them.
struct ProgramConstants {
    std::vector<Vec4> f;
    std::array<std::array<int, 4>, kIntConsts> i{};
    std::array<int, kBoolConsts> b{};

    void Load(const ShaderProgram& p, std::span<const float> deviceF, std::span<const int> deviceI,
              std::span<const int> deviceB);
};

struct ShaderRegisters {
    std::array<Vec4, kShaderTemps> r;
    std::array<Vec4, kVertexInputs> v;     // vertex inputs, or the pixel colours v0 and v1
    std::array<Vec4, kTexCoordRegs> t;     // pixel texture coordinates
    std::array<Vec4, 3> rastOut;           // oPos, oFog (x), oPts (x)
    std::array<Vec4, 2> attrOut;           // oD0, oD1
    std::array<Vec4, kTexCoordRegs> texOut;
    std::array<Vec4, kColorOutputs> colorOut;
    Vec4 depthOut;
    bool killed = false;
};

// Executed instructions one invocation may take (vs_2_0's limit); beyond it the run stops.
constexpr int kShaderInstructionBudget = 65535;

// Runs `p` once. False when the run did not end by itself: the instruction budget or the
// call or loop stack ran out (the results are then not to be used).
bool RunShader(const ShaderProgram& p, const ProgramConstants& consts, ShaderRegisters& regs,
               ShaderSampler* sampler);

}  // namespace host
