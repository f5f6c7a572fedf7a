#include "engine/platform/startup/sysinfo.h"

#include <cstring>
#include <string>

#include "engine/platform/base/log.h"
#include "engine/platform/startup/timing.h"
#include "host/clock.h"
#include "host/sync.h"
#include "host/system_info.h"

namespace orvik {

namespace {

SystemInfoState g_system;

constexpr const char* kLibraryVersion = "3.05";

// The version code and the word that names the version ("" when unknown).
std::string NameVersion(const host::OSVERSIONINFO& v) {
    const char servicePackMark = v.csdVersion[0] ? v.csdVersion[1] : '\0';
    if (v.platformId == host::VER_PLATFORM_WIN32s) {
        g_system.osVersionCode = kOsUnknown;
        return "3.1";
    }
    if (v.platformId == host::VER_PLATFORM_WIN32_WINDOWS) {
        switch (v.minorVersion) {
            case 0: g_system.osVersionCode = kOsWin95; return servicePackMark == 'C' ? "95OSR2" : "95";
            case 10: g_system.osVersionCode = kOsWin98; return servicePackMark == 'A' ? "98SE" : "98";
            case 90: g_system.osVersionCode = kOsWinMe; return "Me";
            default: return "";
        }
    }
    if (v.platformId != host::VER_PLATFORM_WIN32_NT) return "";
    struct Known {
        uint32_t major, minor;
        int32_t code;
        const char* word;
        bool anyMinor;
    };
    static const Known kNt[] = {
        {3, 0, kOsWinNt351, "NT 3.51", true}, {4, 0, kOsWinNt40, "4.0", true}, {5, 0, kOsWin2000, "2000", false},
        {5, 1, kOsWinXp, "XP", false},        {6, 0, kOsWinVista, "Vista", false}, {6, 1, kOsWin7, "7", false},
    };
    for (const Known& k : kNt) {
        if (v.majorVersion == k.major && (k.anyMinor || v.minorVersion == k.minor)) {
            g_system.osVersionCode = k.code;
            return k.word;
        }
    }
    return "";
}

void LogOperatingSystem() {
    AddLogText("ＯＳ  ");
    host::OSVERSIONINFO v;
    host::GetVersionEx(&v);
    g_system.osVersionCode = kOsUnknown;
    const std::string name = "Windows" + NameVersion(v);
    AddLogFormat("%s ( Build %d %s )", name.c_str(), int(v.buildNumber), v.csdVersion);
}

int32_t CpuLevel(const host::CpuIdInfo& cpu) {
    if (!cpu.hasCpuid) return 0;
    int32_t level = 1;
    if (cpu.featureEdx & (1u << 23)) {
        level = 3;
        if (cpu.featureEdx & (1u << 25)) {
            level = 4;
            if (cpu.featureEdx & (1u << 26)) level = 5;
        }
    }
    return level;
}

// Counts time-stamp ticks over at least 100 ms of the millisecond clock.
void MeasureTimeStampRate() {
    const uint64_t before = host::ReadTimeStampCounter();
    const int32_t start = GetNowMilliseconds();
    while (int32_t(uint32_t(GetNowMilliseconds() - start) & 0x7FFFFFFF) < 100) host::Sleep(1);
    const uint64_t ticks = host::ReadTimeStampCounter() - before;
    const int64_t megahertz = int64_t(double(ticks) / 100000.0);
    g_system.timeStampRate = ticks * 10;
    AddLogFormat("ＣＰＵ動作速度：大体%.2fGHz", double(megahertz) / 1000.0);
}

void LogCpuLevel() {
    static const char* const kLines[] = {
        "ＣＰＵＩＤ命令は使えません\n", "ＭＭＸは使えません\n", "ＭＭＸ命令を使用します\n",
        "ＳＳＥ命令が使用可能です\n", "ＳＳＥ２命令が使用可能です\n",
    };
    const int32_t level = g_system.cpuLevel;
    if (level <= 1) {
        AddLogText(kLines[level]);
        return;
    }
    for (int32_t i = 3; i <= level; ++i) AddLogText(kLines[i - 1]);
}

void LogProcessor() {
    host::CpuIdInfo cpu;
    host::GetCpuIdInfo(&cpu);
    g_system.cpuLevel = CpuLevel(cpu);
    g_system.timeStampCounter = cpu.hasCpuid && (cpu.featureEdx & (1u << 4)) ? 1 : 0;
    if (g_system.timeStampCounter) MeasureTimeStampRate();
    LogCpuLevel();
    g_system.mmx = g_system.cpuLevel >= 3;
    g_system.sse = g_system.cpuLevel >= 4;
    g_system.sse2 = g_system.cpuLevel >= 5;
    if (g_system.cpuLevel == 0) return;
    std::string vendor = "ＣＰＵベンダ：";
    for (int word = 0; word < 3; ++word) vendor.append(cpu.vendor + 4 * word, strnlen(cpu.vendor + 4 * word, 4));
    AddLogText((vendor + "\n").c_str());
    if (cpu.maxExtended >= 0x80000004u && cpu.brand[0] != '\0') AddLogFormat("ＣＰＵ名：%s", cpu.brand);
}

}  // namespace

SystemInfoState& SystemInfo() { return g_system; }
void ResetSystemInfo() { g_system = SystemInfoState{}; }

int OutputSystemInfo() {
    AddLogText("システムの情報を出力します\n");
    IncLogIndent();
    AddLogFormat("ＯＲＶＩＫライブラリ Ver%s", kLibraryVersion);
    host::SYSTEM_INFO info;
    host::GetSystemInfo(&info);
    g_system.processorCount = int32_t(info.numberOfProcessors);
    AddLogFormat("論理プロセッサの数 : %d", g_system.processorCount);
    LogOperatingSystem();
    LogProcessor();
    DecLogIndent();
    return 0;
}

int IsMmxAvailable() { return g_system.mmx; }

int32_t OsVersionCode() { return g_system.osVersionCode; }

}  // namespace orvik
