// Pixel code run on a row of up to kLanes pixels at once. The program is compiled once,
// when its shader object is made: every register an instruction names becomes a slot of
// one block of lane registers (a swizzle only picks rows), and the constants it reads get
// slots of their own, filled once a draw. The lanes share one flow, as long as the
// conditions of their branches agree; where they part, the run stops at a barrier and the
// caller runs those pixels one at a time. Each lane computes exactly what the one-pixel
// interpreter computes, so the pixels do not change.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "host/d3d9/shader/shader_flow.h"
#include "host/d3d9/shader/shader_lane_kernels.h"
#include "host/d3d9/shader/shader_run.h"

namespace host {

class LaneProgram {
public:
    // Pixel code without derivatives (those run in 2x2 quads) or relative addressing;
    // other code compiles to nothing (Usable() false).
    explicit LaneProgram(const ShaderProgram& p);
    bool Usable() const { return usable_; }

    struct Source {
        uint16_t slot = 0;
        uint8_t swizzle[4] = {0, 1, 2, 3};
        SourceModifier modifier = SourceModifier::None;
    };
    // An instruction's operands as slots: the destination (texkill: the register it
    // tests), the sources, a matrix macro's rows of its second source, the predicate.
    struct Step {
        uint16_t dest = 0;
        Source src[4], rows[4], predicate;
    };
    // Slots of the block: a register that always reads 0, one that takes writes outside
    // their file, then each file's registers.
    static constexpr uint16_t kZero = 0, kSink = 1;
    struct Layout {
        uint16_t temps = 2, inputs = 0, textures = 0, misc = 0, colors = 0, depth = 0, predicate = 0, consts = 0;
        uint16_t count = 0;
    };

    const ShaderProgram& Program() const { return *p_; }
    const Layout& Slots() const { return layout_; }
    const Step& StepAt(size_t pc) const { return steps_[pc]; }
    // The constant register each constant slot holds, in slot order.
    const std::vector<uint16_t>& Constants() const { return constants_; }
    // The components of varying k (v0, v1, then t0..t7; model 3.0: v0..v9) that any result
    // depends on: only these need filling before a run.
    uint8_t VaryingReads(int k) const;
    // The slots a run sets to zero first.
    const std::vector<uint16_t>& Clears() const { return clears_; }

    // Code whose colour is a texel times one other value, the common texturing program:
    //   texld rA, coordinate, sN
    //   mul   rB, rA, factor      (or factor times rA; the factor no temporary)
    //   mov   oC0, rB             (or the mul writes oC0 itself)
    // or the texel alone (texld rA, coordinate, sN; mov oC0, rA), every write whole and
    // unpredicated, nothing else in the code. It runs as one step, from the texels to the
    // colours' bytes.
    struct TexelProduct {
        size_t lookup = 0, product = 1;
        int factor = 1;        // the mul's source that is not rA; -1 for no mul
        int instructions = 3;  // executed by each lane
    };
    const std::optional<TexelProduct>& Product() const { return product_; }

private:
    uint16_t SourceSlot(int file, int index);
    uint16_t DestSlot(int file, int index) const;
    // `used`: bit c when component c of the value read counts.
    Source SourceOf(const SourceOperand& s, uint8_t used, int offset = 0);
    void MarkRead(uint16_t slot, uint8_t components);
    void FindClears(bool straight);
    static std::optional<TexelProduct> FindProduct(const ShaderProgram& p);

    const ShaderProgram* p_;
    bool usable_ = false;
    bool writesDepth_ = false, usesPredicate_ = false;
    Layout layout_;
    std::vector<Step> steps_;
    std::vector<uint16_t> constants_;
    std::vector<uint8_t> reads_;  // by slot
    // While compiling: the components each slot has had written whole, and whether it
    // was read before that.
    std::vector<uint8_t> written_;
    std::vector<bool> readUnwritten_;
    std::vector<uint16_t> clears_;
    std::optional<TexelProduct> product_;
};

// One draw's lane registers: the block with the draw's constants in place, run row by
// row. The caller fills the inputs of the lanes it runs before each run.
class LaneRun {
public:
    LaneRun(const LaneProgram& lp, const ProgramConstants& k);

    const LaneProgram& Program() const { return lp_; }
    LaneRegister& Input(int reg) { return block_[size_t(lp_.Slots().inputs + reg)]; }
    LaneRegister& Texture(int reg) { return block_[size_t(lp_.Slots().textures + reg)]; }
    LaneRegister& Misc(int reg) { return block_[size_t(lp_.Slots().misc + reg)]; }

    // Runs the program on the first `count` lanes, counting what they execute on
    // `watchdog`. End: the results are there to read; Fault: no lane's run ended by itself
    // (the instruction limit or a stack ran out); Barrier: the lanes' flow parted (or the
    // draw's time ran out at a lookup), and these pixels must run one at a time.
    ShaderHalt Run(int count, ShaderSampler* sampler, DrawWatchdog& watchdog);
    // Runs code of the TexelProduct shape on the first `count` lanes, counting what they
    // execute on `watchdog`, and gives their colours (0xAARRGGBB) as the output of Run's
    // would be converted: the same bits, without the rows between.
    void RunProduct(int count, ShaderSampler* sampler, DrawWatchdog& watchdog, const LaneKernels& kernels,
                    uint32_t colors[kLanes]);

    const LaneRegister& Color() const { return block_[lp_.Slots().colors]; }
    const LaneRegister& Depth() const { return block_[lp_.Slots().depth]; }
    bool Killed(int lane) const { return killed_[lane]; }
    bool AnyKilled() const { return anyKilled_; }

    // For the flow (see ShaderFlow::Resume).
    bool Barrier(const ShaderInstruction& in);
    bool Condition(const ShaderInstruction& in, int source) const;
    bool Compare(const ShaderInstruction& in) const;
    void Execute(const ShaderInstruction& in);

private:
    LaneValue Read(const LaneProgram::Source& s, LaneRegister* scratch) const;
    bool PredicateOn(const LaneProgram::Source& p, int component, int lane) const;
    bool ConditionIn(const ShaderInstruction& in, int source, int lane) const;
    bool CompareIn(const ShaderInstruction& in, int lane) const;
    void Write(const ShaderInstruction& in, const LaneProgram::Step& step, const LaneRegister& value);
    void Sample(const ShaderInstruction& in, const LaneProgram::Step& step);
    static void Texels(const ShaderInstruction& in, const LaneValue& coord, ShaderSampler* sampler, int count,
                       uint32_t texels[kLanes]);
    void Kill(const ShaderInstruction& in, const LaneProgram::Step& step);
    void EachLane(const ShaderInstruction& in, const LaneProgram::Step& step);

    const LaneProgram& lp_;
    const ProgramConstants& k_;
    std::vector<LaneRegister> block_;
    ShaderFlow* flow_ = nullptr;
    ShaderSampler* sampler_ = nullptr;
    DrawWatchdog* watchdog_ = nullptr;
    int count_ = 0;
    bool killed_[kLanes] = {};
    bool anyKilled_ = false;
};

}  // namespace host
