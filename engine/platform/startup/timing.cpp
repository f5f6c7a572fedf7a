#include "engine/platform/startup/timing.h"

#include "engine/platform/base/log.h"
#include "engine/platform/base/number.h"
#include "engine/platform/startup/sysinfo.h"
#include "host/clock.h"

namespace orvik {

namespace {

// ticks x 1000000 / rate without overflowing 64 bits on the way.
uint64_t ScaleToMicroseconds(uint64_t ticks, uint64_t rate) {
    const uint64_t million = 1000000;
    uint64_t product[2];
    Mul64To128(&ticks, &million, product);
    uint64_t quotient = 0;
    Div128By64(product, &rate, &quotient);
    return quotient;
}

void Store(const host::SYSTEMTIME& t, int32_t out[6]) {
    out[0] = t.year;
    out[1] = t.month;
    out[2] = t.day;
    out[3] = t.hour;
    out[4] = t.minute;
    out[5] = t.second;
}

}  // namespace

int32_t GetNowMilliseconds() { return int32_t(host::timeGetTime() & 0x7FFFFFFFu); }

uint64_t GetNowMicroseconds(int useCounter) {
    const SystemInfoState& s = SystemInfo();
    if (useCounter == 1 && s.timeStampCounter && s.timeStampRate != 0) {
        return ScaleToMicroseconds(host::ReadTimeStampCounter(), s.timeStampRate);
    }
    if (s.performanceCounter && s.performanceFrequency > 0) {
        int64_t count = 0;
        host::QueryPerformanceCounter(&count);
        return ScaleToMicroseconds(uint64_t(count), uint64_t(s.performanceFrequency));
    }
    return uint64_t(host::timeGetTime()) * 1000;
}

int GetLocalDateTime(int32_t out[6]) {
    if (!out) return -1;
    host::SYSTEMTIME now;
    host::GetLocalTime(&now);
    Store(now, out);
    return 0;
}

int FileTimeToDateTime(const host::FILETIME* fileTime, int32_t out[6]) {
    host::FILETIME local;
    host::SYSTEMTIME date;
    if (!out || !host::FileTimeToLocalFileTime(fileTime, &local) || !host::FileTimeToSystemTime(&local, &date)) {
        AddLogText("ファイルの時刻を日付に変換できませんでした in FileTimeToDateTime\n");
        return -1;
    }
    Store(date, out);
    return 0;
}

}  // namespace orvik
