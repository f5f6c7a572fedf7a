// A window the X server destroyed under us (another client, a window manager gone wrong)
// makes every later request on it fail with BadWindow or BadDrawable, and Xlib's default
// handler then ends the process. While a window is watched, such errors about it mark it
// vanished instead; every other error goes to the handler that was there before.
#pragma once

struct SDL_Window;

namespace host::sdl {

// Watches the window from now on (on X11 only; elsewhere nothing is watched). It stays
// watched after it is destroyed, so the late errors of destroying a vanished window are
// taken too.
void WatchWindow(SDL_Window* window);
// True once an X error has said that the watched window is gone.
bool WindowVanished();

}  // namespace host::sdl
