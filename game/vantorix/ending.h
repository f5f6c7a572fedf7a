// The ending after the last stage: the story captions, the staff roll, the ranking, and
// back to the title.
#pragma once

namespace vantorix {

constexpr int kCaptionFrames = 300;
constexpr int kRollFrames = 4800;

// The game state 5; leaves the game state 2. ESC only shortens it.
void RunEnding();
// One caption, until a fresh Z, ESC, 300 frames or a quit request.
void ShowCaption(const char* text);
// The staff roll, one pixel up per frame for 4800 frames, until a fresh Z, ESC or a quit
// request.
void RunCredits();

}  // namespace vantorix
