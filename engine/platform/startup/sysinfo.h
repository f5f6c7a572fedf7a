// What the engine keeps about the machine: processor count, operating-system version
// code, the processor's instruction-set level and time-stamp counter, and the clock the
// microsecond time uses. Written into the log at start-up by OutputSystemInfo.
#pragma once
#include <cstdint>

namespace orvik {

// Operating-system version codes.
enum : int32_t {
    kOsUnknown = 0,
    kOsWin95 = 1,
    kOsWin98 = 2,
    kOsWinMe = 3,
    kOsWinNt351 = 260,
    kOsWinNt40 = 261,
    kOsWin2000 = 262,
    kOsWinXp = 263,
    kOsWinVista = 264,
    kOsWin7 = 265,
};

struct SystemInfoState {
    int32_t processorCount = 0;
    int32_t osVersionCode = kOsUnknown;
    // 0 no CPUID, 1 CPUID without MMX, 3 MMX, 4 MMX and SSE, 5 MMX, SSE and SSE2.
    int32_t cpuLevel = 0;
    int32_t mmx = 0;
    int32_t sse = 0;
    int32_t sse2 = 0;
    int32_t timeStampCounter = 0;
    uint64_t timeStampRate = 0;  // ticks per second, 0 until measured
    // Set by start-up when the performance counter has a rate, cleared again when the
    // multimedia timer proves finer.
    int32_t performanceCounter = 0;
    int64_t performanceFrequency = 0;
};

SystemInfoState& SystemInfo();
void ResetSystemInfo();

// Logs the outline of the machine and fills the state above. 0.
int OutputSystemInfo();
int IsMmxAvailable();
int32_t OsVersionCode();

}  // namespace orvik
