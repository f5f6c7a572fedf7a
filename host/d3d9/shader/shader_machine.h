// The interpreter's state for one invocation, shared by the single run and the quad run:
// it runs until its program ends or reaches an instruction that needs its neighbours
// (a derivative, or texld inside a quad), where the quad runner finishes it for it.
#pragma once
#include "host/d3d9/shader/shader_flow.h"
#include "host/d3d9/shader/shader_run.h"

namespace host {

class ShaderMachine {
public:
    using Halt = ShaderHalt;

    // `quad`: dsx, dsy and texld halt at a barrier instead of running alone.
    ShaderMachine(const ShaderProgram& p, const ProgramConstants& k, ShaderRegisters& r, ShaderSampler* s, bool quad)
        : flow_(p, k), k_(k), r_(r), sampler_(s), quad_(quad) {}

    Halt Resume();
    // At a barrier: the instruction, its first source as read, and completing it with the
    // value it gives (dsx, dsy) or its texture request (texld).
    const ShaderInstruction& Current() const { return flow_.Current(); }
    Vec4 ReadSource(const SourceOperand& s) const { return Read(s); }
    void Complete(const Vec4& value);
    void CompleteSample(const TexelRequest& how);
    // Instructions executed so far.
    int Executed() const { return flow_.Executed(); }

    // For the flow (see ShaderFlow::Resume).
    bool Barrier(const ShaderInstruction& in) const {
        return quad_ && (in.op == kOpDsx || in.op == kOpDsy || in.op == kOpTex);
    }
    bool Condition(const ShaderInstruction& in, int source) const;
    bool Compare(const ShaderInstruction& in) const;
    void Execute(const ShaderInstruction& in);

private:
    bool PredicateOn(const SourceOperand& s, int component) const;
    Vec4 Read(const SourceOperand& s, int offset = 0) const;
    Vec4 Row(const SourceOperand& s, int offset) const;
    Vec4* Target(const DestOperand& d, int offset = 0);
    void Write(const ShaderInstruction& in, const Vec4& value);
    Vec4 Matrix(const ShaderInstruction& in, int rows, int width) const;
    Vec4 SampleOf(const ShaderInstruction& in, const Vec4& coord, TexelRequest how);

    ShaderFlow flow_;
    const ProgramConstants& k_;
    ShaderRegisters& r_;
    ShaderSampler* sampler_;
    bool quad_;
    int a0_[4] = {};
    Vec4 sink_;  // where a write through an index outside its file goes
};

}  // namespace host
