// The shader interpreter: one invocation of a decoded program over its register files, or
// four pixel invocations of a 2x2 quad run together so that derivatives are the exact
// differences between neighbours. Vertex and pixel code share it; what differs is which
// files they fill and read.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "host/d3d9/shader/draw_watchdog.h"
#include "host/d3d9/shader/shader_program.h"

namespace host {

struct Vec4 {
    float v[4] = {0, 0, 0, 0};
    float& operator[](int i) { return v[i]; }
    float operator[](int i) const { return v[i]; }
};

// Saturation as the hardware clamps: NaN becomes 0, so a saturated value always lies in 0..1.
inline float Saturate(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; }

// How a texture instruction picks its mip level: from the slope the rasteriser measured
// for the sampler (texld outside a quad), from gradients (texldd, and texld in a quad), or
// from the coordinate's w (texldl).
enum class LevelFrom : uint8_t { Slope, Gradients, Explicit };

struct TexelRequest {
    bool projected = false;  // texldp: x, y and z divided by w
    bool biased = false;     // texldb: w biases the level
    LevelFrom level = LevelFrom::Slope;
    Vec4 ddx, ddy;           // of the (projected) coordinate, per pixel
};

// Pixel code also runs on rows of pixels whose flow agrees, kLanes at a time
// (shader_lanes.h): a component of a register across the lanes, a register, and a source
// as read (its swizzled components, each a row).
constexpr int kLanes = 64;
struct alignas(32) LaneRow {
    float v[kLanes];
};
struct LaneRegister {
    LaneRow c[4];
};
struct LaneValue {
    const LaneRow* c[4];
};
inline Vec4 LaneOf(const LaneValue& v, int lane) {
    return Vec4{{v.c[0]->v[lane], v.c[1]->v[lane], v.c[2]->v[lane], v.c[3]->v[lane]}};
}
// Four lanes as one vector of the compiler's extension, the width every x86-64 processor
// has: each lane is computed as the scalar operation computes it. A row is kLanes / 4 of them.
using Floats4 = float __attribute__((vector_size(16)));
using Ints4 = int32_t __attribute__((vector_size(16)));
constexpr int kLaneChunks = kLanes / 4;
inline Floats4 ChunkOf(const LaneRow& r, int chunk) {
    Floats4 v;
    std::memcpy(&v, r.v + 4 * chunk, sizeof v);
    return v;
}
inline void SetChunk(LaneRow& r, int chunk, const Floats4& v) { std::memcpy(r.v + 4 * chunk, &v, sizeof v); }
inline Floats4 Saturate(const Floats4& x) {
    const Floats4 zero = {}, one = zero + 1.0f;
    return x > zero ? (x < one ? x : one) : zero;
}
// Colours 0xAARRGGBB: where red, green, blue and alpha lie, a channel of four of them as
// 0 to 1, and a value (saturated) as its nearest byte put back in its place.
constexpr int kChannelShift[4] = {16, 8, 0, 24};
inline Floats4 ChannelOf(const Ints4& colors, int shift) {
    return __builtin_convertvector((colors >> shift) & 255, Floats4) / 255.0f;
}
inline Ints4 ChannelBits(const Floats4& value, int shift) {
    return __builtin_convertvector(Saturate(value) * 255.0f + 0.5f, Ints4) << shift;
}

class ShaderSampler {
public:
    virtual Vec4 Sample(int sampler, const Vec4& coord, const TexelRequest& how) = 0;
    // For the first `count` lanes of a row: the colours (0xAARRGGBB) whose channels Sample
    // gives, for a caller that wants them as bytes or converts a row at once.
    virtual void TexelLanes(int sampler, const LaneValue& coord, const TexelRequest& how, int count,
                            uint32_t out[kLanes]) = 0;

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
    std::array<Vec4, kMaxTemps> r;
    std::array<Vec4, kVertexInputs> v;     // vertex inputs, the pixel colours v0 and v1, or model 3.0 pixel inputs
    std::array<Vec4, kTexCoordRegs> t;     // pixel texture coordinates
    std::array<Vec4, 3> rastOut;           // oPos, oFog (x), oPts (x)
    std::array<Vec4, 2> attrOut;           // oD0, oD1
    std::array<Vec4, kOutputRegs> texOut;  // oT0..oT7, or the model 3.0 outputs o0..o11
    std::array<Vec4, kColorOutputs> colorOut;
    std::array<Vec4, 2> misc;              // vPos and vFace
    Vec4 depthOut;
    Vec4 predicate;                        // p0: each component 1 (true) or 0
    bool killed = false;
};

// Executed instructions one invocation may take; beyond it the run stops.
constexpr int kShaderInstructionBudget = 65535;

// Runs `p` once, counting what it executes on `watchdog` when one is given. False when the
// run did not end by itself: the instruction budget or the call or loop stack ran out (the
// results are then not to be used). Derivatives read 0.
bool RunShader(const ShaderProgram& p, const ProgramConstants& consts, ShaderRegisters& regs,
               ShaderSampler* sampler, DrawWatchdog* watchdog = nullptr);

// Runs pixel code for the quad (x, y), (x + 1, y), (x, y + 1), (x + 1, y + 1), in that
// order, helper pixels included, counting what they execute on `watchdog`. `ok[n]` says
// whether invocation n ended by itself. Where invocations have taken different paths, a
// derivative reads 0 across the split.
void RunShaderQuad(const ShaderProgram& p, const ProgramConstants& consts, std::span<ShaderRegisters, 4> regs,
                   ShaderSampler* sampler, bool ok[4], DrawWatchdog& watchdog);

}  // namespace host
