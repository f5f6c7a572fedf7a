#include "host/d3d9/shader/shader_run.h"

#include <algorithm>
#include <cmath>

#include "host/d3d9/shader/shader_machine.h"
#include "host/d3d9/shader/shader_math.h"

namespace host {
namespace {

template <size_t N>
Vec4 Pick(const std::array<Vec4, N>& file, int index) {
    return index >= 0 && size_t(index) < N ? file[size_t(index)] : Vec4{};
}

}  // namespace

// Flattened here: inlined into its callers, the flow's own flattening would be lost.
[[gnu::flatten]] ShaderMachine::Halt ShaderMachine::Resume() { return flow_.Resume(*this); }

void ShaderMachine::Complete(const Vec4& value) {
    Write(Current(), value);
    flow_.Advance();
}

void ShaderMachine::CompleteSample(const TexelRequest& how) {
    const ShaderInstruction& in = Current();
    Complete(SampleOf(in, Read(in.src[0]), how));
}

bool ShaderMachine::Condition(const ShaderInstruction& in, int source) const {
    const SourceOperand& s = in.src[source];
    return s.file == kFilePredicate ? PredicateOn(s, 0) : k_.b[s.index] != 0;
}

bool ShaderMachine::PredicateOn(const SourceOperand& s, int component) const {
    return (r_.predicate[s.swizzle[component]] != 0) != (s.modifier == SourceModifier::Not);
}

bool ShaderMachine::Compare(const ShaderInstruction& in) const {
    return Compares(in.control, Read(in.src[0])[0], Read(in.src[1])[0]);
}

Vec4 ShaderMachine::Read(const SourceOperand& s, int offset) const {
    const Vec4 raw = Row(s, offset);
    Vec4 out;
    for (int c = 0; c < 4; ++c) {
        float f = raw[s.swizzle[c]];
        if (s.modifier == SourceModifier::Abs || s.modifier == SourceModifier::AbsNegate) f = std::fabs(f);
        if (s.modifier == SourceModifier::Negate || s.modifier == SourceModifier::AbsNegate) f = -f;
        out[c] = f;
    }
    return out;
}

// The register a source names; an index outside its file (a matrix's rows, or a relative
// index) reads as zero.
Vec4 ShaderMachine::Row(const SourceOperand& s, int offset) const {
    int index = s.index + offset;
    if (s.relative) index += s.relativeFile == kFileLoop ? flow_.LoopCounter() : a0_[s.relativeComponent];
    switch (s.file) {
        case kFileTemp: return Pick(r_.r, index);
        case kFileInput: return Pick(r_.v, index);
        case kFileTexture: return Pick(r_.t, index);
        case kFileMisc: return Pick(r_.misc, index);
        case kFilePredicate: return r_.predicate;
        case kFileConst: return index >= 0 && size_t(index) < k_.f.size() ? k_.f[size_t(index)] : Vec4{};
        default: return Vec4{};
    }
}

Vec4* ShaderMachine::Target(const DestOperand& d, int offset) {
    const int i = d.index + offset + (d.relative ? flow_.LoopCounter() : 0);
    auto at = [&](auto& file) { return i >= 0 && size_t(i) < file.size() ? &file[size_t(i)] : &sink_; };
    switch (d.file) {
        case kFileTemp: return at(r_.r);
        case kFileRastOut: return at(r_.rastOut);
        case kFileAttrOut: return at(r_.attrOut);
        case kFileTexCrdOut: return at(r_.texOut);
        case kFileColorOut: return at(r_.colorOut);
        case kFilePredicate: return &r_.predicate;
        default: return &r_.depthOut;
    }
}

void ShaderMachine::Write(const ShaderInstruction& in, const Vec4& value) {
    const DestOperand& d = in.dest;
    Vec4& out = *Target(d);
    if (!in.predicated && d.file != kFilePredicate) {
        for (int c = 0; c < 4; ++c)
            if (d.mask >> c & 1) out[c] = d.saturate ? Saturate(value[c]) : value[c];
        return;
    }
    for (int c = 0; c < 4; ++c) {
        if (!(d.mask >> c & 1) || (in.predicated && !PredicateOn(in.predicate, c))) continue;
        if (d.file == kFilePredicate) out[c] = value[c] != 0 ? 1.0f : 0.0f;
        else out[c] = d.saturate ? Saturate(value[c]) : value[c];
    }
}

// m4x4 and its kin: `rows` dot products of `width` components with consecutive rows of
// the second source.
Vec4 ShaderMachine::Matrix(const ShaderInstruction& in, int rows, int width) const {
    const Vec4 a = Read(in.src[0]);
    Vec4 out;
    for (int row = 0; row < rows; ++row) out[row] = Dot(a, Read(in.src[1], row), width);
    return out;
}

Vec4 ShaderMachine::SampleOf(const ShaderInstruction& in, const Vec4& coord, TexelRequest how) {
    if (!sampler_) return Vec4{};
    how.projected = in.op == kOpTex && in.control == 1;
    how.biased = in.op == kOpTex && in.control == 2;
    return sampler_->Sample(in.src[1].index, coord, how);
}

void ShaderMachine::Execute(const ShaderInstruction& in) {
    if (!in.hasDest) return;  // nop, endif
    Vec4 a, b, c;
    if (in.sourceCount > 0 && in.src[0].file != kFileLabel) a = Read(in.src[0]);
    if (in.sourceCount > 1 && in.src[1].file != kFileSampler) b = Read(in.src[1]);
    if (in.sourceCount > 2) c = Read(in.src[2]);
    Vec4 out;
    switch (in.op) {
        case kOpM4x4: out = Matrix(in, 4, 4); break;
        case kOpM4x3: out = Matrix(in, 3, 4); break;
        case kOpM3x4: out = Matrix(in, 4, 3); break;
        case kOpM3x3: out = Matrix(in, 3, 3); break;
        case kOpM3x2: out = Matrix(in, 2, 3); break;
        case kOpSetP: out = Each(a, [&](float x, int i) { return Compares(in.control, x, b[i]) ? 1.0f : 0.0f; }); break;
        case kOpDsx:
        case kOpDsy: break;  // a single invocation has no neighbours: no change across it
        case kOpMova:
            // Rounded to the nearest, halves away from zero; a value no integer holds
            // (NaN, huge) stays inside a range whose sums cannot overflow.
            for (int i = 0; i < 4; ++i) {
                const float r = std::round(a[i]);
                if (in.dest.mask >> i & 1) a0_[i] = r == r ? int(std::clamp(r, -1e6f, 1e6f)) : 0;
            }
            return;
        case kOpTex: out = SampleOf(in, a, {}); break;
        case kOpTexLdd: {
            TexelRequest how{.level = LevelFrom::Gradients, .ddx = c, .ddy = Read(in.src[3])};
            out = SampleOf(in, a, how);
            break;
        }
        case kOpTexLdl: out = SampleOf(in, a, {.level = LevelFrom::Explicit, .ddx = {}, .ddy = {}}); break;
        case kOpTexKill: {
            SourceOperand tested;
            tested.file = in.dest.file;
            tested.index = in.dest.index;
            const Vec4 v = Row(tested, 0);
            for (int i = 0; i < 4; ++i)
                if (in.dest.mask >> i & 1 && v[i] < 0 && (!in.predicated || PredicateOn(in.predicate, i)))
                    r_.killed = true;
            return;
        }
        default: out = Arithmetic(in.op, a, b, c); break;
    }
    Write(in, out);
}

void ProgramConstants::Load(const ShaderProgram& p, std::span<const float> deviceF, std::span<const int> deviceI,
                           std::span<const int> deviceB) {
    f.resize(deviceF.size() / 4);
    for (size_t n = 0; n < f.size(); ++n)
        for (int c = 0; c < 4; ++c) f[n][c] = deviceF[4 * n + size_t(c)];
    for (size_t n = 0; n < i.size() && 4 * n + 3 < deviceI.size(); ++n)
        for (int c = 0; c < 4; ++c) i[n][size_t(c)] = deviceI[4 * n + size_t(c)];
    for (size_t n = 0; n < b.size() && n < deviceB.size(); ++n) b[n] = deviceB[n];
    for (const ShaderConstantF& d : p.defs)
        if (d.index < f.size())
            for (int c = 0; c < 4; ++c) f[d.index][c] = d.value[size_t(c)];
    for (const ShaderConstantI& d : p.defIs) i[d.index] = d.value;
    for (const ShaderConstantB& d : p.defBs) b[d.index] = d.value;
}

bool RunShader(const ShaderProgram& p, const ProgramConstants& consts, ShaderRegisters& regs,
               ShaderSampler* sampler, DrawWatchdog* watchdog) {
    ShaderMachine m(p, consts, regs, sampler, false);
    const bool ended = m.Resume() == ShaderMachine::Halt::End;
    if (watchdog) watchdog->Count(m.Executed(), 1);
    return ended;
}

}  // namespace host
