// The window's icon. A program here carries no resources inside it: its icon resource N
// is the picture "iconN.bmp" (a BMP, alpha kept) in the program's own folder. The
// backend's window shows the class icon of the window it stands for; an icon without a
// picture (the system's own, IDI_APPLICATION and the like) leaves the backend's default.
#pragma once
#include <cstdint>
#include <string>

#include "host/win/system/types.h"

namespace host {

// The file of icon resource `resource`.
std::string IconResourcePath(uintptr_t resource);
// Where the icon pictures are looked for; empty (the default) is the program's folder.
void SetResourceDirectory(const std::string& path);
// Shows the class icon of `window` on the backend's window, when it is that window.
void ShowClassIconOnBackend(HWND window);

}  // namespace host
