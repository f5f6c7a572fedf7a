// The menu bar, drop-down lists and toolbar of the SDL window: drawn over the picture
// from host's chrome, and the pointer handed to it.
#pragma once
#include <SDL.h>

#include "host/win/system/types.h"

namespace host::sdl {

// Draws the window's menu bar, toolbar and open lists over what the renderer holds.
void DrawChromeOverlay(SDL_Renderer* renderer, HWND window, int width, int height);
void ReleaseChromeOverlay();
// Mouse events: the pointer's position goes to the cursor the engine reads, presses and
// moves to the chrome. True when the chrome's picture changed and the window is to be
// drawn again.
bool HandlePointerEvent(const SDL_Event& event, HWND window, SDL_Renderer* renderer);

}  // namespace host::sdl
