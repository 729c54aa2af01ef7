// String library: dates and times as one double (see qes_calendar.h), read
// from text and taken from the system clock.
#ifndef QES_DATE_H
#define QES_DATE_H

#include "qes_calendar.h"

// Date orders for qes_string_to_date.
enum {
    QES_DATE_MDY = 0,
    QES_DATE_DMY = 1,
    QES_DATE_YMD = 2
};

// The process-wide date order in force for reading dates (QES_DATE_MDY until
// changed); safe to call from any thread.
int qes_get_date_format(void);
// Sets it; other values than the three orders are refused (returns 0).
int qes_set_date_format(int order);

// Reads a date, a date with a time, or a time alone, surrounded by optional
// blanks (spaces and tabs):
//   date: three numbers separated by the same '/', '-' or '.', in `order`;
//         "YYYY-MM-DD" (four-digit year first, '-') is read in every order;
//   time: HH:MM or HH:MM:SS (hour of one or two digits, 24-hour clock),
//         after the date and a run of blanks or one 'T', or alone.
// Years have four digits, or two: 69-99 mean 1969-1999 and 00-68 mean
// 2000-2068. Months and days have one or two digits. Returns 0 with all six
// elements written (the date ones 0 for a time alone, the time ones 0 for a
// date alone); non-zero, with nothing written, for any other text or for
// elements that do not form a real date-time.
int qes_string_to_date(const char *text, int *year, int *month, int *day, int *hour, int *minute,
                       int *second, int order);

// The current local date-time, to the millisecond: non-zero with *value
// written; 0, with nothing written, when the clock or the local-time
// conversion fails.
int qes_timetoday(double *value);

// The local calendar time of `seconds` since 1970-01-01 00:00 UTC, in the
// process's time zone: year, month 1-12, day 1-31, hour 0-23, minute and
// second 0-59 (a leap second reads as 59). Non-zero with every element
// written; 0, with nothing written, when the system cannot convert it.
// On Windows the zone is the system's (TZ is not read), and a time before
// 1601, or one that the zone's offset takes out of the years 1601 to 30828,
// cannot be converted.
int qes_local_elements(long long seconds, int *year, int *month, int *day, int *hour, int *minute,
                       int *second);
// The date-time of `seconds` and `millisecond` in local time: non-zero with
// *value written; 0, with nothing written, when it has none (a time the
// system cannot convert, or outside the years 1 to 9999).
int qes_local_date(long long seconds, int millisecond, double *value);

#endif
