#include "host/system_info.h"

#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace host {

namespace {

struct Overrides {
    std::mutex mutex;
    std::optional<OSVERSIONINFO> version;
    uint32_t processors = 0;
    std::optional<CpuIdInfo> cpu;
};

Overrides& State() {
    static Overrides state;
    return state;
}

OSVERSIONINFO DefaultVersion() {
    OSVERSIONINFO v;
    v.majorVersion = 6;
    v.minorVersion = 1;
    v.buildNumber = 7601;
    v.platformId = VER_PLATFORM_WIN32_NT;
    std::strcpy(v.csdVersion, "Service Pack 1");
    return v;
}

CpuIdInfo ProbeCpu() {
    CpuIdInfo info;
#if defined(__x86_64__) || defined(__i386__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(0, &a, &b, &c, &d) == 0) return info;
    info.hasCpuid = true;
    info.maxFunction = a;
    std::memcpy(info.vendor, &b, 4);
    std::memcpy(info.vendor + 4, &d, 4);
    std::memcpy(info.vendor + 8, &c, 4);
    if (info.maxFunction >= 1) {
        __get_cpuid(1, &a, &b, &c, &d);
        info.featureEdx = d;
    }
    info.maxExtended = __get_cpuid_max(0x80000000u, nullptr);
    if (info.maxExtended >= 0x80000004u) {
        for (unsigned i = 0; i < 3; ++i) {
            unsigned r[4] = {};
            __get_cpuid(0x80000002u + i, &r[0], &r[1], &r[2], &r[3]);
            std::memcpy(info.brand + 16 * i, r, 16);
        }
    }
#endif
    return info;
}

}  // namespace

bool GetVersionEx(OSVERSIONINFO* info) {
    if (!info) return false;
    Overrides& s = State();
    std::lock_guard lock(s.mutex);
    *info = s.version ? *s.version : DefaultVersion();
    return true;
}

void SetVersionForTests(const OSVERSIONINFO* info) {
    Overrides& s = State();
    std::lock_guard lock(s.mutex);
    if (info) {
        s.version = *info;
    } else {
        s.version.reset();
    }
}

void GetSystemInfo(SYSTEM_INFO* info) {
    if (!info) return;
    Overrides& s = State();
    std::lock_guard lock(s.mutex);
    const unsigned real = std::thread::hardware_concurrency();
    info->numberOfProcessors = s.processors ? s.processors : (real ? real : 1);
}

void SetProcessorCountForTests(uint32_t count) {
    Overrides& s = State();
    std::lock_guard lock(s.mutex);
    s.processors = count;
}

void GetCpuIdInfo(CpuIdInfo* info) {
    if (!info) return;
    Overrides& s = State();
    std::lock_guard lock(s.mutex);
    *info = s.cpu ? *s.cpu : ProbeCpu();
}

void SetCpuIdInfoForTests(const CpuIdInfo* info) {
    Overrides& s = State();
    std::lock_guard lock(s.mutex);
    if (info) {
        s.cpu = *info;
    } else {
        s.cpu.reset();
    }
}

bool ProcessorHas(CpuFeature feature) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return feature == CpuFeature::Avx2 ? avx2 : ssse3;
#else
    (void)feature;
    return false;
#endif
}

}  // namespace host
