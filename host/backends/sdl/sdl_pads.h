// SDL game controllers, and joysticks SDL has no controller mapping for, as joypads:
// attached and removed as they come and go, sticks (or plain axes), triggers, buttons,
// the d-pad and hats written into the shared pad state, rumble sent back.
#pragma once
#include <SDL.h>

#include <cstdint>

namespace host::sdl {

void OpenAttachedControllers();
// True when the event was a controller event and has been handled.
bool HandleControllerEvent(const SDL_Event& event);
void SetControllerRumble(int pad, uint16_t low, uint16_t high, uint32_t ms);
void CloseControllers();

}  // namespace host::sdl
