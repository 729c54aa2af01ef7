// QebReal as a value: null, reading text, the truncated flag, the normal
// form, raw words, integers, doubles and three-way comparison.
#include <qeb/qebreal.h>

#include "real_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

using RealValue = PoolLeakCheck;

const unsigned long long kCanonicalNaNHigh = 0x7C00000000000000;

TEST_F(RealValue, DefaultIsNullAndConvertsToFallbacks) {
    QebReal x;
    EXPECT_TRUE(x.isNull());
    EXPECT_FALSE(x.truncated());
    EXPECT_TRUE(x.asString().isNull());
    bool failed = false;
    EXPECT_EQ(x.asInt64(&failed), 0);
    EXPECT_TRUE(failed);
    failed = false;
    EXPECT_EQ(x.asDouble(&failed), 0.0);
    EXPECT_TRUE(failed);
    EXPECT_EQ(x.rawWords()[2], kCanonicalNaNHigh);
}

TEST_F(RealValue, ConstructsExactlyFromIntegersAndShortestFromDoubles) {
    EXPECT_EQ(text(QebReal(std::numeric_limits<long long>::min())), "-9223372036854775808");
    EXPECT_EQ(text(QebReal(42)), "42");
    EXPECT_EQ(text(QebReal(0.1)), "0.1");
    EXPECT_EQ(text(QebReal(-1e30)), "-1000000000000000000000000000000");
    EXPECT_EQ(text(QebReal(1e-300)), "1E-300");
    EXPECT_TRUE(QebReal(std::nan("")).isNull());
    EXPECT_EQ(text(QebReal(std::numeric_limits<double>::infinity())), "Infinity");
    QebReal x;
    x = 2.5;
    EXPECT_EQ(text(x), "2.5");
    EXPECT_EQ(text(x.assign(7LL)), "7");
    EXPECT_EQ(text(x.assign(-7)), "-7");
    EXPECT_EQ(text(x.assign(0.25)), "0.25");
}

TEST_F(RealValue, ReadingTextKeepsTheValueReduced) {
    const struct {
        const char *in, *out;
    } cases[] = {
        {"1.500", "1.5"},     {"100", "100"},          {"-0", "0"},         {"0.00", "0"},
        {"-0.250", "-0.25"},  {"1e-6", "0.000001"},    {"1E-7", "1E-7"},    {"+.5", "0.5"},
        {"12.34E+2", "1234"}, {"inf", "Infinity"},     {"-INFINITY", "-Infinity"},
        {"abc", "null"},      {"1.2.3", "null"},       {" 1", "null"},      {"", "null"},
        {"NaN", "null"},      {"sNaN", "null"},        {"1e", "null"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(text(real(c.in)), c.out) << c.in;
        EXPECT_FALSE(real(c.in).truncated()) << c.in;
    }
    QebReal x;
    x.assign("100");
    // Stored without trailing zeros: coefficient 1, exponent 2.
    EXPECT_EQ(x.rawWords()[0], 1u);
    EXPECT_EQ(x.rawWords()[2], 0x2200D00000000000u);
    EXPECT_TRUE(x.assign(static_cast<const char *>(nullptr)).isNull());
}

TEST_F(RealValue, ReadingMoreThan52DigitsRoundsAndSetsTruncated) {
    QebReal x;
    x.assign("123456789012345678901234567890123456789012345678901234567891");
    EXPECT_TRUE(x.truncated());
    EXPECT_EQ(text(x), "1.234567890123456789012345678901234567890123456789012E+59");
    x.assign(5LL);
    EXPECT_FALSE(x.truncated());
    // Eight trailing zeros: exact.
    x.assign("123456789012345678901234567890123456789012345678900000000000");
    EXPECT_FALSE(x.truncated());
    // Half to even at the 52nd digit.
    EXPECT_EQ(text(real("12345678901234567890123456789012345678901234567890125")),
              "1.234567890123456789012345678901234567890123456789012E+52");
    EXPECT_EQ(text(real("12345678901234567890123456789012345678901234567890135")),
              "1.234567890123456789012345678901234567890123456789014E+52");
    // Beyond the exponent range: infinity or zero, inexact.
    x.assign("1E+99999");
    EXPECT_EQ(text(x), "Infinity");
    EXPECT_TRUE(x.truncated());
    x.assign("-1E-99999");
    EXPECT_EQ(text(x), "0");
    EXPECT_TRUE(x.truncated());
    // A null read clears the flag too.
    x.assign("1.000000000000000000000000000000000000000000000000000001");
    EXPECT_TRUE(x.truncated());
    x.assign("junk");
    EXPECT_FALSE(x.truncated());
}

TEST_F(RealValue, FlagFollowsCopiesAndSurvivesSetNull) {
    QebReal x = real("1.00000000000000000000000000000000000000000000000000001");
    ASSERT_TRUE(x.truncated());
    QebReal copy(x), assigned;
    assigned = x;
    EXPECT_TRUE(copy.truncated());
    EXPECT_TRUE(assigned.truncated());
    x.setNull();
    EXPECT_TRUE(x.isNull());
    EXPECT_TRUE(x.truncated());
    x = 1.0;
    EXPECT_FALSE(x.truncated());
}

TEST_F(RealValue, AsStringWritesTheNormalFormBack) {
    const struct {
        const char *words, *out;
    } cases[] = {
        {"1.50", "1.5"},
        {"1E+2", "100"},
        {"-0E+5", "0"},
        {"0E-9", "0"},
        {"0.0000010", "0.000001"},
        {"1234.5E-10", "1.2345E-7"},
        {"1E+51", "1000000000000000000000000000000000000000000000000000"},
        // 10^52 needs 53 digits at exponent 0, so it keeps exponent 1.
        {"1E+52", "1.000000000000000000000000000000000000000000000000000E+52"},
        {"-Infinity", "-Infinity"},
    };
    for (const auto &c : cases) {
        QebReal x = unreduced(c.words);
        EXPECT_EQ(std::string(x.asString().asCstr()), c.out) << c.words;
        unsigned long long afterwards[3];
        std::memcpy(afterwards, x.rawWords(), sizeof afterwards);
        QebReal again;
        again.assign(c.out);
        unsigned long long normal[3];
        again.asFD(&normal);
        EXPECT_EQ(std::memcmp(afterwards, normal, sizeof normal), 0) << c.words;
    }
}

TEST_F(RealValue, RawWordsRoundTripAndNaNsBecomeTheCanonicalNull) {
    QebReal x = real("2.50");
    unsigned long long words[3];
    x.asFD(&words);
    // 25 with exponent -1: biased exponent 0x18031.
    EXPECT_EQ(words[2], 0x2200C40000000000u);
    EXPECT_EQ(words[1], 0u);
    EXPECT_EQ(words[0], 0x25u);
    QebReal back;
    back.assign(&words);
    EXPECT_EQ(back.compare(x), 0);

    for (const char *source : {"-NaN", "NaN123", "sNaN9"}) {
        unsigned long long nan[3];
        QebReal n;
        n.assign(source);
        std::memcpy(nan, n.rawWords(), sizeof nan);
        nan[0] |= 0x55;  // a payload, whatever the reduction left
        QebReal y = real("5");
        y.assign(&nan);
        EXPECT_TRUE(y.isNull()) << source;
        EXPECT_EQ(y.rawWords()[2], kCanonicalNaNHigh) << source;
        EXPECT_EQ(y.rawWords()[0] | y.rawWords()[1], 0u) << source;
    }
    QebReal y = real("5");
    EXPECT_TRUE(y.assign(static_cast<const unsigned long long(*)[3]>(nullptr)).isNull());
}

TEST_F(RealValue, RandomValuesRoundTripThroughWords) {
    unsigned long long state = 12345;
    const auto next = [&] { return state = state * 6364136223846793005ULL + 1442695040888963407ULL; };
    for (int i = 0; i < 1000; ++i) {
        const std::string number = std::to_string(next() % 1000000007) +
                                   std::to_string(next()) + "E" +
                                   std::to_string(static_cast<long long>(next() % 2000) - 1000);
        QebReal x = real(number.c_str());
        unsigned long long words[3];
        x.asFD(&words);
        QebReal back;
        back.assign(&words);
        ASSERT_EQ(std::memcmp(back.rawWords(), words, sizeof words), 0) << number;
        ASSERT_EQ(text(back), text(x)) << number;
    }
}

TEST_F(RealValue, AsInt64RoundsDownAndFailsOutsideTheRange) {
    const struct {
        const char *in;
        long long out;
        bool failed;
    } cases[] = {
        {"2.7", 2, false},
        {"-2.7", -3, false},
        {"-0.5", -1, false},
        {"9223372036854775807", std::numeric_limits<long long>::max(), false},
        {"-9223372036854775808", std::numeric_limits<long long>::min(), false},
        {"9223372036854775808", 0, true},
        {"1E+19", 0, true},
        {"Infinity", 0, true},
        {"NaN", 0, true},
    };
    for (const auto &c : cases) {
        bool failed = !c.failed;
        EXPECT_EQ(real(c.in).asInt64(&failed), c.out) << c.in;
        EXPECT_EQ(failed, c.failed) << c.in;
        EXPECT_EQ(real(c.in).asInt64(), c.out) << c.in;
    }
}

TEST_F(RealValue, AsDoubleIsTheNearestDouble) {
    bool failed = true;
    EXPECT_EQ(real("0.1").asDouble(&failed), 0.1);
    EXPECT_FALSE(failed);
    EXPECT_EQ(real("0.3").asDouble(), 0.3);
    EXPECT_EQ(real("-123.456").asDouble(), -123.456);
    EXPECT_EQ(real("1E+400").asDouble(&failed), std::numeric_limits<double>::infinity());
    EXPECT_FALSE(failed);
    EXPECT_EQ(real("1E-400").asDouble(&failed), 0.0);
    EXPECT_FALSE(failed);
}

TEST_F(RealValue, CompareByValueWithNullsAboveUnlessNegative) {
    QebReal x = real("1.5");
    EXPECT_EQ(unreduced("1.50").compare(x), 0);
    EXPECT_EQ(real("1.49").compare(x), -1);
    EXPECT_EQ(x.compare(real("1.49")), 1);
    EXPECT_EQ(real("-0").compare(real("0E+7")), 0);
    const QebReal null, minusNull = real("-NaN");
    EXPECT_EQ(null.compare(x), 1);
    EXPECT_EQ(x.compare(null), 1);
    EXPECT_EQ(null.compare(null), 1);
    EXPECT_EQ(minusNull.compare(x), -1);
    EXPECT_EQ(minusNull.compare(null), -1);
    EXPECT_EQ(null.compare(minusNull), 1);
    EXPECT_TRUE(real("1") < real("2"));
    EXPECT_FALSE(real("2") < real("1"));
    EXPECT_FALSE(null < x);
    EXPECT_FALSE(x < null);
    EXPECT_TRUE(minusNull < x);
}

}  // namespace
