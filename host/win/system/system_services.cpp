#include "host/win/system/system_services.h"

#include <sys/sysinfo.h>

#include <atomic>

namespace host {

namespace {
std::atomic<int> g_periods{0};
std::atomic<bool> g_ime{true};
std::atomic<bool> g_composition{true};
}  // namespace

uint32_t timeGetDevCaps(TIMECAPS* caps, uint32_t size) {
    if (!caps || size < sizeof(TIMECAPS)) return 97;  // TIMERR_NOCANDO
    caps->wPeriodMin = 1;
    caps->wPeriodMax = 1000000;
    return 0;
}

uint32_t timeBeginPeriod(uint32_t period) {
    if (period == 0) return 97;
    ++g_periods;
    return 0;
}

uint32_t timeEndPeriod(uint32_t period) {
    if (period == 0 || g_periods == 0) return 97;
    --g_periods;
    return 0;
}

int ActiveTimerPeriods() { return g_periods; }

BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* status) {
    if (!status || status->dwLength != sizeof(MEMORYSTATUSEX)) return 0;
    struct sysinfo si {};
    if (sysinfo(&si) != 0) return 0;
    uint64_t unit = si.mem_unit ? si.mem_unit : 1;
    status->ullTotalPhys = uint64_t(si.totalram) * unit;
    status->ullAvailPhys = uint64_t(si.freeram + si.bufferram) * unit;
    status->ullTotalPageFile = status->ullTotalPhys + uint64_t(si.totalswap) * unit;
    status->ullAvailPageFile = status->ullAvailPhys + uint64_t(si.freeswap) * unit;
    status->ullTotalVirtual = uint64_t(1) << 47;
    status->ullAvailVirtual = status->ullTotalVirtual;
    status->dwMemoryLoad = status->ullTotalPhys
        ? uint32_t(100 - status->ullAvailPhys * 100 / status->ullTotalPhys) : 0;
    return 1;
}

void InitCommonControls() {}

BOOL WINNLSEnableIME(HWND, BOOL enable) {
    return g_ime.exchange(enable != 0);
}

bool IsImeEnabled() { return g_ime; }

HRESULT DwmEnableComposition(uint32_t action) {
    g_composition = action != 0;
    return S_OK;
}

bool IsCompositionEnabled() { return g_composition; }

void ResetSystemServices() {
    g_periods = 0;
    g_ime = true;
    g_composition = true;
}

}  // namespace host
