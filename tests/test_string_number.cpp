#include <qeb/qebstring.h>

#include "qebstring_parse.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <limits>
#include <set>
#include <string>

namespace {

using StringNumber = PoolLeakCheck;

TEST_F(StringNumber, IntegersToText) {
    QebString s;
    EXPECT_STREQ(s.assign(-5).asCstr(), "-5");
    EXPECT_STREQ(s.assign(INT_MIN).asCstr(), "-2147483648");
    EXPECT_STREQ(s.assign(std::numeric_limits<unsigned long long>::max()).asCstr(),
                 "18446744073709551615");
    EXPECT_STREQ(s.assign(std::numeric_limits<long long>::min()).asCstr(), "-9223372036854775808");
    EXPECT_EQ(s.length(), 20u);
    EXPECT_STREQ(s.assign(0LL).asCstr(), "0");
}

TEST_F(StringNumber, DoublesToTextAsPercentPoint15g) {
    QebString s;
    EXPECT_STREQ(s.assign(0.1).asCstr(), "0.1");
    EXPECT_STREQ(s.assign(1.0 / 3).asCstr(), "0.333333333333333");
    EXPECT_STREQ(s.assign(1e15).asCstr(), "1e+15");
    EXPECT_STREQ(s.assign(123456789012345.0).asCstr(), "123456789012345");
    EXPECT_STREQ(s.assign(-2.5e-7).asCstr(), "-2.5e-07");
    EXPECT_STREQ(s.assign(0.0).asCstr(), "0");
    EXPECT_STREQ(s.assign(-std::numeric_limits<double>::max()).asCstr(), "-1.79769313486232e+308");
    EXPECT_STREQ(s.assign(std::numeric_limits<double>::infinity()).asCstr(), "inf");
}

TEST_F(StringNumber, FullStopInACommaLocale) {
    if (!useCommaDecimalLocale()) GTEST_SKIP() << "no locale with a decimal comma";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 2.5);
    EXPECT_STREQ(probe, "2,5");  // the locale really is in force
    QebString s;
    EXPECT_STREQ(s.assign(2.5).asCstr(), "2.5");
    double value = 0;
    EXPECT_TRUE(parseDoubleText("2.5", &value));
    EXPECT_EQ(value, 2.5);
    EXPECT_FALSE(parseDoubleText("2,5", &value));
    std::setlocale(LC_ALL, "C");
}

TEST_F(StringNumber, TextToNumbers) {
    bool failed = false;
    EXPECT_EQ(QebString().asInt(&failed), 0);
    EXPECT_TRUE(failed);
    EXPECT_EQ(QebString("42").asInt(&failed), 42);
    EXPECT_FALSE(failed);
    EXPECT_EQ(QebString(" -17 ").asInt(&failed), -17);
    EXPECT_FALSE(failed);
    EXPECT_EQ(QebString("").asInt(&failed), 0);
    EXPECT_TRUE(failed);
    EXPECT_EQ(QebString("12abc").asInt(&failed), 0);
    EXPECT_TRUE(failed);
    EXPECT_EQ(QebString("2147483648").asInt(&failed), 0);
    EXPECT_TRUE(failed);
    EXPECT_EQ(QebString("2147483648").asInt64(&failed), 2147483648LL);
    EXPECT_FALSE(failed);
    EXPECT_EQ(QebString("-9223372036854775808").asInt64(&failed), LLONG_MIN);
    EXPECT_FALSE(failed);
    EXPECT_EQ(QebString("9223372036854775808").asInt64(&failed), 0);
    EXPECT_TRUE(failed);
    EXPECT_EQ(QebString("1.5e3").asDouble(&failed), 1500.0);
    EXPECT_FALSE(failed);
    EXPECT_EQ(QebString("nan").asDouble(&failed), 0.0);
    EXPECT_TRUE(failed);
    EXPECT_EQ(QebString("1e999").asDouble(&failed), 0.0);
    EXPECT_TRUE(failed);
    // The out-parameter is optional.
    EXPECT_EQ(QebString("x").asDouble(), 0.0);
    EXPECT_EQ(QebString("7", true).asInt(), 7);
}

TEST_F(StringNumber, UniqueIdentifiers) {
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        QebString id = qebGetUUID();
        ASSERT_EQ(id.length(), 22u);
        for (const char *p = id.asCstr(); *p; ++p)
            ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(*p)) || *p == '-' || *p == '_');
        seen.insert(id.asCstr());
    }
    EXPECT_EQ(seen.size(), 1000u);
}

}  // namespace
