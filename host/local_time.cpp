#include "host/local_time.h"

#include <ctime>
#include <mutex>
#include <optional>

namespace host {

namespace {

constexpr int64_t kTicksPerSecond = 10000000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t kEpochDifference = 11644473600LL;

struct Fixed {
    std::mutex mutex;
    std::optional<SYSTEMTIME> now;
};

Fixed& State() {
    static Fixed state;
    return state;
}

int64_t Ticks(const FILETIME& t) { return int64_t((uint64_t(t.highDateTime) << 32) | t.lowDateTime); }

FILETIME FromTicks(int64_t ticks) {
    FILETIME t;
    t.lowDateTime = uint32_t(uint64_t(ticks));
    t.highDateTime = uint32_t(uint64_t(ticks) >> 32);
    return t;
}

SYSTEMTIME FromTm(const std::tm& tm, int milliseconds) {
    SYSTEMTIME s;
    s.year = uint16_t(tm.tm_year + 1900);
    s.month = uint16_t(tm.tm_mon + 1);
    s.dayOfWeek = uint16_t(tm.tm_wday);
    s.day = uint16_t(tm.tm_mday);
    s.hour = uint16_t(tm.tm_hour);
    s.minute = uint16_t(tm.tm_min);
    s.second = uint16_t(tm.tm_sec);
    s.milliseconds = uint16_t(milliseconds);
    return s;
}

}  // namespace

void GetLocalTime(SYSTEMTIME* time) {
    if (!time) return;
    {
        Fixed& s = State();
        std::lock_guard lock(s.mutex);
        if (s.now) {
            *time = *s.now;
            return;
        }
    }
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    localtime_r(&ts.tv_sec, &tm);
    *time = FromTm(tm, int(ts.tv_nsec / 1000000));
}

void SetLocalTimeForTests(const SYSTEMTIME* time) {
    Fixed& s = State();
    std::lock_guard lock(s.mutex);
    if (time) {
        s.now = *time;
    } else {
        s.now.reset();
    }
}

FILETIME UnixTimeToFileTime(int64_t seconds, int64_t nanoseconds) {
    return FromTicks((seconds + kEpochDifference) * kTicksPerSecond + nanoseconds / 100);
}

bool FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
    if (!utc || !local) return false;
    const time_t seconds = time_t(Ticks(*utc) / kTicksPerSecond - kEpochDifference);
    std::tm tm{};
    if (!localtime_r(&seconds, &tm)) return false;
    *local = FromTicks(Ticks(*utc) + int64_t(tm.tm_gmtoff) * kTicksPerSecond);
    return true;
}

bool FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* time) {
    if (!fileTime || !time) return false;
    const int64_t ticks = Ticks(*fileTime);
    if (ticks < 0) return false;
    const time_t seconds = time_t(ticks / kTicksPerSecond - kEpochDifference);
    std::tm tm{};
    if (!gmtime_r(&seconds, &tm) || tm.tm_year + 1900 > 30827) return false;
    *time = FromTm(tm, int((ticks % kTicksPerSecond) / 10000));
    return true;
}

}  // namespace host
