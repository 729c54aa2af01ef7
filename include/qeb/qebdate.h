// QebDate: a date-time value with a null state.
//
// The value is a double counting days since 1899-12-30 00:00 (the fraction
// is the time of day; earlier dates are negative on the same continuous
// scale), to the millisecond, for years 1 to 9999. Later date-times have
// larger values; null dates order before every date. A QebDate is a plain
// value: copying copies the flag and the double. Nothing throws; refused
// elements, unreadable text and out-of-range doubles give a null date.
#ifndef QEB_QEBDATE_H
#define QEB_QEBDATE_H

#include <qeb/qebexport.h>
#include <qeb/qebstring.h>

class QEB_API QebDate {
public:
    // Null, value 0.0.
    QebDate();
    // The date-time of these elements (month 1-12, hour 0-23, ...); null,
    // value 0.0, when they form none (30 February, hour 24, year 0).
    QebDate(int year, int month, int day, int hour, int minute, int second);
    // Reads text as assign(const char *) does.
    explicit QebDate(const char *text);
    // Normalises a double as assign(double) does.
    explicit QebDate(double value);

    // Sets the date from elements; null when they form none (the value is
    // then left as it was).
    const QebDate &assign(int year, int month, int day, int hour, int minute, int second);
    // Reads a date, date and time, or time alone in the process-wide date
    // order in force (month-day-year until changed; see qebSetDateOrder);
    // null when the text is none. A time alone has the date elements 0 and
    // so gives a null date.
    const QebDate &assign(const char *text);
    // Takes the date-time of the millisecond nearest the value; null (the
    // value left as it was) outside the years 1 to 9999 or for NaN.
    const QebDate &assign(double value);

    // The elements (all 0 for a null date); null pointers are skipped.
    void getElements(int *year, int *month, int *day, int *hour, int *minute, int *second) const;
    // -1, 0 or 1; null before every date, two nulls equal.
    [[nodiscard]] int compare(const QebDate &other) const;
    // sortable: "YYYY-MM-DD HH:MM:SS" (the year with four digits). Otherwise
    // the current C locale's date and time ("%x %X") as UTF-8; null for
    // years before 1900. A null date gives a null string.
    [[nodiscard]] QebString asString(bool sortable) const;
    // The stored value, whatever the null flag.
    [[nodiscard]] double asDouble() const;
    [[nodiscard]] bool isNull() const;
    // Makes the date null; asDouble still gives the value.
    void setNull();
    // 0 Sunday to 6 Saturday, from the calendar; -1 for a null date.
    [[nodiscard]] int getWeekDay() const;
    // The current local date-time, to the millisecond.
    [[nodiscard]] static QebDate currentDate();

private:
    bool mNull;
    double mValue;
};

[[nodiscard]] QEB_API bool operator<(const QebDate &a, const QebDate &b);

struct QEB_API QebDateLess {
    [[nodiscard]] bool operator()(const QebDate &a, const QebDate &b) const;
};

// The date order text is read in, process-wide: 0 month-day-year, 1
// day-month-year, 2 year-month-day. "YYYY-MM-DD" is read in every order.
[[nodiscard]] QEB_API int qebGetDateOrder();
// False, and nothing changed, for any other value.
QEB_API bool qebSetDateOrder(int order);

#endif
