#include "qes_date.h"

#include <gtest/gtest.h>

#include <climits>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace {

// Our calendar against Python's over thousands of date-times: the day number
// is the value's floor, decomposition gives back every element, and the
// weekday agrees.
TEST(DateLibrary, AgreesWithPythonAcrossTheRange) {
    FILE *oracle = popen("python3 '" QEB_TEST_SOURCE_DIR "/date_oracle.py' 5000", "r");
    ASSERT_NE(oracle, nullptr);
    int e[7], back[7], weekday, checked = 0;
    long long dayNumber;
    while (std::fscanf(oracle, "%d %d %d %d %d %d %d %lld %d", &e[0], &e[1], &e[2], &e[3], &e[4],
                       &e[5], &e[6], &dayNumber, &weekday) == 9) {
        double value = std::nan("");
        ASSERT_TRUE(qes_compose_date_milli(e[0], e[1], e[2], e[3], e[4], e[5], e[6], &value));
        ASSERT_TRUE(qes_decompose_date_milli(value, &back[0], &back[1], &back[2], &back[3],
                                             &back[4], &back[5], &back[6]));
        ASSERT_TRUE(std::equal(e, e + 7, back)) << e[0] << "-" << e[1] << "-" << e[2];
        ASSERT_EQ(std::floor(value), double(dayNumber)) << e[0] << "-" << e[1] << "-" << e[2];
        ASSERT_EQ(qes_weekday(e[0], e[1], e[2]), weekday);
        ++checked;
    }
    EXPECT_EQ(pclose(oracle), 0);
    EXPECT_EQ(checked, 5000);
}

TEST(DateLibrary, ScaleIsContinuousAroundTheEpoch) {
    double v = 0;
    ASSERT_TRUE(qes_compose_date(1899, 12, 30, 0, 0, 0, &v));
    EXPECT_EQ(v, 0.0);
    ASSERT_TRUE(qes_compose_date(1899, 12, 29, 18, 0, 0, &v));
    EXPECT_EQ(v, -0.25);
    ASSERT_TRUE(qes_compose_date(1900, 1, 1, 12, 0, 0, &v));
    EXPECT_EQ(v, 2.5);
    int y, mo, d, h, mi, s, ms;
    ASSERT_TRUE(qes_decompose_date_milli(-0.75, &y, &mo, &d, &h, &mi, &s, &ms));
    EXPECT_EQ(y * 10000 + mo * 100 + d, 18991229);
    EXPECT_EQ(h, 6);
    // Between two milliseconds: the nearest one.
    ASSERT_TRUE(qes_decompose_date_milli(0.4 / 86400000.0, &y, &mo, &d, &h, &mi, &s, &ms));
    EXPECT_EQ(ms, 0);
    ASSERT_TRUE(qes_decompose_date_milli(0.6 / 86400000.0, &y, &mo, &d, &h, &mi, &s, &ms));
    EXPECT_EQ(ms, 1);
    // Rounding up into the next day.
    ASSERT_TRUE(qes_decompose_date_milli(1.0 - 0.2 / 86400000.0, &y, &mo, &d, &h, &mi, &s, &ms));
    EXPECT_EQ(d * 100 + h, 3100);
}

TEST(DateLibrary, RefusesWhatIsNoDateTime) {
    double v = 42;
    const int refused[][6] = {
        {2024, 0, 1, 0, 0, 0},  {2024, 13, 1, 0, 0, 0}, {2024, 2, 30, 0, 0, 0},
        {2023, 2, 29, 0, 0, 0}, {1900, 2, 29, 0, 0, 0}, {2024, 4, 31, 0, 0, 0},
        {2024, 1, 0, 0, 0, 0},  {2024, 1, 1, 24, 0, 0}, {2024, 1, 1, 0, 60, 0},
        {2024, 1, 1, 0, 0, 60}, {2024, 1, 1, -1, 0, 0}, {0, 1, 1, 0, 0, 0},
        {10000, 1, 1, 0, 0, 0}, {-5, 1, 1, 0, 0, 0},
    };
    for (const auto &e : refused) {
        EXPECT_EQ(qes_compose_date(e[0], e[1], e[2], e[3], e[4], e[5], &v), 0)
            << e[0] << "-" << e[1] << "-" << e[2] << " " << e[3] << ":" << e[4] << ":" << e[5];
    }
    EXPECT_EQ(qes_compose_date_milli(2024, 1, 1, 0, 0, 0, 1000, &v), 0);
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(qes_compose_date(2000, 2, 29, 23, 59, 59, &v));

    int y = -7, mo, d, h, mi, s;
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), -1e300, 1e300,
                       -693594.0 - 1, 2958466.0})
        EXPECT_EQ(qes_decompose_date(bad, &y, &mo, &d, &h, &mi, &s), 0) << bad;
    EXPECT_EQ(y, -7);
    EXPECT_EQ(qes_weekday(2023, 2, 29), -1);
}

struct Parsed {
    int result, y, mo, d, h, mi, s;
};

Parsed parse(const char *text, int order) {
    Parsed p{};
    p.result = qes_string_to_date(text, &p.y, &p.mo, &p.d, &p.h, &p.mi, &p.s, order);
    return p;
}

std::string show(const Parsed &p) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.y, p.mo, p.d, p.h, p.mi,
                  p.s);
    return p.result == 0 ? text : "refused";
}

TEST(DateLibrary, ReadsDatesInEachOrder) {
    EXPECT_EQ(show(parse("03/05/2024", QES_DATE_MDY)), "2024-03-05 00:00:00");
    EXPECT_EQ(show(parse("03/05/2024", QES_DATE_DMY)), "2024-05-03 00:00:00");
    EXPECT_EQ(show(parse("2024.03.05", QES_DATE_YMD)), "2024-03-05 00:00:00");
    EXPECT_EQ(show(parse("2024-03-05", QES_DATE_MDY)), "2024-03-05 00:00:00");  // ISO in every order
    EXPECT_EQ(show(parse("2024-03-05", QES_DATE_DMY)), "2024-03-05 00:00:00");
    EXPECT_EQ(show(parse(" 3-5-24 ", QES_DATE_MDY)), "2024-03-05 00:00:00");
    EXPECT_EQ(show(parse("31.12.69", QES_DATE_DMY)), "1969-12-31 00:00:00");
    EXPECT_EQ(show(parse("1/1/68", QES_DATE_MDY)), "2068-01-01 00:00:00");
    EXPECT_EQ(show(parse("12/31/1999 23:59:58", QES_DATE_MDY)), "1999-12-31 23:59:58");
    EXPECT_EQ(show(parse("2024-03-05T7:05", QES_DATE_MDY)), "2024-03-05 07:05:00");
    EXPECT_EQ(show(parse("2024-03-05 \t 14:07:09  ", QES_DATE_MDY)), "2024-03-05 14:07:09");
    EXPECT_EQ(show(parse("14:07", QES_DATE_MDY)), "0000-00-00 14:07:00");
    EXPECT_EQ(show(parse("\t0:00:01", QES_DATE_YMD)), "0000-00-00 00:00:01");
}

TEST(DateLibrary, RefusesEverythingElse) {
    const char *refused[] = {
        "", "   ", "2024", "20240305", "2024-03", "2024-03-05-01", "2024-03/05", "03/05/2024x",
        "2/30/2024", "13/01/2024", "0/1/2024", "1/1/0", "1/1/123", "1/1/12345", "001/1/2024",
        "2024-03-05T", "2024-03-05 x", "2024-03-05 7", "2024-03-05 7:5", "2024-03-05 24:00",
        "2024-03-05 12:60", "2024-03-05 12:00:60", "25:00", "12:", "12:5", "1:30:", "yes", "-1/2/2024",
        "1/2/2024 12:00 PM", "2024-03-05T12:00:00.5", "1/2/+2024", "２０２４-03-05",
    };
    for (const char *text : refused) EXPECT_EQ(show(parse(text, QES_DATE_MDY)), "refused") << text;
    EXPECT_EQ(show(parse("2024/03/05", QES_DATE_MDY)), "refused");
    EXPECT_EQ(show(parse("1/2/2024", 3)), "refused");
    int untouched = 99;
    EXPECT_NE(qes_string_to_date("nope", &untouched, &untouched, &untouched, &untouched,
                                 &untouched, &untouched, 0), 0);
    EXPECT_EQ(untouched, 99);
    EXPECT_NE(qes_string_to_date(nullptr, &untouched, &untouched, &untouched, &untouched,
                                 &untouched, &untouched, 0), 0);
}

TEST(DateLibrary, DateOrderSetting) {
    EXPECT_EQ(qes_get_date_format(), QES_DATE_MDY);
    EXPECT_TRUE(qes_set_date_format(QES_DATE_YMD));
    EXPECT_EQ(qes_get_date_format(), QES_DATE_YMD);
    EXPECT_FALSE(qes_set_date_format(3));
    EXPECT_FALSE(qes_set_date_format(-1));
    EXPECT_EQ(qes_get_date_format(), QES_DATE_YMD);
    qes_set_date_format(QES_DATE_MDY);
}

TEST(DateLibrary, ClockReadsNow) {
    double now = 0;
    ASSERT_TRUE(qes_timetoday(&now));
    int y, mo, d, h, mi, s;
    ASSERT_TRUE(qes_decompose_date(now, &y, &mo, &d, &h, &mi, &s));
    EXPECT_GE(y, 2024);
    EXPECT_LE(y, 2200);
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
