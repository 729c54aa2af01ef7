#include <qeb/qebdate.h>

#include "qes_date.h"
#include "qes_date_text.h"

#include <cstdio>

// A date's value is always one that composition or rounding gave, or the
// first 0.0, so it is taken apart without the checks.

QebDate::QebDate() : mNull(true), mValue(0.0) {}

QebDate::QebDate(int year, int month, int day, int hour, int minute, int second)
    : mNull(false), mValue(0.0) {
    assign(year, month, day, hour, minute, second);
}

QebDate::QebDate(const char *text) : QebDate() { assign(text); }

QebDate::QebDate(double value) : QebDate() { assign(value); }

const QebDate &QebDate::assign(int year, int month, int day, int hour, int minute, int second) {
    // Composed into a local, so that a new date stores its value once.
    double value = mValue;
    mNull = !qes_compose_date(year, month, day, hour, minute, second, &value);
    mValue = value;
    return *this;
}

const QebDate &QebDate::assign(const char *text) {
    int year, month, day, hour, minute, second;
    if (!text || qes_string_to_date(text, &year, &month, &day, &hour, &minute, &second,
                                    qes_get_date_format()) != 0) {
        mNull = true;
        return *this;
    }
    return assign(year, month, day, hour, minute, second);
}

const QebDate &QebDate::assign(double value) {
    mNull = !qes_round_date(value, &mValue);
    return *this;
}

void QebDate::getElements(int *year, int *month, int *day, int *hour, int *minute,
                          int *second) const {
    if (!year || !month || !day || !hour || !minute || !second) {
        int unwanted;  // where the elements nobody asked for go
        getElements(year ? year : &unwanted, month ? month : &unwanted,
                    day ? day : &unwanted, hour ? hour : &unwanted,
                    minute ? minute : &unwanted, second ? second : &unwanted);
        return;
    }
    if (mNull) {
        *year = *month = *day = *hour = *minute = *second = 0;
        return;
    }
    int millisecond;
    qes_date_elements(mValue, year, month, day, hour, minute, second, &millisecond);
}

int QebDate::compare(const QebDate &other) const {
    if (mNull || other.mNull) return int(other.mNull) - int(mNull);
    if (mValue < other.mValue) return -1;
    return mValue == other.mValue ? 0 : 1;
}

QebString QebDate::asString(bool sortable) const {
    if (mNull) return QebString();
    int y, mo, d, h, mi, s, ms;
    qes_date_elements(mValue, &y, &mo, &d, &h, &mi, &s, &ms);
    char text[128];
    int size;
    if (sortable) {
        size = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
    } else {
        if (y < 1900) return QebString();
        size = qes_format_date_locale(y, mo, d, h, mi, s, text, int(sizeof text));
    }
    if (size < 0) return QebString();
    return QebString(text);
}

double QebDate::asDouble() const { return mValue; }

bool QebDate::isNull() const { return mNull; }

void QebDate::setNull() { mNull = true; }

int QebDate::getWeekDay() const {
    if (mNull) return -1;
    int y, mo, d, h, mi, s, ms;
    qes_date_elements(mValue, &y, &mo, &d, &h, &mi, &s, &ms);
    return qes_weekday(y, mo, d);
}

QebDate QebDate::currentDate() {
    QebDate now;
    now.mNull = !qes_timetoday(&now.mValue);
    return now;
}

bool operator<(const QebDate &a, const QebDate &b) { return a.compare(b) < 0; }

bool QebDateLess::operator()(const QebDate &a, const QebDate &b) const { return a.compare(b) < 0; }

int qebGetDateOrder() { return qes_get_date_format(); }

bool qebSetDateOrder(int order) { return qes_set_date_format(order) != 0; }
