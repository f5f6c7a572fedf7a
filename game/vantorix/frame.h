// The frame every screen repeats: draw into the off-screen picture, copy it to the back
// buffer, present, pump messages, read the controls.
#pragma once

namespace vantorix {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

// Draw target the off-screen picture, cleared.
void BeginFrame();
// Back buffer, stretched copy, present, one message pump (its result unused), input.
void EndFrame();

}  // namespace vantorix
