#include "engine/platform/files/file_times.h"

namespace orvik {

void LocalTimeFields(time_t time, int32_t out[6]) {
    struct tm local {};
    if (localtime_r(&time, &local) == nullptr) {
        for (int i = 0; i < 6; ++i) out[i] = 0;
        return;
    }
    out[0] = local.tm_year + 1900;
    out[1] = local.tm_mon + 1;
    out[2] = local.tm_mday;
    out[3] = local.tm_hour;
    out[4] = local.tm_min;
    out[5] = local.tm_sec;
}

time_t FileTimeToUnix(uint64_t fileTime) {
    return static_cast<time_t>(static_cast<int64_t>(fileTime / kFileTimeUnitsPerSecond) -
                               kFileTimeToUnixSeconds);
}

uint64_t UnixToFileTime(time_t time) {
    const int64_t seconds = static_cast<int64_t>(time) + kFileTimeToUnixSeconds;
    return seconds < 0 ? 0 : static_cast<uint64_t>(seconds) * kFileTimeUnitsPerSecond;
}

}  // namespace orvik
