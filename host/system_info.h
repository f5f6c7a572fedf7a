// What the machine reports about itself: the operating-system version, the number of
// processors and the processor's identification. Tests can set each to what they need.
#pragma once
#include <cstdint>

namespace host {

constexpr uint32_t VER_PLATFORM_WIN32s = 0;
constexpr uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFO {
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;
    uint32_t platformId = 0;
    char csdVersion[128] = {};  // the service-pack text
};

// The stand-in reports Windows 7 with Service Pack 1 unless a test says otherwise.
bool GetVersionEx(OSVERSIONINFO* info);
// Null goes back to the default.
void SetVersionForTests(const OSVERSIONINFO* info);

struct SYSTEM_INFO {
    uint32_t numberOfProcessors = 0;
};
void GetSystemInfo(SYSTEM_INFO* info);
// 0 goes back to the real count.
void SetProcessorCountForTests(uint32_t count);

// The processor's identification as CPUID gives it.
struct CpuIdInfo {
    bool hasCpuid = false;
    uint32_t maxFunction = 0;     // function 0
    char vendor[13] = {};         // function 0, EBX EDX ECX
    uint32_t featureEdx = 0;      // function 1
    uint32_t maxExtended = 0;     // function 0x80000000
    char brand[49] = {};          // functions 0x80000002-4, empty when not reported
};
void GetCpuIdInfo(CpuIdInfo* info);
// Null goes back to the real processor.
void SetCpuIdInfoForTests(const CpuIdInfo* info);

// The vector instruction sets a build may choose at run time. Every such choice (the
// software renderer's block loops, the pixel conversions' byte rows, the device's spans,
// the window's row converters) asks here, so they agree on what the processor runs.
// Asks the real processor always: the identification above is what programs are told.
enum class CpuFeature { Ssse3, Avx2 };
bool ProcessorHas(CpuFeature feature);

}  // namespace host
