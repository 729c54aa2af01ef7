// Dates read from text in the order of the first byte ('0' month-day-year,
// '1' day-month-year, '2' year-month-day): a date read has real elements,
// the value and weekday of a calendar counted here, and comes back from its
// elements, its sortable text and its text in the same order. Text that is a
// number is also read as a day count.
#include "fuzz_support.h"

#include <qeb/qebdate.h>

#include <cmath>

namespace {

const double kMillisecond = 1.0 / 86400000.0;

// Days since 1970-01-01 of a proleptic Gregorian date.
long long daysFromCivil(long long y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yearOfEra = y - era * 400;
    const long long dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    return era * 146097 + yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear - 719468;
}

int daysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
    return kDays[m - 1] + (m == 2 && leap);
}

struct Elements {
    int year, month, day, hour, minute, second;
};

std::string format(const char *pattern, int a, int b, int c, int hour, int minute, int second) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, a, b, c, hour, minute, second);
    return text;
}

// The text of the elements in each order: month-day-year, day-month-year,
// year-month-day.
std::string textInOrder(int order, const Elements &e) {
    switch (order) {
    case 0: return format("%d/%d/%04d %d:%02d:%02d", e.month, e.day, e.year, e.hour, e.minute, e.second);
    case 1:
        return format(e.second ? "%02d.%02d.%04d %02d:%02d:%02d" : "%02d.%02d.%04d %02d:%02d", e.day, e.month, e.year,
                      e.hour, e.minute, e.second);
    default: return format("%04d/%d/%dT%d:%02d:%02d", e.year, e.month, e.day, e.hour, e.minute, e.second);
    }
}

std::string sortableText(const Elements &e) {
    return format("%04d-%02d-%02d %02d:%02d:%02d", e.year, e.month, e.day, e.hour, e.minute, e.second);
}

void checkSameDate(const QebDate &date, const std::string &text, const char *what) {
    const QebDate back(text.c_str());
    FUZZ_CHECK(!back.isNull() && back.compare(date) == 0 && back.asDouble() == date.asDouble(),
               "%.17g comes back from %s %s as %.17g", date.asDouble(), what, escaped(text).c_str(), back.asDouble());
}

// The elements of a date: real ones, on the calendar counted here, with its
// weekday; the value adds milliseconds below the second.
Elements checkElements(const QebDate &date, const std::string &input) {
    Elements e;
    date.getElements(&e.year, &e.month, &e.day, &e.hour, &e.minute, &e.second);
    FUZZ_CHECK(e.year >= 1 && e.year <= 9999 && e.month >= 1 && e.month <= 12 && e.day >= 1 &&
                   e.day <= daysInMonth(e.year, e.month) && e.hour >= 0 && e.hour < 24 && e.minute >= 0 &&
                   e.minute < 60 && e.second >= 0 && e.second < 60,
               "%s gives the elements %s", escaped(input).c_str(), sortableText(e).c_str());
    const long long day = daysFromCivil(e.year, e.month, e.day);
    const double dayNumber = double(day - daysFromCivil(1899, 12, 30));
    const double second = dayNumber + ((e.hour * 60 + e.minute) * 60 + e.second) / 86400.0;
    const double value = date.asDouble();
    FUZZ_CHECK(
        value > second - kMillisecond / 2 && value < second + 1000 * kMillisecond && std::floor(value) == dayNumber,
        "%s: %.17g, not in the second of %.17g", escaped(input).c_str(), value, second);
    FUZZ_CHECK(date.getWeekDay() == int((day % 7 + 11) % 7), "%s falls on day %d", escaped(input).c_str(),
               date.getWeekDay());
    FUZZ_CHECK(QebDate(value).asDouble() == value, "%.17g is not canonical", value);
    return e;
}

// A date read from text comes back from its elements and its texts.
void checkTextDate(const QebDate &date, int order, const std::string &input) {
    const Elements e = checkElements(date, input);
    const QebDate fromElements(e.year, e.month, e.day, e.hour, e.minute, e.second);
    FUZZ_CHECK(fromElements.compare(date) == 0 && fromElements.asDouble() == date.asDouble(),
               "%s does not come back from its elements", escaped(input).c_str());
    const std::string sortable = sortableText(e);
    FUZZ_CHECK(bytesOf(date.asString(true)) == sortable, "%s is written %s", escaped(input).c_str(),
               date.asString(true).asCstr());
    for (int other = 0; other < 3; ++other) {
        FUZZ_CHECK(qebSetDateOrder(other), "order %d refused", other);
        checkSameDate(date, sortable, "the sortable text");
    }
    FUZZ_CHECK(qebSetDateOrder(order), "order %d refused", order);
    checkSameDate(date, textInOrder(order, e), "its text in order");
}

// A day count: null only outside the years 1 to 9999, else within half a
// millisecond (and the rounding of the double that holds it).
void checkDayCount(double count) {
    const QebDate date(count);
    const double first = double(daysFromCivil(1, 1, 1) - daysFromCivil(1899, 12, 30));
    const double end = double(daysFromCivil(10000, 1, 1) - daysFromCivil(1899, 12, 30));
    if (date.isNull()) {
        FUZZ_CHECK(!(count >= first + kMillisecond && count < end - kMillisecond), "the day count %.17g is refused",
                   count);
        return;
    }
    const double value = date.asDouble();
    const double ulp = std::nextafter(std::fabs(count), INFINITY) - std::fabs(count);
    FUZZ_CHECK(std::fabs(value - count) <= kMillisecond / 2 + 4 * ulp, "the day count %.17g becomes %.17g", count,
               value);
    checkElements(date, std::to_string(count));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const int order = data[0] % 3;
    const std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
    FUZZ_CHECK(qebSetDateOrder(order) && qebGetDateOrder() == order, "order %d refused", order);
    const QebDate date(text.c_str());
    if (!date.isNull()) checkTextDate(date, order, text);
    char *end = nullptr;
    const double count = std::strtod(text.c_str(), &end);
    if (end != text.c_str() && *end == '\0') checkDayCount(count);
    return 0;
}
