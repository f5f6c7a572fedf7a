#include "host/d3d9/shader/shader_rules.h"

namespace host {
namespace {

// Which models and kinds have an opcode: vertex code from model `vertexFrom` on, pixel
// code from `pixelFrom` on (kNever for none).
constexpr int kNever = 9;

struct OpRule {
    uint16_t op;
    bool dest;
    uint8_t sources;
    int vertexFrom, pixelFrom;
};

constexpr OpRule kRules[] = {
    {kOpNop, false, 0, kModel20, kModel20},     {kOpMov, true, 1, kModel20, kModel20},
    {kOpRcp, true, 1, kModel20, kModel20},      {kOpRsq, true, 1, kModel20, kModel20},
    {kOpExp, true, 1, kModel20, kModel20},      {kOpLog, true, 1, kModel20, kModel20},
    {kOpFrc, true, 1, kModel20, kModel20},      {kOpAbs, true, 1, kModel20, kModel20},
    {kOpNrm, true, 1, kModel20, kModel20},      {kOpAdd, true, 2, kModel20, kModel20},
    {kOpSub, true, 2, kModel20, kModel20},      {kOpMul, true, 2, kModel20, kModel20},
    {kOpDp3, true, 2, kModel20, kModel20},      {kOpDp4, true, 2, kModel20, kModel20},
    {kOpMin, true, 2, kModel20, kModel20},      {kOpMax, true, 2, kModel20, kModel20},
    {kOpPow, true, 2, kModel20, kModel20},      {kOpCrs, true, 2, kModel20, kModel20},
    {kOpM4x4, true, 2, kModel20, kModel20},     {kOpM4x3, true, 2, kModel20, kModel20},
    {kOpM3x4, true, 2, kModel20, kModel20},     {kOpM3x3, true, 2, kModel20, kModel20},
    {kOpM3x2, true, 2, kModel20, kModel20},     {kOpMad, true, 3, kModel20, kModel20},
    {kOpLrp, true, 3, kModel20, kModel20},      {kOpSinCos, true, 3, kModel20, kModel20},
    {kOpSlt, true, 2, kModel20, kNever},        {kOpSge, true, 2, kModel20, kNever},
    {kOpDst, true, 2, kModel20, kNever},        {kOpLit, true, 1, kModel20, kNever},
    {kOpExpp, true, 1, kModel20, kNever},       {kOpLogp, true, 1, kModel20, kNever},
    {kOpMova, true, 1, kModel20, kNever},       {kOpCall, false, 1, kModel20, kModel2x},
    {kOpLabel, false, 1, kModel20, kModel2x},   {kOpRep, false, 1, kModel20, kModel2x},
    {kOpIf, false, 1, kModel20, kModel2x},      {kOpCallNz, false, 2, kModel20, kModel2x},
    {kOpLoop, false, 2, kModel20, kModel30},    {kOpRet, false, 0, kModel20, kModel2x},
    {kOpEndLoop, false, 0, kModel20, kModel30}, {kOpEndRep, false, 0, kModel20, kModel2x},
    {kOpElse, false, 0, kModel20, kModel2x},    {kOpEndIf, false, 0, kModel20, kModel2x},
    {kOpIfC, false, 2, kModel2x, kModel2x},     {kOpBreak, false, 0, kModel2x, kModel2x},
    {kOpBreakC, false, 2, kModel2x, kModel2x},  {kOpBreakP, false, 1, kModel2x, kModel2x},
    {kOpSetP, true, 2, kModel2x, kModel2x},     {kOpTexKill, true, 0, kNever, kModel20},
    {kOpTex, true, 2, kNever, kModel20},        {kOpCmp, true, 3, kNever, kModel20},
    {kOpDp2Add, true, 3, kNever, kModel20},     {kOpDsx, true, 1, kNever, kModel2x},
    {kOpDsy, true, 1, kNever, kModel2x},        {kOpTexLdd, true, 4, kNever, kModel2x},
    {kOpTexLdl, true, 2, kModel30, kModel30},
};

}  // namespace

bool ShapeOf(uint32_t op, bool pixel, ShaderModel model, OpShape* shape) {
    if (op == kOpSgn) {
        // sgn needs two scratch temporaries before model 3.0.
        *shape = {true, uint8_t(model == kModel30 ? 1 : 3)};
        return !pixel;
    }
    for (const OpRule& r : kRules) {
        if (r.op != op) continue;
        if (int(model) < (pixel ? r.pixelFrom : r.vertexFrom)) return false;
        *shape = {r.dest, r.sources};
        return true;
    }
    return false;
}

int SourceFileSize(bool pixel, ShaderModel model, int file) {
    const bool m30 = model == kModel30, m20 = model == kModel20;
    switch (file) {
        case kFileTemp: return m20 ? kShaderTemps : kMaxTemps;
        case kFileInput: return pixel ? (m30 ? kPixel30Inputs : kColorInputs) : kVertexInputs;
        case kFileConst: return pixel ? (m30 ? kPixel30Consts : kPixelConsts) : kVertexConsts;
        case kFileAddr: return pixel ? (m30 ? 0 : kTexCoordRegs) : 1;
        case kFileConstInt: return kIntConsts;
        case kFileConstBool: return kBoolConsts;
        case kFileSampler: return pixel ? kShaderSamplers : (m30 ? kVertexSamplers : 0);
        case kFileLabel: return pixel && m20 ? 0 : (m30 ? 2048 : 16);
        case kFileLoop: return pixel && !m30 ? 0 : 1;
        case kFileMisc: return pixel && m30 ? 2 : 0;
        case kFilePredicate: return m20 ? 0 : 1;
        default: return 0;
    }
}

int DestFileSize(bool pixel, ShaderModel model, int file) {
    if (file == kFileTemp) return model == kModel20 ? kShaderTemps : kMaxTemps;
    if (file == kFilePredicate) return model == kModel20 ? 0 : 1;
    if (pixel) {
        if (file == kFileColorOut) return kColorOutputs;
        if (file == kFileDepthOut) return 1;
        return 0;
    }
    const bool m30 = model == kModel30;
    switch (file) {
        case kFileAddr: return 1;
        case kFileRastOut: return m30 ? 0 : 3;
        case kFileAttrOut: return m30 ? 0 : 2;
        case kFileOutput: return m30 ? kOutputRegs : kTexCoordRegs;
        default: return 0;
    }
}

bool RelativeAllowed(bool pixel, ShaderModel model, int file) {
    if (!pixel) return file == kFileConst || (model == kModel30 && file == kFileInput);
    return model == kModel30 && (file == kFileConst || file == kFileInput);
}

int SlotsOf(uint32_t op) {
    switch (op) {
        case kOpM4x4: case kOpM3x4: return 4;
        case kOpM4x3: case kOpM3x3: return 3;
        case kOpM3x2: return 2;
        case kOpLabel: return 0;
        default: return 1;
    }
}

bool SeparateTextureSlots(bool pixel, ShaderModel model) { return pixel && model == kModel20; }

int SlotLimit(bool pixel, ShaderModel model, bool texture) {
    if (model == kModel30) return kModel30Slots;
    if (!pixel) return kVertexSlots;
    if (model == kModel2x) return kPixel2xSlots;
    return texture ? kPixelTextureSlots : kPixelArithmeticSlots;
}

}  // namespace host
