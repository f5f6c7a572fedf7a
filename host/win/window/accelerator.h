// Accelerator tables: key presses turned into WM_COMMAND messages before they are
// translated into characters.
#pragma once
#include <cstdint>

#include "host/win/system/types.h"

namespace host {

struct AccelTag;
using HACCEL = AccelTag*;

// ACCEL flags: `key` is a virtual key; the key must be pressed with Alt held.
constexpr uint8_t FVIRTKEY = 0x01, FALT = 0x10;

struct ACCEL {
    uint8_t fVirt = FVIRTKEY;
    uint16_t key = 0;
    uint16_t cmd = 0;
};

HACCEL CreateAcceleratorTableA(const ACCEL* entries, int count);
BOOL DestroyAcceleratorTable(HACCEL table);
// A WM_KEYDOWN (or WM_SYSKEYDOWN with Alt) matching an entry sends WM_COMMAND with the
// entry's command and 1 in the high word to `window`: 1. Anything else: 0.
int TranslateAcceleratorA(HWND window, HACCEL table, const MSG* msg);

}  // namespace host
