// The main window's optional toolbar: a row of buttons above the picture whose clicks are
// kept as flags for the program to read.
#pragma once

namespace orvik {

// Toolbar buttons send their id plus this as their command.
constexpr int kToolbarCommandBase = 0x500;

// Makes the toolbar of the settings' buttons when there are any; 0, -1 when it cannot be made.
int CreateAppToolbar();
// Deletes the buttons and the toolbar window (the main window is going).
void RemoveAppToolbar();
// The toolbar window's height, 0 without one.
int GetToolbarHeight();
// Index of the first button with the id that is not a separator; -1 when none.
int FindToolbarButton(int id);
// 0; -1 without a toolbar.
int DeleteAllToolbarButtons();
// A WM_COMMAND of the toolbar: the button's clicked flag is set unless it is disabled.
void HandleToolbarCommand(int command);
// 1 when the button was clicked since the last call (the flag is cleared), 0 when not,
// -1 for an id no button has.
int TakeToolbarButtonClick(int id);

}  // namespace orvik
