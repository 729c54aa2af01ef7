#include <qeb/qebdate.h>

#include "qes_date.h"
#include "qes_date_text.h"

#include <cstdio>

QebDate::QebDate() : mNull(true), mValue(0.0) {}

QebDate::QebDate(int year, int month, int day, int hour, int minute, int second)
    : mNull(false), mValue(0.0) {
    assign(year, month, day, hour, minute, second);
}

QebDate::QebDate(const char *text) : QebDate() { assign(text); }

QebDate::QebDate(double value) : QebDate() { assign(value); }

const QebDate &QebDate::assign(int year, int month, int day, int hour, int minute, int second) {
    mNull = !qes_compose_date(year, month, day, hour, minute, second, &mValue);
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
    int year, month, day, hour, minute, second, millisecond;
    if (!qes_decompose_date_milli(value, &year, &month, &day, &hour, &minute, &second,
                                  &millisecond)) {
        mNull = true;
        return *this;
    }
    mNull = !qes_compose_date_milli(year, month, day, hour, minute, second, millisecond, &mValue);
    return *this;
}

void QebDate::getElements(int *year, int *month, int *day, int *hour, int *minute,
                          int *second) const {
    // Decomposition writes nothing when it fails, so the zeros stand.
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!mNull) qes_decompose_date(mValue, &y, &mo, &d, &h, &mi, &s);
    if (year) *year = y;
    if (month) *month = mo;
    if (day) *day = d;
    if (hour) *hour = h;
    if (minute) *minute = mi;
    if (second) *second = s;
}

int QebDate::compare(const QebDate &other) const {
    if (mNull || other.mNull) return int(other.mNull) - int(mNull);
    if (mValue < other.mValue) return -1;
    return mValue == other.mValue ? 0 : 1;
}

QebString QebDate::asString(bool sortable) const {
    int y, mo, d, h, mi, s;
    if (mNull || !qes_decompose_date(mValue, &y, &mo, &d, &h, &mi, &s)) return QebString();
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
    int y, mo, d, h, mi, s;
    if (mNull || !qes_decompose_date(mValue, &y, &mo, &d, &h, &mi, &s)) return -1;
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
