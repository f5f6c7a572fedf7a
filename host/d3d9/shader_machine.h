// The interpreter's state for one invocation, shared by the single run and the quad run:
// it runs until its program ends or reaches an instruction that needs its neighbours
// (a derivative, or texld inside a quad), where the quad runner finishes it for it.
#pragma once
#include <vector>

#include "host/d3d9/shader_run.h"

namespace host {

class ShaderMachine {
public:
    enum class Halt { End, Barrier, Fault };

    // `quad`: dsx, dsy and texld halt at a barrier instead of running alone.
    ShaderMachine(const ShaderProgram& p, const ProgramConstants& k, ShaderRegisters& r, ShaderSampler* s, bool quad)
        : p_(p), k_(k), r_(r), sampler_(s), quad_(quad) {}

    Halt Resume();
    // At a barrier: the instruction, its first source as read, and completing it with the
    // value it gives (dsx, dsy) or its texture request (texld).
    const ShaderInstruction& Current() const { return p_.code[pc_]; }
    Vec4 ReadSource(const SourceOperand& s) const { return Read(s); }
    void Complete(const Vec4& value);
    void CompleteSample(const TexelRequest& how);
    // Instructions executed so far.
    int Executed() const { return kShaderInstructionBudget - budget_; }

private:
    struct LoopFrame {
        size_t start;
        int remaining, step, savedAL;
    };
    struct CallFrame {
        size_t back;
        size_t loops;  // loop frames open at the call: a ret leaves the subroutine's own
    };

    bool Step(const ShaderInstruction& in);
    bool EnterLoop(const ShaderInstruction& in);
    void LeaveLoop();
    bool Condition(const SourceOperand& s) const;
    bool PredicateOn(const SourceOperand& s, int component) const;
    Vec4 Read(const SourceOperand& s, int offset = 0) const;
    Vec4 Row(const SourceOperand& s, int offset) const;
    Vec4* Target(const DestOperand& d, int offset = 0);
    void Write(const ShaderInstruction& in, const Vec4& value);
    Vec4 Matrix(const ShaderInstruction& in, int rows, int width) const;
    Vec4 SampleOf(const ShaderInstruction& in, const Vec4& coord, TexelRequest how);
    void Execute(const ShaderInstruction& in);

    const ShaderProgram& p_;
    const ProgramConstants& k_;
    ShaderRegisters& r_;
    ShaderSampler* sampler_;
    bool quad_;
    size_t pc_ = 0;
    int budget_ = kShaderInstructionBudget;
    int a0_[4] = {};
    int aL_ = 0;
    Vec4 sink_;  // where a write through an index outside its file goes
    std::vector<LoopFrame> loops_;
    std::vector<CallFrame> calls_;
};

}  // namespace host
