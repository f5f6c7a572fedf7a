// Time: milliseconds and microseconds from the best clock found, and local dates.
#pragma once
#include <cstdint>

#include "host/local_time.h"

namespace orvik {

// The millisecond tick with its top bit cleared: 0 to 2^31 - 1, wrapping.
int32_t GetNowMilliseconds();
// Microseconds: with useCounter and a measured time-stamp counter from it; else from the
// performance counter when start-up chose it; else the millisecond tick x 1000.
uint64_t GetNowMicroseconds(int useCounter);
// Year, month, day, hour, minute, second of the local time. 0.
int GetLocalDateTime(int32_t out[6]);
// A file time (UTC) as the local year, month, day, hour, minute, second. 0 or -1.
int FileTimeToDateTime(const host::FILETIME* fileTime, int32_t out[6]);

}  // namespace orvik
