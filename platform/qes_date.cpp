#include "qes_date.h"

#include <atomic>
#include <chrono>
#include <cmath>

namespace {

using namespace std::chrono;

constexpr long long kMsPerDay = 86400000;
constexpr sys_days kEpoch = year{1899} / December / 30;
constexpr long long kFirstDay = (sys_days{year{1} / January / 1} - kEpoch).count();
constexpr long long kLastDay = (sys_days{year{9999} / December / 31} - kEpoch).count();

std::atomic<int> gDateOrder{QES_DATE_MDY};

bool validTime(int hour, int minute, int second, int millisecond) {
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 &&
           millisecond >= 0 && millisecond < 1000;
}

// The calendar date, or !ok() when the elements do not form one.
year_month_day calendarDate(int y, int m, int d) {
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return year_month_day{};
    return year{y} / month{unsigned(m)} / day{unsigned(d)};
}

// The value's day number and millisecond of the day; false outside the range.
bool splitValue(double value, long long &dayNumber, long long &msOfDay) {
    if (!std::isfinite(value) || value < kFirstDay - 1 || value > kLastDay + 2) return false;
    const long long total = std::llround(value * double(kMsPerDay));
    dayNumber = total / kMsPerDay;
    msOfDay = total % kMsPerDay;
    if (msOfDay < 0) {
        msOfDay += kMsPerDay;
        --dayNumber;
    }
    return dayNumber >= kFirstDay && dayNumber <= kLastDay;
}

}  // namespace

int qes_compose_date_milli(int y, int mo, int d, int h, int mi, int s, int ms, double *value) {
    const year_month_day date = calendarDate(y, mo, d);
    if (!date.ok() || !validTime(h, mi, s, ms)) return 0;
    const long long dayNumber = (sys_days{date} - kEpoch).count();
    const long long total =
        dayNumber * kMsPerDay + ((h * 60LL + mi) * 60 + s) * 1000 + ms;
    *value = double(total) / double(kMsPerDay);
    return 1;
}

int qes_compose_date(int y, int mo, int d, int h, int mi, int s, double *value) {
    return qes_compose_date_milli(y, mo, d, h, mi, s, 0, value);
}

int qes_decompose_date_milli(double value, int *y, int *mo, int *d, int *h, int *mi, int *s,
                             int *ms) {
    long long dayNumber, msOfDay;
    if (!splitValue(value, dayNumber, msOfDay)) return 0;
    const year_month_day date{kEpoch + days{dayNumber}};
    *y = int(date.year());
    *mo = int(unsigned(date.month()));
    *d = int(unsigned(date.day()));
    *h = int(msOfDay / 3600000);
    *mi = int(msOfDay / 60000 % 60);
    *s = int(msOfDay / 1000 % 60);
    *ms = int(msOfDay % 1000);
    return 1;
}

int qes_decompose_date(double value, int *y, int *mo, int *d, int *h, int *mi, int *s) {
    int ms;
    return qes_decompose_date_milli(value, y, mo, d, h, mi, s, &ms);
}

int qes_weekday(int y, int mo, int d) {
    const year_month_day date = calendarDate(y, mo, d);
    return date.ok() ? int(weekday{sys_days{date}}.c_encoding()) : -1;
}

int qes_get_date_format(void) { return gDateOrder.load(std::memory_order_relaxed); }

int qes_set_date_format(int order) {
    if (order != QES_DATE_MDY && order != QES_DATE_DMY && order != QES_DATE_YMD) return 0;
    gDateOrder.store(order, std::memory_order_relaxed);
    return 1;
}

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A run of minDigits to maxDigits digits; *digits tells how many were read.
bool readNumber(const char *&p, int minDigits, int maxDigits, int *value, int *digits = nullptr) {
    int n = 0, v = 0;
    while (isDigit(p[n]) && n < maxDigits) v = v * 10 + (p[n++] - '0');
    if (n < minDigits || isDigit(p[n])) return false;
    p += n;
    *value = v;
    if (digits) *digits = n;
    return true;
}

bool readTime(const char *&p, int *h, int *mi, int *s) {
    *s = 0;
    if (!readNumber(p, 1, 2, h) || *p != ':') return false;
    ++p;
    if (!readNumber(p, 2, 2, mi)) return false;
    if (*p == ':') {
        ++p;
        if (!readNumber(p, 2, 2, s)) return false;
    }
    return true;
}

// A two-digit year in the window 1969-2068.
int fullYear(int value, int digits) {
    if (digits == 4) return value;
    return value >= 69 ? 1900 + value : 2000 + value;
}

bool readDate(const char *&p, int order, int *y, int *mo, int *d) {
    int n[3], digits[3];
    if (!readNumber(p, 1, 4, &n[0], &digits[0])) return false;
    const char sep = *p;
    if (sep != '/' && sep != '-' && sep != '.') return false;
    for (int i = 1; i < 3; ++i) {
        if (*p != sep) return false;
        ++p;
        if (!readNumber(p, 1, 4, &n[i], &digits[i])) return false;
    }
    if (sep == '-' && digits[0] == 4) order = QES_DATE_YMD;
    const int yearAt = order == QES_DATE_YMD ? 0 : 2;
    const int monthAt = order == QES_DATE_MDY ? 0 : 1;
    const int dayAt = order == QES_DATE_DMY ? 0 : order == QES_DATE_MDY ? 1 : 2;
    if (digits[yearAt] != 2 && digits[yearAt] != 4) return false;
    if (digits[monthAt] > 2 || digits[dayAt] > 2) return false;
    *y = fullYear(n[yearAt], digits[yearAt]);
    *mo = n[monthAt];
    *d = n[dayAt];
    return true;
}

}  // namespace

int qes_string_to_date(const char *text, int *year, int *month, int *day, int *hour, int *minute,
                       int *second, int order) {
    if (!text || order < QES_DATE_MDY || order > QES_DATE_YMD) return 1;
    const char *p = text;
    while (isBlank(*p)) ++p;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    const char *start = p;
    const bool timeAlone = readTime(p, &h, &mi, &s);
    if (!timeAlone) {
        p = start;
        h = mi = s = 0;
        if (!readDate(p, order, &y, &mo, &d)) return 1;
        // A time follows a 'T', or blanks that are not just the trailing ones.
        const char *afterDate = p;
        const bool timeMarked = *p == 'T';
        if (timeMarked) {
            ++p;
        } else {
            while (isBlank(*p)) ++p;
        }
        if ((timeMarked || (p != afterDate && *p)) && !readTime(p, &h, &mi, &s)) return 1;
    }
    while (isBlank(*p)) ++p;
    if (*p) return 1;
    double ignored;
    if (timeAlone ? !validTime(h, mi, s, 0) : !qes_compose_date(y, mo, d, h, mi, s, &ignored))
        return 1;
    *year = y;
    *month = mo;
    *day = d;
    *hour = h;
    *minute = mi;
    *second = s;
    return 0;
}
