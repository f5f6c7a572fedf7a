// The pause screen: CONTINUE, RESTART and RETURN TO TITLE, the last two asked again with
// YES and NO.
#pragma once

namespace vantorix {

enum PauseMenuId { kPauseMenu = 1, kRestartQuestion = 12, kReturnQuestion = 13 };

// Opened by stage play while its pause flag is 1; returns resumed, restarted from stage 1,
// on the way to the title, after ESC, or on a quit request.
void RunPause();

}  // namespace vantorix
