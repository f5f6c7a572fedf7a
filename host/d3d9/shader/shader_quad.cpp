// Four pixel invocations of a 2x2 quad in lock step: each runs alone up to an instruction
// that needs its neighbours, and there the differences across the quad are taken as the
// hardware takes them, between the two pixels of the same row (dsx) or column (dsy).
#include <array>

#include "host/d3d9/shader/shader_machine.h"
#include "host/d3d9/shader/shader_run.h"

namespace host {
namespace {

using Halt = ShaderMachine::Halt;

Vec4 Difference(const Vec4& to, const Vec4& from) {
    Vec4 d;
    for (int c = 0; c < 4; ++c) d[c] = to[c] - from[c];
    return d;
}

// The coordinate a texld's level follows: projected ones divided by their w.
Vec4 LevelCoordinate(const ShaderInstruction& in, Vec4 v) {
    if (in.op == kOpTex && in.control == 1)
        for (int c = 0; c < 3; ++c) v[c] /= v[3];
    return v;
}

}  // namespace

void RunShaderQuad(const ShaderProgram& p, const ProgramConstants& consts, std::span<ShaderRegisters, 4> regs,
                   ShaderSampler* sampler, bool ok[4], DrawWatchdog& watchdog) {
    std::array<ShaderMachine, 4> m = {ShaderMachine(p, consts, regs[0], sampler, true),
                                      ShaderMachine(p, consts, regs[1], sampler, true),
                                      ShaderMachine(p, consts, regs[2], sampler, true),
                                      ShaderMachine(p, consts, regs[3], sampler, true)};
    std::array<Halt, 4> halt;
    for (int n = 0; n < 4; ++n) halt[size_t(n)] = m[size_t(n)].Resume();
    for (;;) {
        std::array<bool, 4> waiting;
        std::array<size_t, 4> at{};
        std::array<Vec4, 4> value;
        bool any = false;
        for (size_t n = 0; n < 4; ++n) {
            waiting[n] = halt[n] == Halt::Barrier;
            if (!waiting[n]) continue;
            any = true;
            const ShaderInstruction& in = m[n].Current();
            at[n] = size_t(&in - p.code.data());
            value[n] = LevelCoordinate(in, m[n].ReadSource(in.src[0]));
        }
        if (!any) break;
        // Neighbours that stopped elsewhere took another path: no difference across them.
        auto across = [&](size_t n, size_t bit) {
            const size_t lo = n & ~bit, hi = n | bit;
            return waiting[lo] && waiting[hi] && at[lo] == at[hi] ? Difference(value[hi], value[lo]) : Vec4{};
        };
        for (size_t n = 0; n < 4; ++n) {
            if (!waiting[n]) continue;
            const uint16_t op = m[n].Current().op;
            if (op == kOpTex) m[n].CompleteSample({.level = LevelFrom::Gradients, .ddx = across(n, 1), .ddy = across(n, 2)});
            else m[n].Complete(across(n, op == kOpDsx ? 1 : 2));
        }
        for (size_t n = 0; n < 4; ++n)
            if (waiting[n]) halt[n] = m[n].Resume();
    }
    for (size_t n = 0; n < 4; ++n) {
        ok[n] = halt[n] == Halt::End;
        watchdog.Count(m[n].Executed(), 1);
    }
}

}  // namespace host
