#include <qeb/qebstring.h>

#include "qebstring_parse.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <clocale>
#include <cstdio>
#include <limits>
#include <set>
#include <string>

namespace {

using StringNumber = PoolLeakCheck;

TEST_F(StringNumber, NumbersToText) {
    const auto text = [](auto number) { return std::string(QebString().assign(number).asCstr()); };
    const std::pair<std::string, const char *> cases[] = {
        {text(-5), "-5"},
        {text(INT_MIN), "-2147483648"},
        {text(std::numeric_limits<unsigned long long>::max()), "18446744073709551615"},
        {text(LLONG_MIN), "-9223372036854775808"},
        {text(0.1), "0.1"},
        {text(1.0 / 3), "0.333333333333333"},
        {text(1e15), "1e+15"},
        {text(123456789012345.0), "123456789012345"},
        {text(-2.5e-7), "-2.5e-07"},
        {text(-std::numeric_limits<double>::max()), "-1.79769313486232e+308"},
        {text(std::numeric_limits<double>::infinity()), "inf"},
    };
    for (const auto &[number, expected] : cases) EXPECT_EQ(number, expected);
}

TEST_F(StringNumber, FullStopInACommaLocale) {
    if (!useCommaDecimalLocale()) GTEST_SKIP() << "no locale with a decimal comma";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 2.5);
    EXPECT_STREQ(probe, "2,5");  // the locale really is in force
    EXPECT_STREQ(QebString().assign(2.5).asCstr(), "2.5");
    double value = 0;
    EXPECT_TRUE(parseDoubleText("2.5", &value) && value == 2.5);
    EXPECT_FALSE(parseDoubleText("2,5", &value));
    std::setlocale(LC_ALL, "C");
}

TEST_F(StringNumber, TextToNumbers) {
    struct Case {
        QebString text;
        const char *expected;  // asInt asInt64 asDouble, '!' after a failure
    };
    const Case cases[] = {
        {QebString(), "0! 0! 0!"},        {QebString("42"), "42 42 42"},
        {QebString(" -17 "), "-17 -17 -17"}, {QebString(""), "0! 0! 0!"},
        {QebString("12abc"), "0! 0! 0!"}, {QebString("2147483648"), "0! 2147483648 2.14748e+09"},
        {QebString("9223372036854775808"), "0! 0! 9.22337e+18"},
        {QebString("1.5e3"), "0! 0! 1500"}, {QebString("nan"), "0! 0! 0!"},
        {QebString("1e999"), "0! 0! 0!"}, {QebString("7", true), "7 7 7"},
    };
    for (const Case &c : cases) {
        bool f[3];
        char text[96];
        const int i = c.text.asInt(&f[0]);
        const long long l = c.text.asInt64(&f[1]);
        const double d = c.text.asDouble(&f[2]);
        std::snprintf(text, sizeof text, "%d%s %lld%s %g%s", i, f[0] ? "!" : "", l, f[1] ? "!" : "",
                      d, f[2] ? "!" : "");
        EXPECT_STREQ(text, c.expected) << c.text.asCstr();
    }
    EXPECT_EQ(QebString("x").asDouble(), 0.0);  // the flag is optional
}

TEST_F(StringNumber, UniqueIdentifiers) {
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        const QebString id = qebGetUUID();
        ASSERT_EQ(id.length(), 22u);
        for (const char *p = id.asCstr(); *p; ++p)
            ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(*p)) || *p == '-' || *p == '_');
        seen.insert(id.asCstr());
    }
    EXPECT_EQ(seen.size(), 1000u);
}

}  // namespace
