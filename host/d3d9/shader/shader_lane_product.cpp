// The texel-times-factor programs of the lanes (and those that move the texel to the
// colour as it is): found when the program is compiled, and run as one step from the
// texels to the colours' bytes. Each lane computes what the instructions compute (a
// texel's channel as the lookup gives it, times the factor's component) and converts it
// as a run's colour output is converted; the saturation of that conversion makes any
// _sat of the writes between change nothing.
#include <algorithm>

#include "host/d3d9/shader/shader_lanes.h"

namespace host {
namespace {

bool Whole(const ShaderInstruction& in) { return !in.predicated && in.dest.mask == 0xF; }

bool Plain(const SourceOperand& s, int file, int index) {
    return s.file == file && s.index == index && !s.relative && s.modifier == SourceModifier::None &&
           s.swizzle[0] == 0 && s.swizzle[1] == 1 && s.swizzle[2] == 2 && s.swizzle[3] == 3;
}

bool ColorOutput(const DestOperand& d) { return d.file == kFileColorOut && d.index == 0; }

// mov oC0, r#temp.
bool MovesToColor(const ShaderInstruction& in, int temp) {
    return in.op == kOpMov && Whole(in) && ColorOutput(in.dest) && Plain(in.src[0], kFileTemp, temp);
}

}  // namespace

std::optional<LaneProgram::TexelProduct> LaneProgram::FindProduct(const ShaderProgram& p) {
    const std::vector<ShaderInstruction>& code = p.code;
    if (code.size() < 3 || code.size() > 4 || code.back().op != kOpRet) return std::nullopt;
    const ShaderInstruction &lookup = code[0], &mul = code[1];
    if (lookup.op != kOpTex || !Whole(lookup) || lookup.dest.file != kFileTemp) return std::nullopt;
    TexelProduct tp;
    tp.instructions = int(code.size()) - 1;
    if (code.size() == 3 && MovesToColor(mul, lookup.dest.index)) {
        tp.factor = -1;
        return tp;
    }
    if (mul.op != kOpMul || !Whole(mul)) return std::nullopt;
    tp.factor = Plain(mul.src[0], kFileTemp, lookup.dest.index) ? 1 : 0;
    if (!Plain(mul.src[1 - tp.factor], kFileTemp, lookup.dest.index) || mul.src[tp.factor].file == kFileTemp)
        return std::nullopt;
    if (code.size() == 3) return ColorOutput(mul.dest) ? std::optional(tp) : std::nullopt;
    return mul.dest.file == kFileTemp && MovesToColor(code[2], mul.dest.index) ? std::optional(tp) : std::nullopt;
}

void LaneRun::RunProduct(int count, ShaderSampler* sampler, DrawWatchdog& watchdog, const LaneKernels& kernels,
                         uint32_t colors[kLanes]) {
    const LaneProgram::TexelProduct& tp = *lp_.Product();
    const ShaderInstruction& lookup = lp_.Program().code[tp.lookup];
    LaneRegister scratch[2];
    const LaneValue coord = Read(lp_.StepAt(tp.lookup).src[0], &scratch[0]);
    LaneValue factor;
    if (tp.factor >= 0) factor = Read(lp_.StepAt(tp.product).src[tp.factor], &scratch[1]);
    uint32_t texels[kLanes] = {};  // no sampler: the lookup gives zeros
    if (sampler) Texels(lookup, coord, sampler, count, texels);
    kernels.productColors(texels, tp.factor >= 0 ? &factor : nullptr, count, colors);
    std::fill_n(killed_, kLanes, false);
    anyKilled_ = false;
    watchdog.Count(int64_t(tp.instructions) * count, count);
}

}  // namespace host
