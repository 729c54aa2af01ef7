// The date library: millisecond rounding, refused elements, reading text in
// each order, local time. The calendar itself is checked against a model of
// its own by fuzz_date.
#include "qes_date.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace {

TEST(DateLibrary, DecompositionRoundsToTheNearestMillisecond) {
    const double ms = 1.0 / 86400000.0;
    const struct { double value; int day, hour, milli; } cases[] = {
        {0.4 * ms, 30, 0, 0}, {0.6 * ms, 30, 0, 1}, {1.0 - 0.2 * ms, 31, 0, 0},  // into the next day
        {-0.75, 29, 6, 0}, {2.5, 1, 12, 0},  // one continuous scale before 1899-12-30 and after
    };
    for (const auto &c : cases) {
        int y, mo, d, h, mi, s, milli;
        ASSERT_TRUE(qes_decompose_date_milli(c.value, &y, &mo, &d, &h, &mi, &s, &milli));
        EXPECT_EQ(std::to_string(d) + " " + std::to_string(h) + " " + std::to_string(milli),
                  std::to_string(c.day) + " " + std::to_string(c.hour) + " " + std::to_string(c.milli)) << c.value;
    }
}

TEST(DateLibrary, RefusesWhatIsNoDateTime) {
    double v = 42;
    const int refused[][7] = {
        {2024, 0, 1, 0, 0, 0, 0},  {2024, 13, 1, 0, 0, 0, 0}, {2024, 2, 30, 0, 0, 0, 0}, {2023, 2, 29, 0, 0, 0, 0},
        {1900, 2, 29, 0, 0, 0, 0}, {2024, 4, 31, 0, 0, 0, 0}, {2024, 1, 0, 0, 0, 0, 0},  {2024, 1, 1, 24, 0, 0, 0},
        {2024, 1, 1, 0, 60, 0, 0}, {2024, 1, 1, 0, 0, 60, 0}, {2024, 1, 1, -1, 0, 0, 0}, {0, 1, 1, 0, 0, 0, 0},
        {10000, 1, 1, 0, 0, 0, 0}, {-5, 1, 1, 0, 0, 0, 0},    {2024, 1, 1, 0, 0, 0, 1000},
    };
    for (const auto &e : refused)
        EXPECT_EQ(qes_compose_date_milli(e[0], e[1], e[2], e[3], e[4], e[5], e[6], &v), 0) << e[0] << "-" << e[1] << "-" << e[2];
    EXPECT_EQ(v, 42);
    int y = -7, mo, d, h, mi, s;
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), -1e300, 1e300, -693594.0 - 1, 2958466.0})
        EXPECT_EQ(qes_decompose_date(bad, &y, &mo, &d, &h, &mi, &s), 0) << bad;
    EXPECT_EQ(y, -7);
    EXPECT_EQ(qes_weekday(2023, 2, 29), -1);
}

// "YYYY-MM-DD HH:MM:SS" of what text reads as, "refused" when nothing.
std::string parse(const char *text, int order = QES_DATE_MDY) {
    int y = 99, mo, d, h, mi, s;
    if (qes_string_to_date(text, &y, &mo, &d, &h, &mi, &s, order) != 0) return y == 99 ? "refused" : "written";
    char out[64];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
    return out;
}

TEST(DateLibrary, ReadsDatesInEachOrder) {
    const struct { const char *text; int order; const char *read; } cases[] = {
        {"03/05/2024", QES_DATE_MDY, "2024-03-05 00:00:00"}, {"03/05/2024", QES_DATE_DMY, "2024-05-03 00:00:00"},
        {"2024.03.05", QES_DATE_YMD, "2024-03-05 00:00:00"},
        {"2024-03-05", QES_DATE_DMY, "2024-03-05 00:00:00"},  // ISO in every order
        {" 3-5-24 ", QES_DATE_MDY, "2024-03-05 00:00:00"}, {"31.12.69", QES_DATE_DMY, "1969-12-31 00:00:00"},
        {"1/1/68", QES_DATE_MDY, "2068-01-01 00:00:00"}, {"12/31/1999 23:59:58", QES_DATE_MDY, "1999-12-31 23:59:58"},
        {"2024-03-05T7:05", QES_DATE_MDY, "2024-03-05 07:05:00"},
        {"2024-03-05 \t 14:07:09  ", QES_DATE_MDY, "2024-03-05 14:07:09"},
        {"14:07", QES_DATE_MDY, "0000-00-00 14:07:00"}, {"\t0:00:01", QES_DATE_YMD, "0000-00-00 00:00:01"},
        {"2024/03/05", QES_DATE_MDY, "refused"}, {"1/2/2024", 3, "refused"}, {nullptr, QES_DATE_MDY, "refused"},
    };
    for (const auto &c : cases) EXPECT_EQ(parse(c.text, c.order), c.read) << (c.text ? c.text : "null");
    for (const char *text : {
             "", "   ", "2024", "20240305", "2024-03", "2024-03-05-01", "2024-03/05", "03/05/2024x",
             "2/30/2024", "13/01/2024", "0/1/2024", "1/1/0", "1/1/123", "1/1/12345", "001/1/2024",
             "2024-03-05T", "2024-03-05 x", "2024-03-05 7", "2024-03-05 7:5", "2024-03-05 24:00",
             "2024-03-05 12:60", "2024-03-05 12:00:60", "25:00", "12:", "12:5", "1:30:", "yes", "-1/2/2024",
             "1/2/2024 12:00 PM", "2024-03-05T12:00:00.5", "1/2/+2024", "２０２４-03-05"})
        EXPECT_EQ(parse(text), "refused") << text;
}

TEST(DateLibrary, ALocalTimeThatCannotBeHadIsAFailure) {
    double value = 42;
    EXPECT_FALSE(qes_local_date(LLONG_MAX, 0, &value));        // beyond the system's conversion
    EXPECT_FALSE(qes_local_date(400000000000LL, 0, &value));  // beyond the year 9999
    EXPECT_EQ(value, 42);
    ASSERT_TRUE(qes_local_date(0, 999, &value));
    int y, mo, d, h, mi, s, ms;
    ASSERT_TRUE(qes_decompose_date_milli(value, &y, &mo, &d, &h, &mi, &s, &ms));
    EXPECT_EQ(ms, 999);
}

}  // namespace
