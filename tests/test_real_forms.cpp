// QebReal's external forms: width-limited text and the SQL numeric
// structure written (fuzz_sql_numeric reads every structure). Their text is
// one QebString, whose lack of memory test_string_memory.cpp covers.
#include <qeb/qebreal.h>

#include "real_test_support.h"
#include "test_support.h"

#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

using RealForms = PoolLeakCheck;

static_assert(sizeof(QE_SQL_NUMERIC_STRUCT) == 19 && offsetof(QE_SQL_NUMERIC_STRUCT, val) == 3, "the ODBC layout");

const char k52Digits[] = "1.234567890123456789012345678901234567890123456789012";

TEST_F(RealForms, WidthLimitedTextRoundsToTheBudget) {
    const struct { const char *in; int width; const char *out; } cases[] = {
        {"123.456", 5, "123.5"},     {"123.456", 4, "123"},      {"123.456", 3, "null"},
        {"-123.456", 5, "-123"},     {"0.12345", 3, "0.12"},     {"0.00123", 5, "0.001"},
        {"0.00123", 4, "null"},      {"100000", 5, "1E+5"},      {"100000", 6, "100000"},
        {"12345678901234567890", 7, "1.23E+19"},                 {"99999.5", 5, "1.0E+5"},
        {"1.5", 2, "2"},             {"2.5", 2, "2"},            {"1E-10", 6, "1E-10"},
        {"1E-10", 5, "null"},        {"0", 1, "0"},              {"-0", 1, "0"},
        {"5", INT_MIN, "null"},      {"NaN", 10, "null"},        {"NaN", 52, "null"},
        {"-Infinity", 9, "-Infinity"},                           {"-Infinity", 8, "null"},
        // From 52 on the plain text, though it has 53 characters.
        {k52Digits, 52, k52Digits}, {k52Digits, INT_MAX, k52Digits},
    };
    for (const auto &c : cases) {
        QebReal x = real(c.in);
        const QebString s = x.asString(c.width);
        EXPECT_EQ(s.isNull() ? "null" : std::string(s.asCstr()), c.out) << c.in << " at " << c.width;
    }
}

TEST_F(RealForms, TextThatFitsNormalisesTheStoredValue) {
    QebReal plain = unreduced("1.50"), fitting = unreduced("1.50"), rounded = unreduced("123.4560");
    plain.asString();
    fitting.asString(3);  // just fits
    rounded.asString(5);
    EXPECT_EQ(rawText(plain), "1.5");
    EXPECT_EQ(rawText(fitting), "1.5");
    EXPECT_EQ(rawText(rounded), "123.4560");  // worked on in a copy
}

// "precision,scale,sign,magnitude" with the magnitude's bytes in hex up to
// the last non-zero one, least significant first.
std::string describe(const QE_SQL_NUMERIC_STRUCT &s, bool failed) {
    std::string out = std::to_string(s.precision) + "," + std::to_string(s.scale) + "," +
                      std::to_string(s.sign) + ",";
    int end = sizeof s.val;
    while (end > 0 && s.val[end - 1] == 0) --end;
    for (int i = 0; i < end; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", s.val[i]);
        out += hex;
    }
    return failed ? out + " failed" : out;
}

TEST_F(RealForms, SqlNumericRoundsToTheScaleOrFailsCleared) {
    const struct { const char *in; int precision, scale; const char *out; } cases[] = {
        {"123.456", 10, 2, "5,2,1,3a30"},       // 12346
        {"-5", -1, -1, "11,10,0,00743ba40b"},  // 50000000000: precision 38 and scale 10
        {"9.99", 3, 1, "3,1,1,64"},
        {"99999999999999999999999999999999999999", 38, 0, "38,0,1,ffffffff3f228a097ac4865aa84c3b4b"},
        {"340282366920938463463374607431768211455", 60, 0, "39,0,1,ffffffffffffffffffffffffffffffff"},
        // Zeros give the cleared structure whatever is asked.
        {"-0", -1, 20, "0,0,1,"},           {"0E+50", 0, 0, "0,0,1,"},
        {"0.001", 10, 2, "0,0,1, failed"},  // rounds to zero
        {"12345", 5, 1, "0,0,1, failed"},   // too many digits before the point
        {"9.99", 2, 1, "0,0,1, failed"},    // rounding carries into a new digit
        {"1", 2, 3, "0,0,1, failed"},       // scale above precision
        {"1E-199", 250, 200, "0,0,1, failed"},  // scale beyond the signed byte
        {"340282366920938463463374607431768211456", 60, 0, "0,0,1, failed"},  // 2^128
        // Only its leading digit is not zero: not a zero, and too large.
        {"1000000000000000000000000000000000000000000000000000", 60, 0, "0,0,1, failed"},
        {"NaN", 38, 2, "0,0,1, failed"},    {"Infinity", 38, 2, "0,0,1, failed"},
    };
    for (const auto &c : cases) {
        QE_SQL_NUMERIC_STRUCT s;
        std::memset(&s, 0x5A, sizeof s);
        bool failed = !std::strstr(c.out, "failed");
        unreduced(c.in).asSQLNumeric(&s, &failed, c.precision, c.scale);
        EXPECT_EQ(describe(s, failed), c.out) << c.in << " " << c.precision << "," << c.scale;
    }
    bool failed = false;
    real("1").asSQLNumeric(nullptr, &failed);
    EXPECT_TRUE(failed);
    // Read back: more than one word of magnitude, and never a negative zero.
    const QE_SQL_NUMERIC_STRUCT in[] = {{0, 3, 0, {1, 0, 0, 0, 0, 0, 0, 0, 2}}, {0, 0, 0, {0}}};
    EXPECT_EQ(rawText(QebReal().assign(&in[0])) + " " + rawText(QebReal().assign(&in[1])), "-36893488147419103.233 0");
    EXPECT_TRUE(real("1").assign(static_cast<const QE_SQL_NUMERIC_STRUCT *>(nullptr)).isNull());
}

}  // namespace
