// Wall-clock dates: the local time now, and file times (100 ns steps since 1601, UTC)
// turned into local broken-down dates. Tests can fix "now".
#pragma once
#include <cstdint>

namespace host {

struct SYSTEMTIME {
    uint16_t year = 0;
    uint16_t month = 0;
    uint16_t dayOfWeek = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};

struct FILETIME {
    uint32_t lowDateTime = 0;
    uint32_t highDateTime = 0;
};

void GetLocalTime(SYSTEMTIME* time);
// Null goes back to the real time.
void SetLocalTimeForTests(const SYSTEMTIME* time);

// A POSIX time (seconds and nanoseconds since 1970, UTC) as a file time.
FILETIME UnixTimeToFileTime(int64_t seconds, int64_t nanoseconds);
// UTC file time to local file time by the zone's offset at that moment.
bool FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
// A file time to its broken-down date (no zone change). False outside years 1601-30827.
bool FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* time);

}  // namespace host
