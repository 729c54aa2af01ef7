// QebReal's external forms: width-limited text and the SQL numeric
// structure, and the text conversions under lack of memory.
#include <qeb/qebreal.h>

#include "real_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

using RealForms = PoolLeakCheck;

std::string widthText(const char *number, int width) {
    QebReal x = real(number);
    const QebString s = x.asString(width);
    return s.isNull() ? "null" : s.asCstr();
}

TEST_F(RealForms, WidthLimitedTextRoundsToTheBudget) {
    const struct {
        const char *in;
        int width;
        const char *out;
    } cases[] = {
        {"123.456", 5, "123.5"},
        {"123.456", 4, "123"},
        {"123.456", 3, "null"},
        {"-123.456", 5, "-123"},
        {"0.12345", 3, "0.12"},
        {"0.00123", 5, "0.001"},
        {"0.00123", 4, "null"},
        {"100000", 5, "1E+5"},
        {"100000", 6, "100000"},
        {"12345678901234567890", 7, "1.23E+19"},
        {"99999.5", 5, "1.0E+5"},
        {"1.5", 2, "2"},
        {"2.5", 2, "2"},
        {"1E-10", 6, "1E-10"},
        {"1E-10", 5, "null"},
        {"0", 1, "0"},
        {"0", 51, "0"},
        {"-0", 1, "0"},  // no sign is written for a zero
        {"0", 0, "null"},
        {"5", -1, "null"},
        {"5", INT_MIN, "null"},
        {"Infinity", 8, "Infinity"},
        {"Infinity", 7, "null"},
        {"-Infinity", 9, "-Infinity"},
        {"-Infinity", 8, "null"},
        {"NaN", 10, "null"},
    };
    for (const auto &c : cases) EXPECT_EQ(widthText(c.in, c.width), c.out) << c.in << " at " << c.width;
}

TEST_F(RealForms, WidthOf52OrMoreIsThePlainText) {
    for (const char *number : {"123.456", "1E+60", "-0.0000001", "1234567890123456789012345678901234567890123456789012"}) {
        const std::string plain = text(real(number));
        EXPECT_EQ(widthText(number, 52), plain);
        EXPECT_EQ(widthText(number, 60), plain);
        EXPECT_EQ(widthText(number, INT_MAX), plain);
    }
    for (int width : {-5, 0, 1, 10, 52, 100}) EXPECT_EQ(widthText("NaN", width), "null");
}

TEST_F(RealForms, FittingWidthNormalisesTheStoredValue) {
    QebReal x = unreduced("1.50");
    EXPECT_STREQ(x.asString(10).asCstr(), "1.5");
    EXPECT_EQ(rawText(x), "1.5");
    // A value that does not fit is worked on in a copy.
    QebReal y = unreduced("123.4560");
    EXPECT_STREQ(y.asString(5).asCstr(), "123.5");
    EXPECT_EQ(rawText(y), "123.4560");
}

std::vector<int> magnitude(const QE_SQL_NUMERIC_STRUCT &s) {
    std::vector<int> bytes(s.val, s.val + sizeof s.val);
    while (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
    return bytes;
}

void expectCleared(const QE_SQL_NUMERIC_STRUCT &s) {
    EXPECT_EQ(s.precision, 0);
    EXPECT_EQ(s.scale, 0);
    EXPECT_EQ(s.sign, 1);
    EXPECT_TRUE(magnitude(s).empty());
}

TEST_F(RealForms, SqlNumericLayoutIsThe19ByteOdbcStructure) {
    static_assert(sizeof(QE_SQL_NUMERIC_STRUCT) == 19, "ODBC layout");
    QE_SQL_NUMERIC_STRUCT s;
    EXPECT_EQ(reinterpret_cast<unsigned char *>(&s.sign) - reinterpret_cast<unsigned char *>(&s), 2);
    EXPECT_EQ(s.val - reinterpret_cast<unsigned char *>(&s), 3);
}

TEST_F(RealForms, ToSqlNumericRoundsToTheScale) {
    QE_SQL_NUMERIC_STRUCT s;
    bool failed = true;
    real("123.456").asSQLNumeric(&s, &failed, 10, 2);
    EXPECT_FALSE(failed);
    EXPECT_EQ(s.precision, 5);
    EXPECT_EQ(s.scale, 2);
    EXPECT_EQ(s.sign, 1);
    EXPECT_EQ(magnitude(s), (std::vector<int>{0x3A, 0x30}));  // 12346

    real("-5").asSQLNumeric(&s, &failed);
    EXPECT_FALSE(failed);
    EXPECT_EQ(s.precision, 11);
    EXPECT_EQ(s.scale, 10);
    EXPECT_EQ(s.sign, 0);
    EXPECT_EQ(magnitude(s), (std::vector<int>{0x00, 0x74, 0x3B, 0xA4, 0x0B}));  // 50000000000

    real("9.99").asSQLNumeric(&s, &failed, 3, 1);
    EXPECT_FALSE(failed);
    EXPECT_EQ(s.precision, 3);
    EXPECT_EQ(magnitude(s), (std::vector<int>{100}));

    // 38 digits: the four words all in use.
    real("99999999999999999999999999999999999999").asSQLNumeric(&s, &failed, 38, 0);
    EXPECT_FALSE(failed);
    EXPECT_EQ(s.precision, 38);
    EXPECT_EQ(magnitude(s), (std::vector<int>{0xFF, 0xFF, 0xFF, 0xFF, 0x3F, 0x22, 0x8A, 0x09, 0x7A,
                                              0xC4, 0x86, 0x5A, 0xA8, 0x4C, 0x3B, 0x4B}));
}

TEST_F(RealForms, ToSqlNumericFailuresLeaveTheClearedStructure) {
    const struct {
        const char *in;
        int precision, scale;
    } failures[] = {
        {"0.001", 10, 2},   // rounds to zero
        {"12345", 5, 1},    // too many digits before the point
        {"9.99", 2, 1},     // rounding carries into a new digit
        {"1", 2, 3},        // scale above precision
        {"NaN", 38, 2},
        {"Infinity", 38, 2},
        {"-Infinity", 38, 2},
        // 2^128 and more do not fit the 16 bytes.
        {"340282366920938463463374607431768211456", 60, 0},
        {"1E+50", 60, 0},
        // A scale the signed byte cannot hold.
        {"1E-199", 250, 200},
    };
    for (const auto &f : failures) {
        SCOPED_TRACE(f.in);
        QE_SQL_NUMERIC_STRUCT s;
        std::memset(&s, 0x5A, sizeof s);
        bool failed = false;
        real(f.in).asSQLNumeric(&s, &failed, f.precision, f.scale);
        EXPECT_TRUE(failed);
        expectCleared(s);
    }
    QE_SQL_NUMERIC_STRUCT s;
    bool failed = false;
    real("340282366920938463463374607431768211455").asSQLNumeric(&s, &failed, 60, 0);
    EXPECT_FALSE(failed);  // 2^128 - 1 still fits
    EXPECT_EQ(magnitude(s), std::vector<int>(16, 0xFF));
    real("1").asSQLNumeric(nullptr, &failed);
    EXPECT_TRUE(failed);
}

TEST_F(RealForms, ZeroGivesTheClearedStructureWithoutFailure) {
    for (const char *zero : {"0", "-0", "0E+50"}) {
        for (int precision : {-1, 0, 5}) {
            QE_SQL_NUMERIC_STRUCT s;
            std::memset(&s, 0x5A, sizeof s);
            bool failed = true;
            unreduced(zero).asSQLNumeric(&s, &failed, precision, 20);
            EXPECT_FALSE(failed);
            expectCleared(s);
        }
    }
}

TEST_F(RealForms, FromSqlNumeric) {
    QE_SQL_NUMERIC_STRUCT s = {0, 0, 0, {1}};
    QebReal x = real("1.00000000000000000000000000000000000000000000000000001");
    EXPECT_EQ(text(x.assign(&s)), "-1");
    EXPECT_FALSE(x.truncated());
    s = {99, -2, 1, {1}};
    EXPECT_EQ(rawText(x.assign(&s)), "1E+2");
    s = {0, 3, 7, {0x39, 0x30}};  // 12345, any non-zero sign is positive
    EXPECT_EQ(text(x.assign(&s)), "12.345");
    s = {0, 0, 0, {0}};
    EXPECT_EQ(rawText(x.assign(&s)), "0");  // a negative zero stays +0
    std::memset(s.val, 0xFF, sizeof s.val);
    s.scale = 0;
    s.sign = 1;
    EXPECT_EQ(text(x.assign(&s)), "340282366920938463463374607431768211455");
    // A zero word between non-zero ones still counts.
    s = {0, 0, 1, {0x01, 0, 0, 0, 0, 0, 0, 0, 0x02}};
    EXPECT_EQ(text(x.assign(&s)), "36893488147419103233");  // 2 * 2^64 + 1
    EXPECT_TRUE(x.assign(static_cast<const QE_SQL_NUMERIC_STRUCT *>(nullptr)).isNull());
}

TEST_F(RealForms, SqlNumericRoundTripRoundsToTheScale) {
    const struct {
        const char *in;
        int scale;
        const char *out;
    } cases[] = {
        {"123.456", 0, "123"}, {"123.456", 2, "123.46"}, {"-0.5", 0, "null"},
        {"-0.5", 10, "-0.5"},  {"1E-10", 10, "1E-10"},   {"42", 2, "42"},
        {"98765432109876543210.123456789", 10, "98765432109876543210.123456789"},
        {"2.5", 0, "2"},       {"3.5", 0, "4"},
    };
    for (const auto &c : cases) {
        QE_SQL_NUMERIC_STRUCT s;
        bool failed = true;
        real(c.in).asSQLNumeric(&s, &failed, 38, c.scale);
        QebReal back;
        back.assign(&s);
        EXPECT_EQ(failed ? "null" : text(back), c.out) << c.in << " at " << c.scale;
    }
}

struct TextState {
    QebReal x = real("-123.456");
    QebString s;
};

// Each allocation the text needs fails in turn: the text is null, the
// number unchanged, and no pool block is left behind.
void expectTextUnderLackOfMemory(QebString (*write)(QebReal &), const char *expected) {
    forEachAllocationFailure([] { return TextState(); },
                             [write](TextState &state) { state.s = write(state.x); },
                             [expected](TextState &state, bool failed) {
                                 EXPECT_EQ(state.s.isNull(), failed);
                                 if (!failed) {
                                     EXPECT_STREQ(state.s.asCstr(), expected);
                                 }
                                 EXPECT_EQ(rawText(state.x), "-123.456");
                             });
}

TEST_F(RealForms, TextUnderLackOfMemoryIsNull) {
    expectTextUnderLackOfMemory([](QebReal &x) { return x.asString(); }, "-123.456");
    expectTextUnderLackOfMemory([](QebReal &x) { return x.asString(5); }, "-123");
}

}  // namespace
