// Small system services the engine loads by name or calls directly: the multimedia
// timer's period, memory status, IME and desktop-composition switches.
#pragma once
#include <cstdint>

#include "host/win/system/types.h"

namespace host {

struct TIMECAPS {
    uint32_t wPeriodMin = 0, wPeriodMax = 0;
};
uint32_t timeGetDevCaps(TIMECAPS* caps, uint32_t size);
uint32_t timeBeginPeriod(uint32_t period);
uint32_t timeEndPeriod(uint32_t period);
// Periods begun and not yet ended (tests check that shutdown ends its period).
int ActiveTimerPeriods();

struct MEMORYSTATUSEX {
    uint32_t dwLength = sizeof(MEMORYSTATUSEX);
    uint32_t dwMemoryLoad = 0;
    uint64_t ullTotalPhys = 0, ullAvailPhys = 0;
    uint64_t ullTotalPageFile = 0, ullAvailPageFile = 0;
    uint64_t ullTotalVirtual = 0, ullAvailVirtual = 0;
};
BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* status);

void InitCommonControls();
// Switches IME input for a window; the last state is kept for tests.
BOOL WINNLSEnableIME(HWND window, BOOL enable);
bool IsImeEnabled();
HRESULT DwmEnableComposition(uint32_t action);
bool IsCompositionEnabled();

void ResetSystemServices();

}  // namespace host
