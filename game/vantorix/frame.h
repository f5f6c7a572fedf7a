// The frame every screen repeats: draw into the off-screen picture, copy it to the back
// buffer, present, pump messages, read the controls.
#pragma once
#include <functional>

namespace vantorix {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

// Draw target the off-screen picture, cleared.
void BeginFrame();
// Back buffer, stretched copy, present, one message pump (its result unused).
void PresentFrame();
// PresentFrame, then the controls are read.
void EndFrame();

// The loop of the screens that pump first and read the controls before presenting (menus
// opened over play, dialogue, the ending): each frame pumps (a quit request ends the loop
// at once), begins the picture, runs the body, which draws, reads the input and says
// whether this is the last frame, and presents.
void RunScreenFrames(const std::function<bool()>& body);

}  // namespace vantorix
