// Keys, typed text, the input method's composition and dropped files from SDL, turned
// into what the window gets from the system: WM_KEYDOWN / WM_SYSKEYDOWN with the key's
// virtual key and scan code, WM_CHAR in the system code page, the input method's messages
// and WM_DROPFILES. Keys that work the window's menu go to it instead.
#pragma once
#include <SDL.h>

namespace host::sdl {

// True when the event was one of these and has been handled; `redraw` is set when the
// menu's picture changed.
bool HandleKeyboardEvent(const SDL_Event& event, bool* redraw);
// Forgets a drop that was under way (the backend stops).
void ResetKeyboardEvents();

}  // namespace host::sdl
