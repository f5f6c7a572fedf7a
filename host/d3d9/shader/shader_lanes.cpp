#include "host/d3d9/shader/shader_lanes.h"

#include <algorithm>
#include <cmath>

#include "host/d3d9/raster/raster_shader.h"
#include "host/d3d9/shader/shader_math.h"

namespace host {
namespace {

// Register files of pixel code as the one-pixel interpreter holds them.
constexpr int kLaneInputs = kPixel30Inputs, kMiscRegs = 2;

bool RunsInLanes(const ShaderProgram& p) {
    if (!p.pixel || p.derivatives) return false;
    for (const ShaderInstruction& in : p.code) {
        if (in.op == kOpMova) return false;
        if (in.hasDest && in.dest.relative) return false;
        for (int s = 0; s < in.sourceCount; ++s)
            if (in.src[s].relative) return false;
    }
    return true;
}

bool ReadsFloatRegister(int file) {
    return file != kFileLabel && file != kFileSampler && file != kFileConstInt && file != kFileConstBool &&
           file != kFileLoop;
}

// The components of an instruction's sources (after their swizzles) its results depend
// on: those its write mask keeps where each component is computed alone, the
// coordinates a texture lookup reads, all four otherwise.
uint8_t ComponentsUsed(const ShaderProgram& p, const ShaderInstruction& in) {
    if (in.op == kOpTex || in.op == kOpTexLdl) {
        const bool flat = p.samplerTypes[in.src[1].index & 15] == D3DRTYPE_TEXTURE;
        return uint8_t(3 | (flat ? 0 : 4) | (in.op == kOpTexLdl || in.control != 0 ? 8 : 0));
    }
    const bool perComponent = in.op == kOpSetP || WithComponentKernel(in.op, [](auto) {});
    return perComponent && in.hasDest ? in.dest.mask : 0xF;
}

// Code without flow control: every instruction runs once, in order.
bool Straight(const ShaderProgram& p) {
    for (size_t pc = 0; pc + 1 < p.code.size(); ++pc) {
        switch (p.code[pc].op) {
            case kOpCall:
            case kOpCallNz:
            case kOpLoop:
            case kOpRet:
            case kOpEndLoop:
            case kOpLabel:
            case kOpRep:
            case kOpEndRep:
            case kOpIf:
            case kOpIfC:
            case kOpElse:
            case kOpEndIf:
            case kOpBreak:
            case kOpBreakC:
            case kOpBreakP: return false;
            default: break;
        }
    }
    return true;
}

void SetLane(LaneRegister* r, int lane, const Vec4& v) {
    for (int c = 0; c < 4; ++c) r->c[c].v[lane] = v[c];
}

}  // namespace

LaneProgram::LaneProgram(const ShaderProgram& p) : p_(&p) {
    if (!RunsInLanes(p)) return;
    uint16_t at = layout_.temps;
    auto take = [&](int n) {
        const uint16_t first = at;
        at = uint16_t(at + n);
        return first;
    };
    take(p.tempCount);
    layout_.inputs = take(kLaneInputs);
    layout_.textures = take(kTexCoordRegs);
    layout_.misc = take(kMiscRegs);
    layout_.colors = take(kColorOutputs);
    layout_.depth = take(1);
    layout_.predicate = take(1);
    layout_.consts = at;
    steps_.resize(p.code.size());
    written_.assign(at, 0);
    readUnwritten_.assign(at, false);
    for (size_t pc = 0; pc < p.code.size(); ++pc) {
        const ShaderInstruction& in = p.code[pc];
        Step& s = steps_[pc];
        if (in.op == kOpTexKill) {
            s.dest = SourceSlot(in.dest.file, in.dest.index);
            MarkRead(s.dest, in.dest.mask);
        } else if (in.hasDest) {
            s.dest = DestSlot(in.dest.file, in.dest.index);
        }
        const uint8_t used = ComponentsUsed(p, in);
        for (int i = 0; i < in.sourceCount; ++i)
            if (ReadsFloatRegister(in.src[i].file)) s.src[i] = SourceOf(in.src[i], used);
        if (in.op >= kOpM4x4 && in.op <= kOpM3x2)
            for (int row = 0; row < 4; ++row) s.rows[row] = SourceOf(in.src[1], 0xF, row);
        if (in.predicated) s.predicate = SourceOf(in.predicate, 0xF);
        usesPredicate_ = usesPredicate_ || in.predicated || (in.hasDest && in.dest.file == kFilePredicate);
        for (int i = 0; i < in.sourceCount; ++i) usesPredicate_ = usesPredicate_ || in.src[i].file == kFilePredicate;
        if (in.hasDest && in.op != kOpTexKill && !in.predicated) written_[s.dest] |= in.dest.mask;
    }
    writesDepth_ = WritesRegister(p, kFileDepthOut, 0);
    FindClears(Straight(p));
    layout_.count = uint16_t(layout_.consts + constants_.size());
    product_ = FindProduct(p);
    usable_ = true;
}

// The slot a source reads: an index outside its file reads as zero (a matrix's rows).
uint16_t LaneProgram::SourceSlot(int file, int index) {
    auto in = [&](uint16_t first, int size) { return index < size ? uint16_t(first + index) : kZero; };
    switch (file) {
        case kFileTemp: return in(layout_.temps, p_->tempCount);
        case kFileInput: return in(layout_.inputs, kLaneInputs);
        case kFileTexture: return in(layout_.textures, kTexCoordRegs);
        case kFileMisc: return in(layout_.misc, kMiscRegs);
        case kFilePredicate: return layout_.predicate;
        case kFileConst: {
            const auto found = std::find(constants_.begin(), constants_.end(), uint16_t(index));
            if (found != constants_.end()) return uint16_t(layout_.consts + (found - constants_.begin()));
            constants_.push_back(uint16_t(index));
            return uint16_t(layout_.consts + constants_.size() - 1);
        }
        default: return kZero;
    }
}

// The slot a destination writes, as the one-pixel interpreter's Target picks it.
uint16_t LaneProgram::DestSlot(int file, int index) const {
    switch (file) {
        case kFileTemp: return index < p_->tempCount ? uint16_t(layout_.temps + index) : kSink;
        case kFileColorOut: return index < kColorOutputs ? uint16_t(layout_.colors + index) : kSink;
        case kFilePredicate: return layout_.predicate;
        case kFileRastOut:
        case kFileAttrOut:
        case kFileTexCrdOut: return kSink;  // vertex code's outputs
        default: return layout_.depth;
    }
}

LaneProgram::Source LaneProgram::SourceOf(const SourceOperand& s, uint8_t used, int offset) {
    Source out;
    out.slot = SourceSlot(s.file, s.index + offset);
    std::copy(s.swizzle, s.swizzle + 4, out.swizzle);
    out.modifier = s.modifier;
    uint8_t components = 0;
    for (int c = 0; c < 4; ++c)
        if (used >> c & 1) components |= uint8_t(1u << s.swizzle[c]);
    MarkRead(out.slot, components);
    return out;
}

void LaneProgram::MarkRead(uint16_t slot, uint8_t components) {
    if (reads_.size() <= slot) reads_.resize(size_t(slot) + 1);
    reads_[slot] |= components;
    if (slot < written_.size() && components & ~written_[slot]) readUnwritten_[slot] = true;
}

// Nothing of the row before may show: a run clears the registers it can read before it
// has written them whole. Where the flow can branch or loop back, that is every
// temporary the code names, oC0 (read back whole at the end), oDepth and p0 where the
// code names them; straight code only those it reads first, or leaves partly unwritten.
void LaneProgram::FindClears(bool straight) {
    // `whole`: the components read after the run.
    auto clear = [&](int slot, uint8_t whole) {
        if (!straight || readUnwritten_[size_t(slot)] || (written_[size_t(slot)] & whole) != whole)
            clears_.push_back(uint16_t(slot));
    };
    for (int t = 0; t < p_->tempCount; ++t) clear(layout_.temps + t, 0);
    clear(layout_.colors, 0xF);
    if (writesDepth_) clear(layout_.depth, 1);
    if (usesPredicate_) clear(layout_.predicate, 0);
    written_.clear();
    readUnwritten_.clear();
}

uint8_t LaneProgram::VaryingReads(int k) const {
    const size_t slot = p_->model == kModel30 || k < 2 ? size_t(layout_.inputs + k) : size_t(layout_.textures + k - 2);
    return slot < reads_.size() ? reads_[slot] : 0;
}

LaneRun::LaneRun(const LaneProgram& lp, const ProgramConstants& k)
    : lp_(lp), k_(k), block_(lp.Slots().count) {
    const std::vector<uint16_t>& consts = lp.Constants();
    for (size_t n = 0; n < consts.size(); ++n) {
        if (consts[n] >= k.f.size()) continue;
        LaneRegister& r = block_[lp.Slots().consts + n];
        for (int c = 0; c < 4; ++c) std::fill_n(r.c[c].v, kLanes, k.f[consts[n]][c]);
    }
}

ShaderHalt LaneRun::Run(int count, ShaderSampler* sampler, DrawWatchdog& watchdog) {
    // Nothing of the row before, as each one-pixel run starts from zeros.
    for (uint16_t slot : lp_.Clears()) block_[slot] = LaneRegister{};
    std::fill_n(killed_, kLanes, false);
    anyKilled_ = false;
    ShaderFlow flow(lp_.Program(), k_);
    flow_ = &flow;
    sampler_ = sampler;
    watchdog_ = &watchdog;
    count_ = count;
    const ShaderHalt halt = flow.Resume(*this);
    watchdog.Count(int64_t(flow.Executed()) * count, count);
    flow_ = nullptr;
    return halt;
}

LaneValue LaneRun::Read(const LaneProgram::Source& s, LaneRegister* scratch) const {
    const LaneRegister& r = block_[s.slot];
    LaneValue v;
    for (int c = 0; c < 4; ++c) v.c[c] = &r.c[s.swizzle[c]];
    if (s.modifier == SourceModifier::None) return v;
    const bool abs = s.modifier == SourceModifier::Abs || s.modifier == SourceModifier::AbsNegate;
    const bool negate = s.modifier == SourceModifier::Negate || s.modifier == SourceModifier::AbsNegate;
    for (int c = 0; c < 4; ++c) {
        for (int l = 0; l < kLanes; ++l) {
            float f = v.c[c]->v[l];
            if (abs) f = std::fabs(f);
            if (negate) f = -f;
            scratch->c[c].v[l] = f;
        }
        v.c[c] = &scratch->c[c];
    }
    return v;
}

bool LaneRun::PredicateOn(const LaneProgram::Source& p, int component, int lane) const {
    return (block_[p.slot].c[p.swizzle[component]].v[lane] != 0) != (p.modifier == SourceModifier::Not);
}

bool LaneRun::ConditionIn(const ShaderInstruction& in, int source, int lane) const {
    const SourceOperand& s = in.src[source];
    return s.file == kFilePredicate ? PredicateOn(lp_.StepAt(flow_->Pc()).src[source], 0, lane) : k_.b[s.index] != 0;
}

bool LaneRun::CompareIn(const ShaderInstruction& in, int lane) const {
    const LaneProgram::Step& step = lp_.StepAt(flow_->Pc());
    LaneRegister scratch[2];
    const LaneValue a = Read(step.src[0], &scratch[0]), b = Read(step.src[1], &scratch[1]);
    return Compares(in.control, a.c[0]->v[lane], b.c[0]->v[lane]);
}

// A branch whose condition differs between the lanes parts their flow.
bool LaneRun::Barrier(const ShaderInstruction& in) {
    auto agree = [&](auto test) {
        for (int l = 1; l < count_; ++l)
            if (test(l) != test(0)) return false;
        return true;
    };
    switch (in.op) {
        case kOpIfC:
        case kOpBreakC: return !agree([&](int l) { return CompareIn(in, l); });
        case kOpIf:
        case kOpBreakP: return !agree([&](int l) { return ConditionIn(in, 0, l); });
        case kOpCallNz: return !agree([&](int l) { return ConditionIn(in, 1, l); });
        // A row of lookups may take long (65535 anisotropic ones a pixel, most of a
        // second): they count as they go, and once the draw's time is up the row stops at
        // the next, its pixels left to the one-at-a-time runs, which shade nothing more.
        case kOpTex:
        case kOpTexLdl: return watchdog_->Expired();
        default: return false;
    }
}

// The lanes agree here (Barrier saw to it): the first one speaks for all.
bool LaneRun::Condition(const ShaderInstruction& in, int source) const { return ConditionIn(in, source, 0); }

bool LaneRun::Compare(const ShaderInstruction& in) const { return CompareIn(in, 0); }

void LaneRun::Write(const ShaderInstruction& in, const LaneProgram::Step& step, const LaneRegister& value) {
    const DestOperand& d = in.dest;
    LaneRegister& out = block_[step.dest];
    const bool predicate = d.file == kFilePredicate;
    for (int c = 0; c < 4; ++c) {
        if (!(d.mask >> c & 1)) continue;
        float* o = out.c[c].v;
        const float* v = value.c[c].v;
        if (!in.predicated && !predicate) {
            for (int n = 0; n < kLaneChunks; ++n) {
                const Floats4 x = ChunkOf(value.c[c], n);
                SetChunk(out.c[c], n, d.saturate ? Saturate(x) : x);
            }
            continue;
        }
        for (int l = 0; l < kLanes; ++l) {
            if (in.predicated && !PredicateOn(step.predicate, c, l)) continue;
            if (predicate) o[l] = v[l] != 0 ? 1.0f : 0.0f;
            else o[l] = d.saturate ? Saturate(v[l]) : v[l];
        }
    }
}

void LaneRun::Sample(const ShaderInstruction& in, const LaneProgram::Step& step) {
    LaneRegister scratch, out;
    const LaneValue coord = Read(step.src[0], &scratch);
    uint32_t texels[kLanes] = {};  // no sampler: the lookup gives zeros
    if (sampler_) Texels(in, coord, sampler_, count_, texels);
    watchdog_->Count(count_, 0);
    // A whole write goes straight to its register (texels lie in 0..1, so _sat changes
    // nothing).
    const bool whole = !in.predicated && in.dest.mask == 0xF;
    ColorsToLanes(texels, whole ? &block_[step.dest] : &out);
    if (!whole) Write(in, step, out);
}

void LaneRun::Texels(const ShaderInstruction& in, const LaneValue& coord, ShaderSampler* sampler, int count,
                     uint32_t texels[kLanes]) {
    TexelRequest how;
    how.projected = in.op == kOpTex && in.control == 1;
    how.biased = in.op == kOpTex && in.control == 2;
    if (in.op == kOpTexLdl) how.level = LevelFrom::Explicit;
    sampler->TexelLanes(in.src[1].index, coord, how, count, texels);
}

void LaneRun::Kill(const ShaderInstruction& in, const LaneProgram::Step& step) {
    const LaneRegister& v = block_[step.dest];
    for (int l = 0; l < kLanes; ++l)
        for (int c = 0; c < 4; ++c)
            if (in.dest.mask >> c & 1 && v.c[c].v[l] < 0 && (!in.predicated || PredicateOn(step.predicate, c, l)))
                killed_[l] = anyKilled_ = true;
}

// Any other instruction, lane by lane through the one-pixel interpreter's arithmetic.
void LaneRun::EachLane(const ShaderInstruction& in, const LaneProgram::Step& step) {
    LaneRegister scratch[4], out;
    LaneValue v[3];
    for (int s = 0; s < 3; ++s) v[s] = Read(s < in.sourceCount ? step.src[s] : LaneProgram::Source{}, &scratch[s]);
    const bool matrix = in.op >= kOpM4x4 && in.op <= kOpM3x2;
    for (int l = 0; l < kLanes; ++l) {
        const Vec4 a = LaneOf(v[0], l), b = LaneOf(v[1], l), c = LaneOf(v[2], l);
        Vec4 r;
        if (in.op == kOpSetP) {
            r = Each(a, [&](float x, int i) { return Compares(in.control, x, b[i]) ? 1.0f : 0.0f; });
        } else if (matrix) {
            const int rows = in.op == kOpM4x4 || in.op == kOpM3x4 ? 4 : in.op == kOpM3x2 ? 2 : 3;
            const int width = in.op == kOpM4x4 || in.op == kOpM4x3 ? 4 : 3;
            for (int row = 0; row < rows; ++row) r[row] = Dot(a, LaneOf(Read(step.rows[row], &scratch[3]), l), width);
        } else {
            r = Arithmetic(in.op, a, b, c);
        }
        SetLane(&out, l, r);
    }
    Write(in, step, out);
}

void LaneRun::Execute(const ShaderInstruction& in) {
    if (!in.hasDest) return;  // nop, endif
    const LaneProgram::Step& step = lp_.StepAt(flow_->Pc());
    switch (in.op) {
        case kOpTex:
        case kOpTexLdl: Sample(in, step); return;
        case kOpTexKill: Kill(in, step); return;
        default: break;
    }
    LaneRegister scratch[3], out;
    const LaneValue a = Read(step.src[0], &scratch[0]), b = Read(step.src[1], &scratch[1]),
                    c = Read(step.src[2], &scratch[2]);
    // Straight into the destination where every lane takes the write and no source reads
    // the register written; through Write otherwise. Only the components written count.
    bool direct = !in.predicated && in.dest.file != kFilePredicate;
    for (int s = 0; s < in.sourceCount; ++s) direct = direct && step.src[s].slot != step.dest;
    LaneRegister& result = direct ? block_[step.dest] : out;
    const bool saturate = direct && in.dest.saturate;
    if (WithComponentKernel(in.op, [&](auto kernel) {
            for (int i = 0; i < 4; ++i) {
                if (!(in.dest.mask >> i & 1)) continue;
                float* o = result.c[i].v;
                const float *x = a.c[i]->v, *y = b.c[i]->v, *z = c.c[i]->v;
                if (saturate)
                    for (int l = 0; l < kLanes; ++l) o[l] = Saturate(kernel(x[l], y[l], z[l]));
                else
                    for (int l = 0; l < kLanes; ++l) o[l] = kernel(x[l], y[l], z[l]);
            }
        })) {
        if (!direct) Write(in, step, out);
        return;
    }
    EachLane(in, step);
}

}  // namespace host
