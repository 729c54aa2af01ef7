// String library on Windows: the clock and local time.
#include "qes_date.h"

#include <windows.h>

#include <climits>

namespace {

// FILETIME counts 100-nanosecond ticks since 1601-01-01 00:00 UTC.
constexpr long long kTicksPerSecond = 10000000;
constexpr long long kSecondsFrom1601To1970 = 11644473600LL;

}  // namespace

int qes_timetoday(double *value) {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    const long long ticks = (long long)now.dwHighDateTime << 32 | now.dwLowDateTime;
    return qes_local_date(ticks / kTicksPerSecond - kSecondsFrom1601To1970,
                          int(ticks % kTicksPerSecond / (kTicksPerSecond / 1000)), value);
}

int qes_local_elements(long long seconds, int *year, int *month, int *day, int *hour, int *minute,
                       int *second) {
    // A FILETIME holds no time before 1601 and none beyond 2^63 ticks.
    const long long latest = LLONG_MAX / kTicksPerSecond - kSecondsFrom1601To1970;
    if (seconds < -kSecondsFrom1601To1970 || seconds > latest) return 0;
    const unsigned long long ticks = (unsigned long long)(seconds + kSecondsFrom1601To1970) * kTicksPerSecond;
    const FILETIME when = {DWORD(ticks), DWORD(ticks >> 32)};
    // The conversion fails near the ends of that range when the zone's
    // offset would take the time out of it.
    SYSTEMTIME universal, local;
    if (!FileTimeToSystemTime(&when, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return 0;
    *year = local.wYear;
    *month = local.wMonth;
    *day = local.wDay;
    *hour = local.wHour;
    *minute = local.wMinute;
    *second = local.wSecond > 59 ? 59 : local.wSecond;
    return 1;
}
