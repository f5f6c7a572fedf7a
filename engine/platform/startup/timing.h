// Time: milliseconds and microseconds from the best clock found, and local dates.
#pragma once
#include <orvik/system.h>
#include <cstdint>

#include "host/local_time.h"

namespace orvik {

// A file time (UTC) as the local year, month, day, hour, minute, second. 0 or -1.
int FileTimeToDateTime(const host::FILETIME* fileTime, int32_t out[6]);

}  // namespace orvik
