// The result codes that every multimedia call shares (joystick, compression manager).
#pragma once
#include <cstdint>

namespace host {

using MMRESULT = uint32_t;

constexpr MMRESULT MMSYSERR_NOERROR = 0, MMSYSERR_ERROR = 1, MMSYSERR_BADDEVICEID = 2,
                   MMSYSERR_INVALHANDLE = 5, MMSYSERR_NOMEM = 7, MMSYSERR_NOTSUPPORTED = 8,
                   MMSYSERR_INVALFLAG = 10, MMSYSERR_INVALPARAM = 11;

}  // namespace host
