// String library: date-time values and their elements, inline, since every
// date built or taken apart goes through here.
//
// A date-time is the number of days since 1899-12-30 00:00, the fraction
// being the time of day, on one continuous scale also before that day (so
// 1899-12-29 18:00 is -0.25): the value grows with time and its floor is the
// day number. Resolution is the millisecond: decomposition rounds to the
// nearest one, composition gives that millisecond's canonical value. Years
// run from 1 to 9999 of the proleptic Gregorian calendar.
#ifndef QES_CALENDAR_H
#define QES_CALENDAR_H

#include <stdint.h>

namespace qes_calendar {

// Days are counted from 0000-03-01: a year that starts in March ends with
// its leap day, so the months before it have fixed lengths.
const unsigned kMarchDaysTo1899_12_30 = 693899;
const int kFirstDay = 306 - int(kMarchDaysTo1899_12_30);  // 0001-01-01
const int kLastDay = 2958465;                             // 9999-12-31
const int kMsPerDay = 86400000;

// A century year divisible by 400 is one divisible by 16.
inline bool isLeapYear(int y) { return y % 100 != 0 ? y % 4 == 0 : y % 16 == 0; }

inline bool validDate(int y, int m, int d) {
    static const unsigned char kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (unsigned(y) - 1 > 9998 || unsigned(m) - 1 > 11) return false;
    return unsigned(d) - 1 < kDaysInMonth[m - 1] || (m == 2 && d == 29 && isLeapYear(y));
}

inline bool validTime(int hour, int minute, int second, int millisecond) {
    return unsigned(hour) < 24 && unsigned(minute) < 60 && unsigned(second) < 60 &&
           unsigned(millisecond) < 1000;
}

// The days from 0000-03-01 to a real date. The divisions by the lengths of
// years and months are affine functions that compile to multiplications.
inline unsigned marchDays(int y, int m, int d) {
    const unsigned beforeMarch = m < 3;
    const unsigned year = unsigned(y) - beforeMarch;
    const unsigned month = beforeMarch ? unsigned(m) + 12 : unsigned(m);
    const unsigned century = year / 100;
    return 1461 * year / 4 - century + century / 4 + (979 * month - 2919) / 32 + unsigned(d) - 1;
}

// The calendar date of a day of a year that starts in March; four bytes, so
// that the index scales in the address.
struct alignas(4) DayOfYear {
    unsigned char month, day, nextYear;  // nextYear: 1 in January and February
};
struct DayOfYearTable {
    DayOfYear of[366];
};
constexpr DayOfYearTable dayOfYearTable() {
    const unsigned char lengths[] = {31, 30, 31, 30, 31, 31, 30, 31, 30, 31, 31, 29};
    DayOfYearTable table{};
    int dayOfYear = 0;
    for (int m = 0; m < 12; ++m)
        for (int d = 1; d <= lengths[m]; ++d)
            table.of[dayOfYear++] = {static_cast<unsigned char>((m + 2) % 12 + 1),
                                     static_cast<unsigned char>(d), m >= 10};
    return table;
}
// One load where arithmetic takes a chain of multiplications.
inline constexpr DayOfYearTable kDaysOfYear = dayOfYearTable();

// The date of a count of days from 0000-03-01 (below 2^30). 2939745 is 2^32
// over the 1461 days of four years: the product's high word is the year of
// the century, its low word the day in that year, scaled.
inline void marchDate(unsigned days, int *y, int *m, int *d) {
    const unsigned centuryQuarters = 4 * days + 3;
    const unsigned century = centuryQuarters / 146097;
    const unsigned dayOfCentury = centuryQuarters % 146097 / 4;
    const uint64_t yearFraction = uint64_t(2939745) * (4 * dayOfCentury + 3);
    const unsigned yearOfCentury = unsigned(yearFraction >> 32);
    const DayOfYear &date = kDaysOfYear.of[unsigned(yearFraction) / 2939745 / 4];
    *y = int(100 * century + yearOfCentury + date.nextYear);
    *m = date.month;
    *d = date.day;
}

// The value of a day number and a millisecond of the day (below kMsPerDay).
inline double dateValue(int dayNumber, int msOfDay) {
    // The day number stays exact in the sum, so the value's floor is the day.
    return double(dayNumber) + msOfDay * (1.0 / double(kMsPerDay));
}

// The floor of a value from kFirstDay - 1 to kLastDay + 2, and its fraction
// in milliseconds, rounded: kMsPerDay when it rounds up to the next day.
inline void roundValue(double value, int &dayNumber, int &msOfDay) {
    int whole = int(value);  // toward zero, then down
    if (value < double(whole)) --whole;
    const double fraction = value - double(whole);  // exact
    msOfDay = int(fraction * double(kMsPerDay) + 0.5);
    dayNumber = whole;
}

// The day number and millisecond of the day nearest a value; false outside
// the range (NaN included).
inline bool splitValue(double value, int &dayNumber, int &msOfDay) {
    if (!(value >= kFirstDay - 1 && value <= kLastDay + 2)) return false;
    roundValue(value, dayNumber, msOfDay);
    if (msOfDay == kMsPerDay) {
        msOfDay = 0;
        ++dayNumber;
    }
    return dayNumber >= kFirstDay && dayNumber <= kLastDay;
}

// The elements of a day number in the range and a millisecond of the day.
inline void elementsOf(int dayNumber, int msOfDay, int *year, int *month, int *day, int *hour,
                       int *minute, int *second, int *millisecond) {
    marchDate(unsigned(dayNumber) + kMarchDaysTo1899_12_30, year, month, day);
    // Each element from its own division, so none waits for another.
    const unsigned ms = unsigned(msOfDay), hours = ms / 3600000, minutes = ms / 60000,
                   seconds = ms / 1000;
    *hour = int(hours);
    *minute = int(minutes - hours * 60);
    *second = int(seconds - minutes * 60);
    *millisecond = int(ms - seconds * 1000);
}

}  // namespace qes_calendar

// Non-zero, with *value written, when the elements form a real date-time
// (month 1-12, a day of that month, hour 0-23, minute and second 0-59,
// millisecond 0-999, year 1-9999); 0, and *value untouched, otherwise.
inline int qes_compose_date_milli(int year, int month, int day, int hour, int minute, int second,
                                  int millisecond, double *value) {
    using namespace qes_calendar;
    if (!validDate(year, month, day) || !validTime(hour, minute, second, millisecond)) return 0;
    const int dayNumber = int(marchDays(year, month, day) - kMarchDaysTo1899_12_30);
    *value = dateValue(dayNumber, hour * 3600000 + minute * 60000 + second * 1000 + millisecond);
    return 1;
}
inline int qes_compose_date(int year, int month, int day, int hour, int minute, int second,
                            double *value) {
    return qes_compose_date_milli(year, month, day, hour, minute, second, 0, value);
}

// Non-zero, with every element written, for a finite value within the year
// range (after rounding to the millisecond); 0, with nothing written,
// otherwise.
inline int qes_decompose_date_milli(double value, int *year, int *month, int *day, int *hour,
                                    int *minute, int *second, int *millisecond) {
    int dayNumber, msOfDay;
    if (!qes_calendar::splitValue(value, dayNumber, msOfDay)) return 0;
    qes_calendar::elementsOf(dayNumber, msOfDay, year, month, day, hour, minute, second,
                             millisecond);
    return 1;
}
inline int qes_decompose_date(double value, int *year, int *month, int *day, int *hour, int *minute,
                              int *second) {
    int millisecond;
    return qes_decompose_date_milli(value, year, month, day, hour, minute, second, &millisecond);
}

// Decomposition of a value that composition or qes_round_date gave, without
// the checks. Such a value is its millisecond's to within a rounding error,
// so it never rounds up to the next day.
inline void qes_date_elements(double value, int *year, int *month, int *day, int *hour, int *minute,
                              int *second, int *millisecond) {
    int dayNumber, msOfDay;
    qes_calendar::roundValue(value, dayNumber, msOfDay);
    qes_calendar::elementsOf(dayNumber, msOfDay, year, month, day, hour, minute, second,
                             millisecond);
}

// The canonical value of the millisecond nearest `value`: non-zero with
// *rounded written when decomposition would succeed; 0, with nothing
// written, otherwise.
inline int qes_round_date(double value, double *rounded) {
    int dayNumber, msOfDay;
    if (!qes_calendar::splitValue(value, dayNumber, msOfDay)) return 0;
    *rounded = qes_calendar::dateValue(dayNumber, msOfDay);
    return 1;
}

// Day of the week of a calendar date: 0 Sunday to 6 Saturday; -1 when the
// date is not a real one.
inline int qes_weekday(int year, int month, int day) {
    using namespace qes_calendar;
    if (!validDate(year, month, day)) return -1;
    return int((marchDays(year, month, day) + 3) % 7);  // 0000-03-01 was a Wednesday
}

#endif
