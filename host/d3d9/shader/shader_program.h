// A shader model 2.0, 2.x or 3.0 program decoded once, when its shader object is made: the token
// stream turned into a compact instruction list whose every register index is known to
// lie inside its register file, with the jumps of the flow control already matched.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/d3d9/shader/shader_types.h"

namespace host {

// Register files by the token format's register type numbers.
enum ShaderFile : uint8_t {
    kFileTemp = 0, kFileInput = 1, kFileConst = 2, kFileAddr = 3,  // a0 in vertex code, t# in pixel code
    kFileRastOut = 4, kFileAttrOut = 5, kFileTexCrdOut = 6, kFileConstInt = 7, kFileColorOut = 8,
    kFileDepthOut = 9, kFileSampler = 10, kFileConstBool = 14, kFileLoop = 15, kFileMisc = 17, kFileLabel = 18,
    kFilePredicate = 19, kFileCount = 20,
};
constexpr ShaderFile kFileTexture = kFileAddr;
// Model 3.0 vertex code names its outputs o0..o11 with the texture-coordinate output's number.
constexpr ShaderFile kFileOutput = kFileTexCrdOut;
// The misc registers of ps_3_0: the pixel's position and the face it lies on.
constexpr int kMiscPosition = 0, kMiscFace = 1;

// Opcodes of shader model 2.0 to 3.0 code.
enum ShaderOp : uint16_t {
    kOpNop = 0, kOpMov, kOpAdd, kOpSub, kOpMad, kOpMul, kOpRcp, kOpRsq, kOpDp3, kOpDp4, kOpMin, kOpMax, kOpSlt,
    kOpSge, kOpExp, kOpLog, kOpLit, kOpDst, kOpLrp, kOpFrc, kOpM4x4, kOpM4x3, kOpM3x4, kOpM3x3, kOpM3x2,
    kOpCall, kOpCallNz, kOpLoop, kOpRet, kOpEndLoop, kOpLabel, kOpDcl, kOpPow, kOpCrs, kOpSgn, kOpAbs, kOpNrm,
    kOpSinCos, kOpRep, kOpEndRep, kOpIf, kOpIfC, kOpElse, kOpEndIf, kOpBreak, kOpBreakC, kOpMova, kOpDefB,
    kOpDefI, kOpTexKill = 65, kOpTex = 66, kOpExpp = 78, kOpLogp = 79, kOpDef = 81, kOpCmp = 88,
    kOpDp2Add = 90, kOpDsx = 91, kOpDsy = 92, kOpTexLdd = 93, kOpSetP = 94, kOpTexLdl = 95, kOpBreakP = 96,
};

// The comparison of ifc, breakc and setp, in the opcode token's control field.
enum ShaderCompare : uint8_t { kCmpGt = 1, kCmpEq = 2, kCmpGe = 3, kCmpLt = 4, kCmpNe = 5, kCmpLe = 6 };

enum ShaderModel : uint8_t { kModel20 = 0, kModel2x = 1, kModel30 = 2 };

// Source modifiers kept from shader model 2.0 on; Not inverts a predicate.
enum class SourceModifier : uint8_t { None = 0, Negate = 1, Abs = 11, AbsNegate = 12, Not = 13 };

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
    bool relative = false;  // o[aL] of model 3.0 vertex code
};

struct ShaderInstruction {
    uint16_t op = kOpNop;
    uint8_t control = 0;     // the opcode's specific controls (texldp, texldb, the comparison)
    uint8_t sourceCount = 0;
    bool hasDest = false;
    // Predicated: each component is written only where the predicate's swizzled
    // component (inverted by Not) is true.
    bool predicated = false;
    SourceOperand predicate;
    DestOperand dest;
    SourceOperand src[4];
    // Flow control: where a block's other end lies, or the label a call enters.
    uint32_t jump = 0;
};

// A register bound by its declaration's usage and usage index: vertex inputs, and the
// outputs of model 3.0 vertex code and inputs of model 3.0 pixel code, which are linked
// by these.
struct InputBinding {
    uint8_t reg = 0, usage = 0, usageIndex = 0;
    uint8_t mask = 0xF;
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
    ShaderModel model = kModel20;
    std::vector<ShaderInstruction> code;  // ends with the main program's end
    std::vector<ShaderConstantF> defs;
    std::vector<ShaderConstantI> defIs;
    std::vector<ShaderConstantB> defBs;
    std::vector<InputBinding> inputs;     // vertex code and model 3.0 pixel code: dcl_usage v#
    std::vector<InputBinding> outputs;    // model 3.0 vertex code: dcl_usage o#
    // Pixel code: bit n for t#n, bits 8 and 9 for v0 and v1; model 3.0 pixel code: bit n for v#n.
    uint32_t pixelInputs = 0;
    uint16_t samplers = 0;                // bit n when s#n is declared
    // Pixel code with dsx, dsy or texldd, run on 2x2 quads so their differences are exact.
    bool derivatives = false;
    // Temporaries the code names (a matrix's further rows included): only these need
    // clearing before a run.
    uint8_t tempCount = 0;
    // The kind of texture each declared sampler reads (D3DRTYPE_TEXTURE,
    // D3DRTYPE_CUBETEXTURE or D3DRTYPE_VOLUMETEXTURE).
    std::array<uint8_t, 16> samplerTypes{};
    // Pixel code: the t# register the first texld of sampler n reads directly (mip level
    // choice follows its slope), or -1.
    std::array<int8_t, 16> samplerCoord{};
};

// Register counts of the files of each kind of program: vs_2_0 and ps_2_0 have twelve
// temporaries, 2.x and 3.0 code 32; ps_2_x has 32 float constants, ps_3_0 224.
constexpr int kShaderTemps = 12, kMaxTemps = 32, kVertexConsts = 256, kPixelConsts = 32, kPixel30Consts = 224;
constexpr int kIntConsts = 16, kBoolConsts = 16;
constexpr int kVertexInputs = 16, kTexCoordRegs = 8, kColorInputs = 2, kColorOutputs = 4;
// Model 3.0: vertex outputs o0..o11, pixel inputs v0..v9.
constexpr int kOutputRegs = 12, kPixel30Inputs = 10;
// Samplers a pixel program can declare, and a model 3.0 vertex program.
constexpr int kShaderSamplers = 16, kVertexSamplers = 4;
// Instruction slots: vs_2_0 and vs_2_x have 256; ps_2_0 has 64 arithmetic and 32 texture
// slots, ps_2_x 512 of either kind; model 3.0 code takes up to 32768 of either kind.
constexpr int kVertexSlots = 256, kPixelArithmeticSlots = 64, kPixelTextureSlots = 32, kPixel2xSlots = 512;
constexpr int kModel30Slots = 32768;
// Nesting: loop and rep blocks and calls four deep, if blocks 24.
constexpr int kStaticFlowDepth = 4, kDynamicFlowDepth = 24;

// Whether any instruction of `p` writes register `index` of `file` (oDepth, oFog...).
bool WritesRegister(const ShaderProgram& p, int file, int index);

// Decodes code already measured by MeasureShaderCode. False, with the reason in `why`,
// for code this device cannot run: an opcode or register outside its model, an index
// outside its file, unbalanced flow control, a sampler of an unknown texture type, more
// instructions than the model's slots.
bool DecodeShader(std::span<const DWORD> tokens, ShaderProgram* out, std::string* why);

}  // namespace host
