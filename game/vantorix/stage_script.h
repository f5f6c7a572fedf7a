// The stage script: enemy waves, the talk before each boss, the boss, the talk after it,
// the phases' progress and the scrolling background with its loop.
#pragma once

namespace vantorix {

// Once per play frame after drawing: what is due at the phase frame happens, phases
// advance, and, unless frozen, the phase frame counts and the background scrolls at the
// speed its map row asks for.
void RunStageScript();
// The scroll added per frame for a speed code (0 for codes outside 1..9).
float ScrollStep(int code);

}  // namespace vantorix
