#include "host/d3d9/shader/shader_flow.h"

#include <algorithm>

namespace host {
namespace {

// rep and loop counts, as the integer constants' range allows.
constexpr int kMaxIterations = 255;
constexpr size_t kMaxLoopStack = 16, kMaxCallStack = 8;

}  // namespace

bool ShaderFlow::EnterLoop(const ShaderInstruction& in) {
    const std::array<int, 4>& i = k_.i[in.src[in.op == kOpLoop ? 1 : 0].index];
    const int count = std::clamp(i[0], 0, kMaxIterations);
    if (count == 0) {
        pc_ = in.jump + 1;
        return true;
    }
    if (loops_.size() >= kMaxLoopStack) return false;
    // aL starts at 0 to 255 and steps by -128 to 127, the ranges loop constants have.
    const bool loop = in.op == kOpLoop;
    loops_.push_back({pc_, count, loop ? std::clamp(i[2], -128, 127) : 0, aL_});
    if (loop) aL_ = std::clamp(i[1], 0, 255);
    ++pc_;
    return true;
}

bool ShaderFlow::EndLoop() {
    if (loops_.empty()) return false;
    LoopFrame& f = loops_.back();
    aL_ += f.step;
    if (--f.remaining > 0) {
        pc_ = f.start + 1;
    } else {
        LeaveLoop();
        ++pc_;
    }
    return true;
}

bool ShaderFlow::Break(bool leave) {
    if (!leave) {
        ++pc_;
        return true;
    }
    if (loops_.empty()) return false;
    pc_ = p_.code[loops_.back().start].jump + 1;
    LeaveLoop();
    return true;
}

bool ShaderFlow::Call(const ShaderInstruction& in) {
    if (calls_.size() >= kMaxCallStack) return false;
    calls_.push_back({pc_ + 1, loops_.size()});
    pc_ = in.jump + 1;
    return true;
}

void ShaderFlow::Return() {
    // Loops the subroutine left open by returning from inside them end with it.
    while (loops_.size() > calls_.back().loops) LeaveLoop();
    pc_ = calls_.back().back;
    calls_.pop_back();
}

void ShaderFlow::LeaveLoop() {
    aL_ = loops_.back().savedAL;
    loops_.pop_back();
}

}  // namespace host
