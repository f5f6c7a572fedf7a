// The multimedia joystick calls, over the same pads as DirectInput.
#pragma once
#include <cstdint>

#include "host/win/system/mmsystem_errors.h"
#include "host/win/system/types.h"

namespace host {

constexpr uint32_t JOYERR_NOERROR = 0, JOYERR_PARMS = 165, JOYERR_UNPLUGGED = 167;
constexpr uint32_t JOYCAPS_HASZ = 0x1, JOYCAPS_HASR = 0x2, JOYCAPS_HASU = 0x4, JOYCAPS_HASV = 0x8,
                   JOYCAPS_HASPOV = 0x10;
constexpr uint32_t JOY_RETURNALL = 0xFF;

struct JOYCAPSA {
    uint32_t wNumAxes = 0, wMaxAxes = 6, wNumButtons = 0, wMaxButtons = 32, wCaps = 0;
    uint32_t wXmin = 0, wXmax = 65535, wYmin = 0, wYmax = 65535;
    char szPname[32]{};
};

struct JOYINFOEX {
    uint32_t dwSize = sizeof(JOYINFOEX), dwFlags = JOY_RETURNALL;
    uint32_t dwXpos = 0, dwYpos = 0, dwZpos = 0, dwRpos = 0, dwUpos = 0, dwVpos = 0;
    uint32_t dwButtons = 0, dwButtonNumber = 0, dwPOV = 0;
};

uint32_t joyGetDevCapsA(uintptr_t id, JOYCAPSA* caps, uint32_t size);
uint32_t joyGetPosEx(uint32_t id, JOYINFOEX* info);

}  // namespace host
