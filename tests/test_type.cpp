#include <qeb/qebtype.h>

#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using TypeDetection = PoolLeakCheck;

TEST(TypeNames, BothWays) {
    EXPECT_STREQ(qebTypeToString(qebTypeDate), "Date");
    EXPECT_STREQ(qebTypeToString(qebTypeUnknown), "Unknown");
    EXPECT_STREQ(qebTypeToString(qebTypeReal), "Real");
    EXPECT_STREQ(qebTypeToString(static_cast<qebType>(6)), "");
    EXPECT_STREQ(qebTypeToString(static_cast<qebType>(-1)), "");

    EXPECT_EQ(qebTypeFromString("boolean"), qebTypeBoolean);
    EXPECT_EQ(qebTypeFromString("STRING"), qebTypeString);
    EXPECT_EQ(qebTypeFromString("date (dmy)"), qebTypeDate);
    EXPECT_EQ(qebTypeFromString("Text"), qebTypeUnknown);
    EXPECT_EQ(qebTypeFromString(""), qebTypeUnknown);
    EXPECT_EQ(qebTypeFromString(nullptr), qebTypeUnknown);

    const std::pair<const char *, int> orders[] = {
        {"Date (YMD)", 2}, {"Date (DMY)", 1}, {"Date (MDY)", 0}, {"Date", 0}, {"Integer", 0},
        {"nothing", 0},
    };
    for (const auto &[name, expected] : orders) {
        int order = 77;
        qebTypeFromString(name, &order);
        EXPECT_EQ(order, expected) << name;
    }
    int order = 77;
    EXPECT_EQ(qebTypeFromString("date (ymd)", &order), qebTypeDate);
    EXPECT_EQ(order, 2);
}

TEST_F(TypeDetection, Cases) {
    const std::pair<const char *, determinedType> cases[] = {
        {"Y", determinedBoolean},       {"FALSE", determinedBoolean},
        {"no", determinedBoolean},      {"yes ", determinedString},
        {"", determinedString},         {"   ", determinedString},
        {"42", determinedInteger},      {"4.2", determinedReal},
        {" 12.50 ", determinedReal},    {"12.", determinedReal},
        {".", determinedString},        {"20091231", determinedInteger},
        {"-42", determinedInteger},     {"-5 ", determinedInteger},
        {" -5", determinedString},      {"1e5", determinedInteger},
        {"5E", determinedInteger},      {"-2e+3", determinedInteger},
        {"1.5e-3", determinedReal},     {"1e5e5", determinedString},
        {"e5", determinedString},       {"12abc", determinedString},
        {"4.2.1", determinedString},    {"1 000", determinedInteger},
        {"+-5", determinedString},      {"3/5/2024", determinedDate},
        {"2024-03-05 14:07", determinedDate}, {"12:30:15", determinedDate},
        {"00:00", determinedString},    {"12:30", determinedString},
        {"2/30/2024", determinedString}, {"\xC3\xA9t\xC3\xA9", determinedString},
        {"\xD9\xA1\xD9\xA2", determinedString},  // Arabic-Indic digits are no digits here
        {"\xFF\xFE", determinedString}, {"1,5", determinedString},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(determineType(QebString(text)), expected) << '"' << text << '"';
    EXPECT_EQ(determineType(QebString()), determinedString);
}

TEST_F(TypeDetection, IgnoresTheDateOrderInForce) {
    // Detection always reads month-day-year.
    EXPECT_EQ(determineType(QebString("13/01/2024")), determinedString);
}

}  // namespace
