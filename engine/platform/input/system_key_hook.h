// The optional system-key hook: a library, loaded from a path while the main window is
// active, that hooks the keyboard so the system keys do not take the focus away. Older
// systems get the same effect by telling the system a screen saver runs.
#pragma once

namespace orvik {

// Installs the hook when a library is set and none is installed.
void InstallSystemKeyHook();
// Removes the hook and frees its library (or ends the older systems' stand-in).
void RemoveSystemKeyHook();

}  // namespace orvik
