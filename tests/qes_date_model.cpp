#include "qes_date_model.h"

#include <chrono>

namespace {

using namespace std::chrono;

constexpr long long kMsPerDay = 86400000;
constexpr sys_days kEpoch = year{1899} / December / 30;
constexpr long long kFirstDay = (sys_days{year{1} / January / 1} - kEpoch).count();
constexpr long long kLastDay = (sys_days{year{9999} / December / 31} - kEpoch).count();

bool validTime(int hour, int minute, int second, int millisecond) {
    return unsigned(hour) < 24 && unsigned(minute) < 60 && unsigned(second) < 60 &&
           unsigned(millisecond) < 1000;
}

bool validDate(int y, int m, int d) {
    static const unsigned char kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (unsigned(y) - 1 > 9998 || unsigned(m) - 1 > 11 || d < 1) return false;
    const bool leap = y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
    return d <= kDaysInMonth[m - 1] + (m == 2 && leap);
}

bool splitValue(double value, long long &dayNumber, long long &msOfDay) {
    if (!(value >= kFirstDay - 1 && value <= kLastDay + 2)) return false;
    long long whole = static_cast<long long>(value);
    if (value < double(whole)) --whole;
    const double fraction = value - double(whole);
    msOfDay = static_cast<long long>(fraction * double(kMsPerDay) + 0.5);
    dayNumber = whole;
    if (msOfDay == kMsPerDay) {
        msOfDay = 0;
        ++dayNumber;
    }
    return dayNumber >= kFirstDay && dayNumber <= kLastDay;
}

}  // namespace

namespace model {

int composeDateMilli(int y, int mo, int d, int h, int mi, int s, int ms, double *value) {
    if (!validDate(y, mo, d) || !validTime(h, mi, s, ms)) return 0;
    const long long dayNumber =
        (sys_days{year{y} / month{unsigned(mo)} / day{unsigned(d)}} - kEpoch).count();
    const int msOfDay = ((h * 60 + mi) * 60 + s) * 1000 + ms;
    *value = double(dayNumber) + msOfDay * (1.0 / double(kMsPerDay));
    return 1;
}

int decomposeDateMilli(double value, int *y, int *mo, int *d, int *h, int *mi, int *s, int *ms) {
    long long dayNumber, msOfDay;
    if (!splitValue(value, dayNumber, msOfDay)) return 0;
    const year_month_day date{kEpoch + days{dayNumber}};
    *y = int(date.year());
    *mo = int(unsigned(date.month()));
    *d = int(unsigned(date.day()));
    const unsigned int secondOfDay = unsigned(msOfDay) / 1000;
    *h = int(secondOfDay / 3600);
    *mi = int(secondOfDay / 60 % 60);
    *s = int(secondOfDay % 60);
    *ms = int(unsigned(msOfDay) % 1000);
    return 1;
}

int weekday(int y, int mo, int d) {
    if (!validDate(y, mo, d)) return -1;
    return int(std::chrono::weekday{sys_days{year{y} / month{unsigned(mo)} / day{unsigned(d)}}}.c_encoding());
}

}  // namespace model
