// Full screen of the SDL window at the display mode the program asks for.
#pragma once
#include <SDL.h>

namespace host::sdl {

// Switches the display to its mode of width x height (the closest SDL offers of that
// size) with the window covering it. A display that offers no such size keeps its own
// mode: the window covers the desktop, the picture scaled into it, and a line on stderr
// says so.
void EnterFullscreen(SDL_Window* window, int width, int height);
// Back to a window; SDL puts the desktop's mode back (and does so too when the window is
// destroyed while in full screen).
void LeaveFullscreen(SDL_Window* window);

}  // namespace host::sdl
