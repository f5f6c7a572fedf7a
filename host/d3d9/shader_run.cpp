#include "host/d3d9/shader_run.h"

#include <algorithm>
#include <cmath>

namespace host {
namespace {

// rep and loop counts, as the integer constants' range allows.
constexpr int kMaxIterations = 255;
constexpr size_t kMaxLoopStack = 16, kMaxCallStack = 8;

float Dot(const Vec4& a, const Vec4& b, int n) {
    float s = 0;
    for (int c = 0; c < n; ++c) s += a[c] * b[c];
    return s;
}

Vec4 Splat(float f) { return Vec4{{f, f, f, f}}; }

// Reciprocal and friends as the hardware gives them: exact at 1, and positive infinity
// at zero of either sign (a -0 that a negated or subtracted zero leaves must not turn a
// following multiply or compare the other way).
float Reciprocal(float x) {
    if (x == 0.0f) return INFINITY;
    return x == 1.0f ? 1.0f : 1.0f / x;
}
float ReciprocalSqrt(float x) {
    const float a = std::fabs(x);
    return a == 1.0f ? 1.0f : 1.0f / std::sqrt(a);
}
// The fraction, kept below 1: a tiny negative x would otherwise round x - floor(x) up to 1.
float Fraction(float x) { return std::min(x - std::floor(x), 0x1.fffffep-1f); }
float Log2Abs(float x) { return std::log2(std::fabs(x)); }
float PowAbs(float x, float y) { return std::pow(std::fabs(x), y); }
float Sign(float x) { return x > 0 ? 1.0f : x < 0 ? -1.0f : 0.0f; }

class Machine {
public:
    Machine(const ShaderProgram& p, const ProgramConstants& k, ShaderRegisters& r, ShaderSampler* s)
        : p_(p), k_(k), r_(r), sampler_(s) {}

    bool Run() {
        size_t pc = 0;
        for (int budget = kShaderInstructionBudget; budget > 0; --budget) {
            const ShaderInstruction& in = p_.code[pc];
            if (in.op == kOpRet || in.op == kOpLabel) {
                if (in.op == kOpLabel && !calls_.empty()) {
                    ++pc;
                    continue;
                }
                if (calls_.empty()) return true;
                pc = calls_.back();
                calls_.pop_back();
                continue;
            }
            if (!Step(in, &pc)) return false;
        }
        return false;
    }

private:
    struct LoopFrame {
        size_t start;
        int remaining, step, savedAL;
    };

    // Executes one instruction and moves pc on; false when a stack runs out.
    bool Step(const ShaderInstruction& in, size_t* pc) {
        switch (in.op) {
            case kOpRep:
            case kOpLoop: return EnterLoop(in, pc);
            case kOpEndRep:
            case kOpEndLoop: {
                if (loops_.empty()) return false;  // a subroutine's ret left its loop
                LoopFrame& f = loops_.back();
                aL_ += f.step;
                if (--f.remaining > 0) {
                    *pc = f.start + 1;
                } else {
                    aL_ = f.savedAL;
                    loops_.pop_back();
                    ++*pc;
                }
                return true;
            }
            case kOpIf: *pc = k_.b[in.src[0].index] ? *pc + 1 : in.jump + 1; return true;
            case kOpElse: *pc = in.jump + 1; return true;
            case kOpCall:
            case kOpCallNz:
                if (in.op == kOpCallNz && !k_.b[in.src[1].index]) {
                    ++*pc;
                    return true;
                }
                if (calls_.size() >= kMaxCallStack) return false;
                calls_.push_back(*pc + 1);
                *pc = in.jump + 1;
                return true;
            default: Execute(in); ++*pc; return true;
        }
    }

    bool EnterLoop(const ShaderInstruction& in, size_t* pc) {
        const std::array<int, 4>& i = k_.i[in.src[in.op == kOpLoop ? 1 : 0].index];
        const int count = std::clamp(i[0], 0, kMaxIterations);
        if (count == 0) {
            *pc = in.jump + 1;
            return true;
        }
        if (loops_.size() >= kMaxLoopStack) return false;
        // aL starts at 0 to 255 and steps by -128 to 127, the ranges loop constants have.
        const bool loop = in.op == kOpLoop;
        loops_.push_back({*pc, count, loop ? std::clamp(i[2], -128, 127) : 0, aL_});
        if (loop) aL_ = std::clamp(i[1], 0, 255);
        ++*pc;
        return true;
    }

    Vec4 Read(const SourceOperand& s, int offset = 0) const {
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

    // The register a source names; a relative index outside the constants reads as zero.
    Vec4 Row(const SourceOperand& s, int offset) const {
        int index = s.index + offset;
        switch (s.file) {
            case kFileTemp: return r_.r[size_t(std::min(index, kShaderTemps - 1))];
            case kFileInput: return r_.v[size_t(std::min(index, kVertexInputs - 1))];
            case kFileTexture: return r_.t[size_t(std::min(index, kTexCoordRegs - 1))];
            case kFileConst: {
                if (s.relative) index += s.relativeFile == kFileLoop ? aL_ : a0_[s.relativeComponent];
                if (index < 0 || size_t(index) >= k_.f.size()) return Vec4{};
                return k_.f[size_t(index)];
            }
            default: return Vec4{};
        }
    }

    Vec4* Target(const DestOperand& d, int offset = 0) {
        const size_t i = d.index + size_t(offset);
        switch (d.file) {
            case kFileTemp: return &r_.r[std::min<size_t>(i, kShaderTemps - 1)];
            case kFileRastOut: return &r_.rastOut[std::min<size_t>(i, 2)];
            case kFileAttrOut: return &r_.attrOut[std::min<size_t>(i, 1)];
            case kFileTexCrdOut: return &r_.texOut[std::min<size_t>(i, kTexCoordRegs - 1)];
            case kFileColorOut: return &r_.colorOut[std::min<size_t>(i, kColorOutputs - 1)];
            default: return &r_.depthOut;
        }
    }

    void Write(const DestOperand& d, const Vec4& value) {
        Vec4& out = *Target(d);
        for (int c = 0; c < 4; ++c) {
            if (!(d.mask >> c & 1)) continue;
            out[c] = d.saturate ? Saturate(value[c]) : value[c];
        }
    }

    // The scalar a replicate swizzle selects (its last component).
    float Scalar(const SourceOperand& s) const { return Read(s)[3]; }

    // m4x4 and its kin: `rows` dot products of `width` components with consecutive rows of
    // the second source.
    Vec4 Matrix(const ShaderInstruction& in, int rows, int width) const {
        const Vec4 a = Read(in.src[0]);
        Vec4 out;
        for (int row = 0; row < rows; ++row) out[row] = Dot(a, Read(in.src[1], row), width);
        return out;
    }

    template <class F>
    Vec4 Each(const Vec4& a, F f) const {
        Vec4 out;
        for (int c = 0; c < 4; ++c) out[c] = f(a[c], c);
        return out;
    }

    void Execute(const ShaderInstruction& in) {
        Vec4 a, b, c;
        if (in.sourceCount > 0 && in.src[0].file != kFileLabel) a = Read(in.src[0]);
        if (in.sourceCount > 1 && in.src[1].file != kFileSampler) b = Read(in.src[1]);
        if (in.sourceCount > 2) c = Read(in.src[2]);
        Vec4 out;
        switch (in.op) {
            case kOpMov: out = a; break;
            case kOpAdd: out = Each(a, [&](float x, int i) { return x + b[i]; }); break;
            case kOpSub: out = Each(a, [&](float x, int i) { return x - b[i]; }); break;
            case kOpMul: out = Each(a, [&](float x, int i) { return x * b[i]; }); break;
            case kOpMad: out = Each(a, [&](float x, int i) { return x * b[i] + c[i]; }); break;
            case kOpMin: out = Each(a, [&](float x, int i) { return x < b[i] ? x : b[i]; }); break;
            case kOpMax: out = Each(a, [&](float x, int i) { return x >= b[i] ? x : b[i]; }); break;
            case kOpSlt: out = Each(a, [&](float x, int i) { return x < b[i] ? 1.0f : 0.0f; }); break;
            case kOpSge: out = Each(a, [&](float x, int i) { return x >= b[i] ? 1.0f : 0.0f; }); break;
            case kOpLrp: out = Each(a, [&](float x, int i) { return c[i] + x * (b[i] - c[i]); }); break;
            case kOpCmp: out = Each(a, [&](float x, int i) { return x >= 0 ? b[i] : c[i]; }); break;
            case kOpFrc: out = Each(a, [](float x, int) { return Fraction(x); }); break;
            case kOpAbs: out = Each(a, [](float x, int) { return std::fabs(x); }); break;
            case kOpSgn: out = Each(a, [](float x, int) { return Sign(x); }); break;
            case kOpDp3: out = Splat(Dot(a, b, 3)); break;
            case kOpDp4: out = Splat(Dot(a, b, 4)); break;
            case kOpDp2Add: out = Splat(a[0] * b[0] + a[1] * b[1] + c[3]); break;
            case kOpRcp: out = Splat(Reciprocal(a[3])); break;
            case kOpRsq: out = Splat(ReciprocalSqrt(a[3])); break;
            case kOpExp:
            case kOpExpp: out = Splat(std::exp2(a[3])); break;
            case kOpLog:
            case kOpLogp: out = Splat(Log2Abs(a[3])); break;
            case kOpPow: out = Splat(PowAbs(a[3], b[3])); break;
            case kOpLit: out = Lit(a); break;
            case kOpDst: out = Vec4{{1.0f, a[1] * b[1], a[2], b[3]}}; break;
            case kOpCrs:
                out = Vec4{{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0], 0}};
                break;
            case kOpNrm: {
                const float f = ReciprocalSqrt(Dot(a, a, 3));
                out = Each(a, [&](float x, int) { return x * f; });
                break;
            }
            case kOpSinCos: out = Vec4{{std::cos(a[3]), std::sin(a[3]), 0, 0}}; break;
            case kOpM4x4: out = Matrix(in, 4, 4); break;
            case kOpM4x3: out = Matrix(in, 3, 4); break;
            case kOpM3x4: out = Matrix(in, 4, 3); break;
            case kOpM3x3: out = Matrix(in, 3, 3); break;
            case kOpM3x2: out = Matrix(in, 2, 3); break;
            case kOpMova:
                // Rounded to the nearest, halves away from zero; a value no integer holds
                // (NaN, huge) stays inside a range whose sums cannot overflow.
                for (int i = 0; i < 4; ++i) {
                    const float r = std::round(a[i]);
                    if (in.dest.mask >> i & 1) a0_[i] = r == r ? int(std::clamp(r, -1e6f, 1e6f)) : 0;
                }
                return;
            case kOpTex: out = sampler_ ? sampler_->Sample(in.src[1].index, a, in.control) : Vec4{}; break;
            case kOpTexKill: {
                SourceOperand tested;
                tested.file = in.dest.file;
                tested.index = in.dest.index;
                const Vec4 v = Row(tested, 0);
                for (int i = 0; i < 4; ++i)
                    if (in.dest.mask >> i & 1 && v[i] < 0) r_.killed = true;
                return;
            }
            default: return;  // nop
        }
        Write(in.dest, out);
    }

    // The specular term exists only where both the diffuse and the specular dot products
    // are positive: pow(0, 0) or pow(0, negative) must not light a surface facing away.
    static Vec4 Lit(const Vec4& a) {
        constexpr float kMaxPower = 127.9961f;
        const float power = std::clamp(a[3], -kMaxPower, kMaxPower);
        const float specular = a[0] > 0 && a[1] > 0 ? std::pow(a[1], power) : 0.0f;
        return Vec4{{1.0f, a[0] > 0 ? a[0] : 0.0f, specular, 1.0f}};
    }

    const ShaderProgram& p_;
    const ProgramConstants& k_;
    ShaderRegisters& r_;
    ShaderSampler* sampler_;
    int a0_[4] = {};
    int aL_ = 0;
    std::vector<LoopFrame> loops_;
    std::vector<size_t> calls_;
};

}  // namespace

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
               ShaderSampler* sampler) {
    return Machine(p, consts, regs, sampler).Run();
}

}  // namespace host
