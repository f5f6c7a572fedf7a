// Time stamps of find records: six fields in local time (year, month, day, hour, minute,
// second). Archives keep system file times: 100 ns units since 1601-01-01 UTC.
#pragma once
#include <cstdint>
#include <ctime>

namespace orvik {

constexpr int64_t kFileTimeUnitsPerSecond = 10000000;
constexpr int64_t kFileTimeToUnixSeconds = 11644473600;

void LocalTimeFields(time_t time, int32_t out[6]);
time_t FileTimeToUnix(uint64_t fileTime);
uint64_t UnixToFileTime(time_t time);

}  // namespace orvik
