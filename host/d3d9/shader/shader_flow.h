// The flow of a run through a decoded program, shared by the interpreter of one invocation
// and the one of a row of pixels that all take the same path: the program counter, the
// loop and call stacks with aL, and the invocation's instruction budget. The machine that
// holds it executes every other instruction and evaluates the conditions.
#pragma once
#include <vector>

#include "host/d3d9/shader/shader_run.h"

namespace host {

enum class ShaderHalt { End, Barrier, Fault };

class ShaderFlow {
public:
    ShaderFlow(const ShaderProgram& p, const ProgramConstants& k) : p_(p), k_(k) {}

    // Runs until the program ends, a stack or the budget runs out (Fault), or `m` says it
    // must stop at an instruction (Barrier). `m` gives:
    //   bool Barrier(const ShaderInstruction&)   the instruction needs the run to stop;
    //   bool Condition(const ShaderInstruction&, int source)
    //                                             if, callnz and breakp: their condition source;
    //   bool Compare(const ShaderInstruction&)    ifc and breakc: their two sources compared;
    //   void Execute(const ShaderInstruction&)    any instruction but flow control.
    // Flattened: the steps are small, and calls between them cost more than the work of
    // most instructions.
    template <class M>
    [[gnu::flatten]] ShaderHalt Resume(M& m) {
        for (; budget_ > 0; --budget_) {
            const ShaderInstruction& in = p_.code[pc_];
            if (in.op == kOpRet || in.op == kOpLabel) {
                if (in.op == kOpLabel && !calls_.empty()) {
                    ++pc_;
                    continue;
                }
                if (calls_.empty()) return ShaderHalt::End;
                Return();
                continue;
            }
            if (m.Barrier(in)) return ShaderHalt::Barrier;
            if (!Step(m, in)) return ShaderHalt::Fault;
        }
        return ShaderHalt::Fault;
    }

    const ShaderInstruction& Current() const { return p_.code[pc_]; }
    size_t Pc() const { return pc_; }
    // Moves past the instruction at a barrier, which the machine has completed.
    void Advance() {
        ++pc_;
        --budget_;
    }
    int LoopCounter() const { return aL_; }
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

    // Executes one instruction and moves pc on; false when a stack runs out.
    template <class M>
    bool Step(M& m, const ShaderInstruction& in) {
        switch (in.op) {
            case kOpRep:
            case kOpLoop: return EnterLoop(in);
            case kOpEndRep:
            case kOpEndLoop: return EndLoop();
            case kOpBreak: return Break(true);
            case kOpBreakC: return Break(m.Compare(in));
            case kOpBreakP: return Break(m.Condition(in, 0));
            case kOpIf: pc_ = m.Condition(in, 0) ? pc_ + 1 : in.jump + 1; return true;
            case kOpIfC: pc_ = m.Compare(in) ? pc_ + 1 : in.jump + 1; return true;
            case kOpElse: pc_ = in.jump + 1; return true;
            case kOpCall: return Call(in);
            case kOpCallNz:
                if (m.Condition(in, 1)) return Call(in);
                ++pc_;
                return true;
            default: m.Execute(in); ++pc_; return true;
        }
    }
    bool EnterLoop(const ShaderInstruction& in);
    bool EndLoop();
    bool Break(bool leave);
    bool Call(const ShaderInstruction& in);
    void Return();
    void LeaveLoop();

    const ShaderProgram& p_;
    const ProgramConstants& k_;
    size_t pc_ = 0;
    int budget_ = kShaderInstructionBudget;
    int aL_ = 0;
    std::vector<LoopFrame> loops_;
    std::vector<CallFrame> calls_;
};

}  // namespace host
