// The system keyboard state by virtual key, the virtual key a key position stands for,
// and the characters that control keys type.
#pragma once
#include <cstdint>

#include "host/win/system/types.h"

namespace host {

// 256 bytes by virtual-key code, bit 7 set while the key is down.
BOOL GetKeyboardState(uint8_t* state);
// The virtual key of a DirectInput key code (the side-specific one for SHIFT, CONTROL
// and ALT), 0 for none.
uint8_t VirtualKeyOfDik(uint8_t dik);
// The character a key types by itself: BACKSPACE, TAB, RETURN, ESCAPE, and CONTROL with
// a letter (1 to 26); 0 for other keys.
uint8_t ControlCharOfKey(uint8_t virtualKey);

}  // namespace host
