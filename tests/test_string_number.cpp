// QebString's numbers: text of every number type, the C locale's full stop
// in any locale, reading numbers with failure flags, identifiers.
#include <qeb/qebstring.h>

#include "qebstring_parse.h"
#include "test_support.h"

#include <climits>
#include <clocale>
#include <cstdio>
#include <limits>

namespace {

using StringNumber = PoolLeakCheck;

TEST_F(StringNumber, NumbersToText) {
    const auto text = [](auto number) { return std::string(QebString().assign(number).asCstr()); };
    const std::pair<std::string, const char *> cases[] = {
        {text(INT_MIN), "-2147483648"},
        {text(std::numeric_limits<unsigned long long>::max()), "18446744073709551615"},
        {text(LLONG_MIN), "-9223372036854775808"},
        {text(0.1), "0.1"},
        {text(1.0 / 3), "0.333333333333333"},
        {text(1e15), "1e+15"},
        {text(123456789012345.0), "123456789012345"},
        {text(-2.5e-7), "-2.5e-07"},
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

// The parsers themselves are tested in test_qes_num.cpp; here the flags.
TEST_F(StringNumber, TextToNumbers) {
    const std::pair<QebString, const char *> cases[] = {  // asInt asInt64 asDouble, '!' after a failure
        {QebString(), "0! 0! 0!"}, {QebString(" -17 "), "-17 -17 -17"}, {QebString("12abc"), "0! 0! 0!"},
        {QebString("2147483648"), "0! 2147483648 2.14748e+09"}, {QebString("1e999"), "0! 0! 0!"},
    };
    for (const auto &[text, expected] : cases) {
        bool f[3];
        char got[96];
        const int i = text.asInt(&f[0]);
        const long long l = text.asInt64(&f[1]);
        const double d = text.asDouble(&f[2]);
        std::snprintf(got, sizeof got, "%d%s %lld%s %g%s", i, f[0] ? "!" : "", l, f[1] ? "!" : "", d, f[2] ? "!" : "");
        EXPECT_STREQ(got, expected) << text.asCstr();
    }
    EXPECT_EQ(QebString("x").asDouble(), 0.0);  // the flag is optional
}

// Their shape and spread are tested in test_ks_uniq.cpp.
TEST_F(StringNumber, UniqueIdentifiers) {
    const QebString id = qebGetUUID();
    EXPECT_EQ(id.length(), 22u);
    EXPECT_NE(textOf(id), textOf(qebGetUUID()));
}

}  // namespace
