#include "host/dinput/joystick.h"

#include <cstdio>

#include "host/dinput/input_devices.h"

namespace host {

namespace {
uint32_t Position(int32_t raw) { return uint32_t(raw + 32768); }
}  // namespace

uint32_t joyGetDevCapsA(uintptr_t id, JOYCAPSA* caps, uint32_t size) {
    if (!caps || size < sizeof(JOYCAPSA)) return MMSYSERR_INVALPARAM;
    if (id >= uintptr_t(kMaxPads)) return MMSYSERR_BADDEVICEID;
    PadInfo p = GetPadInfo(int(id));
    if (!p.attached) return JOYERR_UNPLUGGED;
    *caps = JOYCAPSA{};
    caps->wNumAxes = 6;
    caps->wNumButtons = 32;
    caps->wCaps = JOYCAPS_HASZ | JOYCAPS_HASR | JOYCAPS_HASU | JOYCAPS_HASV | JOYCAPS_HASPOV;
    std::snprintf(caps->szPname, sizeof caps->szPname, "%s", p.productName.c_str());
    return JOYERR_NOERROR;
}

uint32_t joyGetPosEx(uint32_t id, JOYINFOEX* info) {
    if (!info || info->dwSize != sizeof(JOYINFOEX)) return MMSYSERR_INVALPARAM;
    if (id >= uint32_t(kMaxPads)) return JOYERR_PARMS;
    PadInfo p = GetPadInfo(int(id));
    if (!p.attached) return JOYERR_UNPLUGGED;
    info->dwXpos = Position(p.axes[kAxisX]);
    info->dwYpos = Position(p.axes[kAxisY]);
    info->dwZpos = Position(p.axes[kAxisZ]);
    info->dwRpos = Position(p.axes[kAxisRz]);
    info->dwUpos = Position(p.axes[kAxisRx]);
    info->dwVpos = Position(p.axes[kAxisRy]);
    info->dwButtons = 0;
    info->dwButtonNumber = 0;
    for (uint32_t b = 0; b < 32; ++b)
        if (p.buttons[b]) {
            info->dwButtons |= 1u << b;
            ++info->dwButtonNumber;
        }
    info->dwPOV = p.pov[0] == kPovCentred ? 0xFFFF : p.pov[0];
    return JOYERR_NOERROR;
}

}  // namespace host
