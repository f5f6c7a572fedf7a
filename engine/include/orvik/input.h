// Keyboard and joypads: keys by DirectInput code, pads as direction and button bits.
#pragma once
#include <cstdint>

namespace orvik {

// Keys by DirectInput code.
enum KeyCode : int {
    KEY_ESCAPE = 0x01, KEY_1 = 0x02, KEY_2 = 0x03, KEY_3 = 0x04, KEY_4 = 0x05, KEY_5 = 0x06,
    KEY_6 = 0x07, KEY_7 = 0x08, KEY_8 = 0x09, KEY_9 = 0x0A, KEY_0 = 0x0B, KEY_BACK = 0x0E,
    KEY_TAB = 0x0F, KEY_Q = 0x10, KEY_W = 0x11, KEY_E = 0x12, KEY_R = 0x13, KEY_T = 0x14,
    KEY_Y = 0x15, KEY_U = 0x16, KEY_I = 0x17, KEY_O = 0x18, KEY_P = 0x19, KEY_RETURN = 0x1C,
    KEY_LCONTROL = 0x1D, KEY_A = 0x1E, KEY_S = 0x1F, KEY_D = 0x20, KEY_F = 0x21, KEY_G = 0x22,
    KEY_H = 0x23, KEY_J = 0x24, KEY_K = 0x25, KEY_L = 0x26, KEY_LSHIFT = 0x2A, KEY_Z = 0x2C,
    KEY_X = 0x2D, KEY_C = 0x2E, KEY_V = 0x2F, KEY_B = 0x30, KEY_N = 0x31, KEY_M = 0x32,
    KEY_RSHIFT = 0x36, KEY_LALT = 0x38, KEY_SPACE = 0x39, KEY_F1 = 0x3B, KEY_F2 = 0x3C,
    KEY_F3 = 0x3D, KEY_F4 = 0x3E, KEY_F5 = 0x3F, KEY_F6 = 0x40, KEY_F7 = 0x41, KEY_F8 = 0x42,
    KEY_F9 = 0x43, KEY_F10 = 0x44, KEY_NUMPAD7 = 0x47, KEY_NUMPAD8 = 0x48, KEY_NUMPAD9 = 0x49,
    KEY_NUMPAD4 = 0x4B, KEY_NUMPAD5 = 0x4C, KEY_NUMPAD6 = 0x4D, KEY_NUMPAD1 = 0x4F,
    KEY_NUMPAD2 = 0x50, KEY_NUMPAD3 = 0x51, KEY_NUMPAD0 = 0x52, KEY_F11 = 0x57, KEY_F12 = 0x58,
    KEY_NUMPADENTER = 0x9C, KEY_RCONTROL = 0x9D, KEY_RALT = 0xB8, KEY_PAUSE = 0xC5,
    KEY_HOME = 0xC7, KEY_UP = 0xC8, KEY_PGUP = 0xC9, KEY_LEFT = 0xCB, KEY_RIGHT = 0xCD,
    KEY_END = 0xCF, KEY_DOWN = 0xD0, KEY_PGDN = 0xD1, KEY_INSERT = 0xD2, KEY_DELETE = 0xD3,
};

// ReadPadState bits: the four directions, then buttons 0 to 23 from bit 4 up.
enum PadBits : int32_t {
    PAD_DOWN = 0x1, PAD_LEFT = 0x2, PAD_RIGHT = 0x4, PAD_UP = 0x8, PAD_BUTTON_0 = 0x10,
};
// Added to a pad number, merges the keyboard through that pad's key map; alone it reads
// the keyboard through pad 1's map.
constexpr int PAD_WITH_KEYBOARD = 0x1000;

// 1 while the key (0 to 255) is held, else 0.
int IsKeyHeld(int keyCode);
// The pad's bits (pad number 1 to 16, optionally with PAD_WITH_KEYBOARD).
int32_t ReadPadState(int pad);
// Stops a pad's vibration (pad number from 1). 0.
int StopPadRumble(int pad);
// Starts a pad's vibration: power 0 to 10000 (above 5000 adds the sine effect), for
// `milliseconds` (negative: until stopped). 0, or -1 for a pad that cannot vibrate.
int StartPadRumble(int pad, int power, int milliseconds);

}  // namespace orvik
