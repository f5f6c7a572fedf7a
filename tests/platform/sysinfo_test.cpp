#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "engine/platform/startup/sysinfo.h"
#include "engine/platform/startup/timing.h"
#include "host/clock.h"
#include "host/system_info.h"
#include "tests/support/temp_log.h"

namespace {

using namespace orvik;

host::OSVERSIONINFO Version(uint32_t platform, uint32_t major, uint32_t minor, uint32_t build, const char* csd) {
    host::OSVERSIONINFO v;
    v.platformId = platform;
    v.majorVersion = major;
    v.minorVersion = minor;
    v.buildNumber = build;
    std::strcpy(v.csdVersion, csd);
    return v;
}

host::CpuIdInfo Cpu(uint32_t featureEdx, const char* brand) {
    host::CpuIdInfo cpu;
    cpu.hasCpuid = true;
    cpu.maxFunction = 1;
    std::strcpy(cpu.vendor, "GenuineIntel");
    cpu.featureEdx = featureEdx;
    cpu.maxExtended = brand ? 0x80000004u : 0x80000000u;
    if (brand) std::strcpy(cpu.brand, brand);
    return cpu;
}

constexpr uint32_t kTsc = 1u << 4, kMmx = 1u << 23, kSse = 1u << 25, kSse2 = 1u << 26;

class SysInfoTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSystemInfo(); }
    void TearDown() override {
        host::SetVersionForTests(nullptr);
        host::SetCpuIdInfoForTests(nullptr);
        host::SetProcessorCountForTests(0);
        ResetSystemInfo();
    }
    std::string Run(const host::OSVERSIONINFO& version, const host::CpuIdInfo& cpu) {
        host::SetVersionForTests(&version);
        host::SetCpuIdInfoForTests(&cpu);
        host::SetProcessorCountForTests(2);
        EXPECT_EQ(OutputSystemInfo(), 0);
        return log_.Read();
    }
    orvik_test::TempLog log_;
};

TEST_F(SysInfoTest, WindowsXpOnAnSse2ProcessorWithoutBrandString) {
    const std::string text = Run(Version(host::VER_PLATFORM_WIN32_NT, 5, 1, 2600, "Service Pack 3"),
                                 Cpu(kTsc | kMmx | kSse | kSse2, nullptr));
    // On the manual clock the time-stamp counter runs at exactly 1 GHz.
    EXPECT_EQ(text,
              "システムの情報を出力します\r\n"
              "\tＯＲＶＩＫライブラリ Ver3.05\r\n"
              "\t論理プロセッサの数 : 2\r\n"
              "\tＯＳ  WindowsXP ( Build 2600 Service Pack 3 )\r\n"
              "\tＣＰＵ動作速度：大体1.00GHz\r\n"
              "\tＭＭＸ命令を使用します\r\n"
              "\tＳＳＥ命令が使用可能です\r\n"
              "\tＳＳＥ２命令が使用可能です\r\n"
              "\tＣＰＵベンダ：GenuineIntel\r\n");
    EXPECT_EQ(OsVersionCode(), kOsWinXp);
    EXPECT_EQ(SystemInfo().processorCount, 2);
    EXPECT_EQ(SystemInfo().cpuLevel, 5);
    EXPECT_EQ(SystemInfo().timeStampRate, 1000000000u);
    EXPECT_EQ(IsMmxAvailable(), 1);
    EXPECT_EQ(SystemInfo().sse2, 1);
    EXPECT_EQ(Log().indent, 0);
}

TEST_F(SysInfoTest, OlderProcessorsAndTheirLevels) {
    std::string text = Run(Version(host::VER_PLATFORM_WIN32_NT, 6, 1, 7601, "Service Pack 1"), Cpu(0, "Old CPU"));
    EXPECT_NE(text.find("\tＯＳ  Windows7 ( Build 7601 Service Pack 1 )\r\n"), std::string::npos);
    EXPECT_NE(text.find("\tＭＭＸは使えません\r\n\tＣＰＵベンダ：GenuineIntel\r\n\tＣＰＵ名：Old CPU\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("ＣＰＵ動作速度"), std::string::npos);
    EXPECT_EQ(IsMmxAvailable(), 0);
    EXPECT_EQ(SystemInfo().cpuLevel, 1);

    // SSE without MMX does not count: each level needs the one before.
    ResetSystemInfo();
    Run(Version(host::VER_PLATFORM_WIN32_NT, 6, 1, 7601, ""), Cpu(kSse | kSse2, nullptr));
    EXPECT_EQ(SystemInfo().cpuLevel, 1);

    const size_t before = log_.Read().size();
    host::CpuIdInfo none;
    text = Run(Version(host::VER_PLATFORM_WIN32_NT, 6, 0, 6002, ""), none).substr(before);
    EXPECT_NE(text.find("\tＣＰＵＩＤ命令は使えません\r\n"), std::string::npos);
    EXPECT_EQ(text.find("ＣＰＵベンダ"), std::string::npos);
    EXPECT_EQ(SystemInfo().cpuLevel, 0);
    EXPECT_EQ(OsVersionCode(), kOsWinVista);
}

TEST_F(SysInfoTest, VersionCodesAndTheirWords) {
    struct Case {
        host::OSVERSIONINFO version;
        int32_t code;
        const char* line;
    } cases[] = {
        {Version(host::VER_PLATFORM_WIN32_WINDOWS, 4, 0, 1111, " C"), kOsWin95, "Windows95OSR2 ( Build 1111  C )"},
        {Version(host::VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2222, " A"), kOsWin98, "Windows98SE ( Build 2222  A )"},
        {Version(host::VER_PLATFORM_WIN32_WINDOWS, 4, 90, 3000, ""), kOsWinMe, "WindowsMe ( Build 3000  )"},
        {Version(host::VER_PLATFORM_WIN32_NT, 3, 51, 1057, ""), kOsWinNt351, "WindowsNT 3.51 ( Build 1057  )"},
        {Version(host::VER_PLATFORM_WIN32_NT, 5, 0, 2195, "Service Pack 4"), kOsWin2000,
         "Windows2000 ( Build 2195 Service Pack 4 )"},
        {Version(host::VER_PLATFORM_WIN32_NT, 10, 0, 19045, ""), kOsUnknown, "Windows ( Build 19045  )"},
        {Version(host::VER_PLATFORM_WIN32s, 3, 10, 0, ""), kOsUnknown, "Windows3.1 ( Build 0  )"},
    };
    for (const Case& c : cases) {
        const std::string text = Run(c.version, host::CpuIdInfo{});
        EXPECT_NE(text.find(std::string("ＯＳ  ") + c.line + "\r\n"), std::string::npos) << c.line;
        EXPECT_EQ(OsVersionCode(), c.code) << c.line;
    }
}

class TimingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSystemInfo();
        host::UseManualClock(true);
    }
    void TearDown() override {
        host::UseManualClock(false);
        ResetSystemInfo();
    }
};

TEST_F(TimingTest, MicrosecondsComeFromTheChosenClock) {
    host::SetManualClock(5000000);  // 5 s
    SystemInfo().timeStampCounter = 1;
    SystemInfo().timeStampRate = 2000000000;  // pretend 2 GHz: the 1 GHz counter reads half
    EXPECT_EQ(GetNowMicroseconds(1), 2500000u);
    // Without the counter flag the time-stamp counter is never used.
    EXPECT_EQ(GetNowMicroseconds(0), 5000000u);
    SystemInfo().performanceCounter = 1;
    SystemInfo().performanceFrequency = 500000;  // pretend: the 1 MHz counter reads double
    EXPECT_EQ(GetNowMicroseconds(0), 10000000u);
    EXPECT_EQ(GetNowMicroseconds(1), 2500000u);
    // An unmeasured counter rate falls back instead of dividing by 0.
    SystemInfo().timeStampRate = 0;
    EXPECT_EQ(GetNowMicroseconds(1), 10000000u);
}

TEST_F(TimingTest, MillisecondsStayNonNegativeAcrossTheWrap) {
    host::SetManualClock((int64_t(0xFFFFFFFFu)) * 1000);
    EXPECT_EQ(GetNowMilliseconds(), 0x7FFFFFFF);
    host::AdvanceManualClock(1000);
    EXPECT_EQ(GetNowMilliseconds(), 0);
    host::SetManualClock((int64_t(0x80000000u) + 5) * 1000);
    EXPECT_EQ(GetNowMilliseconds(), 5);
}

TEST_F(TimingTest, DatesFromTheLocalClockAndFileTimes) {
    host::SYSTEMTIME fixed;
    fixed.year = 2011, fixed.month = 3, fixed.day = 7, fixed.hour = 9, fixed.minute = 5, fixed.second = 30;
    host::SetLocalTimeForTests(&fixed);
    int32_t date[6] = {};
    EXPECT_EQ(GetLocalDateTime(date), 0);
    host::SetLocalTimeForTests(nullptr);
    const int32_t expected[6] = {2011, 3, 7, 9, 5, 30};
    EXPECT_EQ(std::memcmp(date, expected, sizeof date), 0);

    ::setenv("TZ", "JST-9", 1);
    ::tzset();
    const host::FILETIME file = host::UnixTimeToFileTime(1299488730, 0);  // 2011-03-07 09:05:30 UTC
    int32_t local[6] = {};
    EXPECT_EQ(FileTimeToDateTime(&file, local), 0);
    const int32_t tokyo[6] = {2011, 3, 7, 18, 5, 30};
    EXPECT_EQ(std::memcmp(local, tokyo, sizeof local), 0);
    ::unsetenv("TZ");
    ::tzset();

    orvik_test::TempLog log;
    EXPECT_EQ(FileTimeToDateTime(nullptr, local), -1);
}

}  // namespace
