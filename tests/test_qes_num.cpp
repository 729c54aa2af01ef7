#include "qes_num.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

TEST(NumberParsers, IntegersAcceptBlanksAndSign) {
    int value = -1;
    EXPECT_EQ(qes_numparse("42", &value, 0, 0), 1);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(qes_numparse(" \t+7 ", &value, 0, 0), 1);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(qes_numparse("-0", &value, 0, 0), 1);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(qes_numparse("-2147483648", &value, 0, 0), 1);
    EXPECT_EQ(value, INT_MIN);
    EXPECT_EQ(qes_numparse("007", &value, 10, 0), 1);
    EXPECT_EQ(value, 7);
}

TEST(NumberParsers, IntegersRefuseEverythingElse) {
    for (const char *text : {"", "   ", "+", "-", "+-1", "--1", "1 2", "12x", "x12", "1.0", "1e3",
                             "0x10", "\xC2\xA0" "1", "1,000", "\xEF\xBC\x91"}) {
        int value = 99;
        EXPECT_EQ(qes_numparse(text, &value, 0, 0), 0) << '"' << text << '"';
        EXPECT_EQ(value, 99);
    }
    int value = 99;
    EXPECT_EQ(qes_numparse("2147483648", &value, 0, 0), -1);
    EXPECT_EQ(qes_numparse("-2147483649", &value, 0, 0), -1);
    EXPECT_EQ(qes_numparse("99999999999999999999999x", &value, 0, 0), 0);
    EXPECT_EQ(qes_numparse(nullptr, &value, 0, 0), 0);
    EXPECT_EQ(qes_numparse("1", nullptr, 0, 0), 0);
    EXPECT_EQ(qes_numparse("1", &value, 16, 0), 0);
    EXPECT_EQ(value, 99);
}

TEST(NumberParsers, SixtyFourBitRange) {
    long long value = 0;
    EXPECT_EQ(qes_numparse64("9223372036854775807", &value, 0, 0), 1);
    EXPECT_EQ(value, LLONG_MAX);
    EXPECT_EQ(qes_numparse64(" -9223372036854775808", &value, 0, 0), 1);
    EXPECT_EQ(value, LLONG_MIN);
    EXPECT_EQ(qes_numparse64("9223372036854775808", &value, 0, 0), -1);
    EXPECT_EQ(qes_numparse64("1.5", &value, 0, 0), 0);
}

TEST(NumberParsers, Doubles) {
    const std::pair<const char *, double> good[] = {
        {"0.1", 0.1},      {" -2.5 ", -2.5}, {"+.5", 0.5},          {"5.", 5.0},
        {"1e3", 1000.0},   {"1E-3", 0.001},  {"-0", -0.0},          {"12", 12.0},
        {"4.9e-324", 4.9e-324}, {"1.7976931348623157e308", std::numeric_limits<double>::max()},
    };
    for (const auto &[text, expected] : good) {
        double value = 0;
        EXPECT_EQ(qes_numparsedbl(text, &value), 1) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const char *text : {"", " ", ".", "-.", "e5", "1e", "1e+", "1.2.3", "1,5", "inf", "nan",
                             "-infinity", "0x1p3", "1 e3", "1e3x"}) {
        double value = 7;
        EXPECT_EQ(qes_numparsedbl(text, &value), 0) << '"' << text << '"';
        EXPECT_EQ(value, 7);
    }
    double value = 7;
    EXPECT_EQ(qes_numparsedbl("1e309", &value), -1);
    EXPECT_EQ(qes_numparsedbl("-1e309", &value), -1);
    EXPECT_EQ(qes_numparsedbl("1e-400", &value), -1);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(qes_numparsedbl("0e-400", &value), 1);
    EXPECT_EQ(value, 0.0);
}

}  // namespace
