#include "qes_date.h"

#include <ctime>

double qes_timetoday(void) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    double value = 0.0;
    qes_compose_date_milli(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                           local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                           int(now.tv_nsec / 1000000), &value);
    return value;
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
