// A layered window on X11: the window cut to the shape of its picture with the X Shape
// extension, so holes show the desktop and let clicks through to what lies below.
#pragma once
#include <span>

#include "host/backends/layered_shape.h"

struct SDL_Window;

namespace host::sdl {

// Cuts the window to the runs (none: nothing of it shows); the same runs as last time
// change nothing. False where the window cannot be shaped (not X11, no Shape extension).
bool CutWindowToShape(SDL_Window* window, std::span<const ShapeRun> runs);
// The window is whole again.
void RemoveWindowShape(SDL_Window* window);
// True while a compositing manager runs on the window's screen, so that the window's
// opacity blends it with the desktop.
bool DesktopIsComposited(SDL_Window* window);

}  // namespace host::sdl
