// The message pump: the main window's queued messages, the wait while the window is
// inactive, and the per-frame housekeeping of the other services.
#pragma once

namespace orvik {

int PumpMessagesCore();
// Blocks while a full-screen window (or a window without run-in-background) is inactive.
void WaitForActiveWindow();
int IsWindowClosing();

}  // namespace orvik
