// Type names both ways, and the type detection of text.
#include <qeb/qebdate.h>
#include <qeb/qebtype.h>

#include "test_support.h"

namespace {

using TypeDetection = PoolLeakCheck;

TEST(TypeNames, BothWays) {
    EXPECT_STREQ(qebTypeToString(qebTypeReal), "Real");
    EXPECT_STREQ(qebTypeToString(static_cast<qebType>(6)), "");
    EXPECT_STREQ(qebTypeToString(static_cast<qebType>(-1)), "");  // no undefined behaviour
    // Names are read without regard to case; a date type brings its order.
    const struct { const char *name; qebType type; int order; } cases[] = {
        {"boolean", qebTypeBoolean, 0}, {"STRING", qebTypeString, 0}, {"Date", qebTypeDate, 0},
        {"date (ymd)", qebTypeDate, 2}, {"Date (DMY)", qebTypeDate, 1}, {"Date (MDY)", qebTypeDate, 0},
        {"Text", qebTypeUnknown, 0}, {"", qebTypeUnknown, 0}, {nullptr, qebTypeUnknown, 0},
    };
    for (const auto &c : cases) {
        int order = 77;
        EXPECT_EQ(qebTypeFromString(c.name, &order), c.type) << c.name;
        EXPECT_EQ(order, c.order) << c.name;
        EXPECT_EQ(qebTypeFromString(c.name), c.type);
    }
}

// Under the day-month-year order: detection always reads month-day-year.
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
        {"2/30/2024", determinedString}, {"13/01/2024", determinedString}, {"\xC3\xA9t\xC3\xA9", determinedString},
        {"\xD9\xA1\xD9\xA2", determinedString},  // Arabic-Indic digits are no digits here
        {"\xFF\xFE", determinedString}, {"1,5", determinedString},
    };
    ASSERT_TRUE(qebSetDateOrder(1));
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(determineType(QebString(text)), expected) << '"' << text << '"';
    EXPECT_EQ(determineType(QebString()), determinedString);
    ASSERT_TRUE(qebSetDateOrder(0));
}

}  // namespace
