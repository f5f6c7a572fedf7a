// A shader model 2.0 program decoded once, when its shader object is made: the token
// stream turned into a compact instruction list whose every register index is known to
// lie inside its register file, with the jumps of the flow control already matched.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/d3d9/shader_types.h"

namespace host {

// Register files by the token format's register type numbers.
enum ShaderFile : uint8_t {
    kFileTemp = 0, kFileInput = 1, kFileConst = 2, kFileAddr = 3,  // a0 in vertex code, t# in pixel code
    kFileRastOut = 4, kFileAttrOut = 5, kFileTexCrdOut = 6, kFileConstInt = 7, kFileColorOut = 8,
    kFileDepthOut = 9, kFileSampler = 10, kFileConstBool = 14, kFileLoop = 15, kFileLabel = 18,
    kFileCount = 19,
};
constexpr ShaderFile kFileTexture = kFileAddr;

// Opcodes of shader model 2.0 code.
enum ShaderOp : uint16_t {
    kOpNop = 0, kOpMov, kOpAdd, kOpSub, kOpMad, kOpMul, kOpRcp, kOpRsq, kOpDp3, kOpDp4, kOpMin, kOpMax, kOpSlt,
    kOpSge, kOpExp, kOpLog, kOpLit, kOpDst, kOpLrp, kOpFrc, kOpM4x4, kOpM4x3, kOpM3x4, kOpM3x3, kOpM3x2,
    kOpCall, kOpCallNz, kOpLoop, kOpRet, kOpEndLoop, kOpLabel, kOpDcl, kOpPow, kOpCrs, kOpSgn, kOpAbs, kOpNrm,
    kOpSinCos, kOpRep, kOpEndRep, kOpIf, kOpIfC, kOpElse, kOpEndIf, kOpBreak, kOpBreakC, kOpMova, kOpDefB,
    kOpDefI, kOpTexKill = 65, kOpTex = 66, kOpExpp = 78, kOpLogp = 79, kOpDef = 81, kOpCmp = 88,
    kOpDp2Add = 90,
};

// Source modifiers kept by shader model 2.0.
enum class SourceModifier : uint8_t { None = 0, Negate = 1, Abs = 11, AbsNegate = 12 };

struct SourceOperand {
    uint8_t file = 0;
    uint16_t index = 0;
    uint8_t swizzle[4] = {0, 1, 2, 3};
    SourceModifier modifier = SourceModifier::None;
    // Relative addressing: the index is offset by a component of a0 (or by aL).
    bool relative = false;
    uint8_t relativeFile = 0, relativeComponent = 0;
};

struct DestOperand {
    uint8_t file = 0;
    uint16_t index = 0;
    uint8_t mask = 0xF;
    bool saturate = false;
};

struct ShaderInstruction {
    uint16_t op = kOpNop;
    uint8_t control = 0;     // the opcode's specific controls (texldp, texldb)
    uint8_t sourceCount = 0;
    bool hasDest = false;
    DestOperand dest;
    SourceOperand src[3];
    // Flow control: where a block's other end lies, or the label a call enters.
    uint32_t jump = 0;
};

// A vertex input register bound by its declaration's usage and usage index.
struct InputBinding {
    uint8_t reg = 0, usage = 0, usageIndex = 0;
};

struct ShaderConstantF {
    uint16_t index;
    std::array<float, 4> value;
};
struct ShaderConstantI {
    uint16_t index;
    std::array<int, 4> value;
};
struct ShaderConstantB {
    uint16_t index;
    int value;
};

struct ShaderProgram {
    bool pixel = false;
    std::vector<ShaderInstruction> code;  // ends with the main program's end
    std::vector<ShaderConstantF> defs;
    std::vector<ShaderConstantI> defIs;
    std::vector<ShaderConstantB> defBs;
    std::vector<InputBinding> inputs;     // vertex code: dcl_usage v#
    uint32_t pixelInputs = 0;             // pixel code: bit n for t#n, bits 8 and 9 for v0 and v1
    uint16_t samplers = 0;                // pixel code: bit n when s#n is declared
    // Pixel code: the kind of texture each declared sampler reads (D3DRTYPE_TEXTURE,
    // D3DRTYPE_CUBETEXTURE or D3DRTYPE_VOLUMETEXTURE).
    std::array<uint8_t, 16> samplerTypes{};
    // Pixel code: the t# register the first texld of sampler n reads directly (mip level
    // choice follows its slope), or -1.
    std::array<int8_t, 16> samplerCoord{};
};

// Register counts of the files of each kind of program (vs_2_0 and ps_2_0 both have twelve
// temporaries).
constexpr int kShaderTemps = 12, kVertexConsts = 256, kPixelConsts = 32, kIntConsts = 16, kBoolConsts = 16;
constexpr int kVertexInputs = 16, kTexCoordRegs = 8, kColorInputs = 2, kColorOutputs = 4;
// Samplers a pixel program can declare.
constexpr int kShaderSamplers = 16;
// Instruction slots: vs_2_0 has 256; ps_2_0 has 64 arithmetic and 32 texture slots.
constexpr int kVertexSlots = 256, kPixelArithmeticSlots = 64, kPixelTextureSlots = 32;

// Whether any instruction of `p` writes register `index` of `file` (oDepth, oFog...).
bool WritesRegister(const ShaderProgram& p, int file, int index);

// Decodes code already measured by MeasureShaderCode. False, with the reason in `why`,
// for code this device cannot run: an opcode or register outside vs_2_0/ps_2_0, an index
// outside its file, unbalanced flow control, a sampler of an unknown texture type, more
// instructions than the model's slots.
bool DecodeShader(std::span<const DWORD> tokens, ShaderProgram* out, std::string* why);

}  // namespace host
