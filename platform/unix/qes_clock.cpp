#include "qes_date.h"

#include <ctime>

int qes_timetoday(double *value) {
    timespec now{};
    return clock_gettime(CLOCK_REALTIME, &now) == 0 &&
           qes_local_date(now.tv_sec, int(now.tv_nsec / 1000000), value);
}

int qes_local_elements(long long seconds, int *year, int *month, int *day, int *hour, int *minute,
                       int *second) {
    const time_t when = time_t(seconds);
    tm local{};
    if (static_cast<long long>(when) != seconds || localtime_r(&when, &local) == nullptr) return 0;
    *year = local.tm_year + 1900;
    *month = local.tm_mon + 1;
    *day = local.tm_mday;
    *hour = local.tm_hour;
    *minute = local.tm_min;
    *second = local.tm_sec > 59 ? 59 : local.tm_sec;
    return 1;
}
