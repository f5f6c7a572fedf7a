// SDL scancodes (physical key positions) to DirectInput key codes.
#pragma once
#include <SDL.h>

#include <cstdint>

namespace host::sdl {

// 0 for a key that has no DirectInput code.
uint8_t ScancodeToDik(SDL_Scancode scancode);

}  // namespace host::sdl
