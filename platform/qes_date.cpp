#include "qes_date.h"

#include <atomic>

namespace {

std::atomic<int> gDateOrder{QES_DATE_MDY};

}  // namespace

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
    if (timeAlone ? !qes_calendar::validTime(h, mi, s, 0)
                  : !qes_compose_date(y, mo, d, h, mi, s, &ignored))
        return 1;
    *year = y;
    *month = mo;
    *day = d;
    *hour = h;
    *minute = mi;
    *second = s;
    return 0;
}

int qes_local_date(long long seconds, int millisecond, double *value) {
    int year, month, day, hour, minute, second;
    return qes_local_elements(seconds, &year, &month, &day, &hour, &minute, &second) &&
           qes_compose_date_milli(year, month, day, hour, minute, second, millisecond, value);
}
