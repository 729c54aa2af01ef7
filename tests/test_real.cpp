// QebReal as a value: conversions at their edges, the raw words, the
// truncated flag, comparison with nulls, and what decimal_diff (which
// checks reading text, the arithmetic and its flags against Python's
// decimal module) does not reach.
#include <qeb/qebreal.h>

#include "real_test_support.h"
#include "test_support.h"

#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>

namespace {

using RealValue = PoolLeakCheck;

// 55 digits: reads as 1, rounded.
const char kRoundedOne[] = "1.00000000000000000000000000000000000000000000000000001";

// decimal_diff checks doubles to the shortest decimal; here the integers
// and the values it cannot make.
TEST_F(RealValue, IntegersConvertExactlyAndDoublesToTheShortestDecimal) {
    const struct { QebReal x; const char *raw; } cases[] = {
        {QebReal(LLONG_MIN), "-9223372036854775808"}, {QebReal(LLONG_MAX), "9223372036854775807"},
        {QebReal(-0.0), "-0"}, {QebReal(-std::numeric_limits<double>::quiet_NaN()), "NaN"},
    };
    for (const auto &c : cases) EXPECT_EQ(rawText(c.x), c.raw);
}

TEST_F(RealValue, AsInt64RoundsDownAndFailsBeyond64Bits) {
    const struct { const char *in; long long out; bool failed; } cases[] = {
        {"-2.7", -3, false}, {"9223372036854775807.5", LLONG_MAX, false}, {"9223372036854775808", 0, true},
        {"-9223372036854775808", LLONG_MIN, false},  {"-9223372036854775808.5", 0, true},
        {"922337203685477580E+1", 9223372036854775800, false},
        {"1E+20", 0, true},                  // overflows while scaling by the exponent
        {"99999999999999999999", 0, true},  // overflows while reading the digits
    };
    for (const auto &c : cases) {
        bool failed = !c.failed;
        EXPECT_EQ(unreduced(c.in).asInt64(&failed), c.out) << c.in;
        EXPECT_EQ(failed, c.failed) << c.in;
    }
}

// Halfway between two doubles: rounding twice (through a shorter text)
// would miss the even neighbour or the one above.
TEST_F(RealValue, AsDoubleIsCorrectlyRounded) {
    EXPECT_EQ(real("9007199254740993").asDouble(), 9007199254740992.0);
    EXPECT_EQ(real("9007199254740993.000000000000000000000000000000000001").asDouble(), 9007199254740994.0);
    EXPECT_EQ(real("3E-324").asDouble(), 5e-324);
}

TEST_F(RealValue, DoublesIgnoreTheLocale) {
    if (!useCommaDecimalLocale()) GTEST_SKIP() << "no locale with a decimal comma";
    EXPECT_EQ(rawText(QebReal(1.25)), "1.25");
    EXPECT_EQ(real("1.25").asDouble(), 1.25);
    std::setlocale(LC_ALL, "C");
}

TEST_F(RealValue, NullsMadeFromWordsPointersOrNothingAreCanonical) {
    const auto canonical = [](const QebReal &x) {
        return x.rawWords()[0] == 0 && x.rawWords()[1] == 0 && x.rawWords()[2] == 0x7C00000000000000;
    };
    // Sign, signalling bit, ignored exponent bits and payloads.
    const unsigned long long nans[][3] = {{0x55, 0, 0xFC00000000000000}, {7, 9, 0x7E03FC0000000000}};
    for (const auto &words : nans) EXPECT_TRUE(canonical(real("5").assign(&words)));
    EXPECT_TRUE(canonical(real("5").assign(static_cast<const unsigned long long(*)[3]>(nullptr))));
    EXPECT_TRUE(canonical(real("5").assign(static_cast<const char *>(nullptr))));
    EXPECT_TRUE(canonical(QebReal()));
    QebReal x = real("-5");
    x.setNull();
    EXPECT_TRUE(canonical(x));
}

// What each operation does to the truncated flag of the object it is
// called on, starting from a clear flag and from a set one.
TEST_F(RealValue, TruncatedFlagRules) {
    enum Effect { kClears, kSets, kKeeps };
    const unsigned long long words[3] = {1, 0, 0x2200C80000000000};
    const QE_SQL_NUMERIC_STRUCT numeric = {1, 0, 1, {1}};
    const struct { std::function<void(QebReal &)> operation; Effect effect; } cases[] = {
        {[](QebReal &x) { x.assign(kRoundedOne); }, kSets},
        {[](QebReal &x) { x.assign("junk"); }, kClears},
        {[](QebReal &x) { x.assign(5LL); }, kClears},
        {[](QebReal &x) { x = 0.5; }, kClears},
        {[&](QebReal &x) { x.assign(&words); }, kClears},
        {[&](QebReal &x) { x.assign(&numeric); }, kClears},
        {[](QebReal &x) { x = QebReal(x); }, kKeeps},
        {[](QebReal &x) { x.setNull(); }, kKeeps},
        {[](QebReal &x) { x.asString(); x.asString(3); x.asFD(nullptr); }, kKeeps},
        // Arithmetic marks its left operand only, and compound assignment
        // leaves the flag clear.
        {[](QebReal &x) { return x.add(real("1")); }, kClears},
        {[](QebReal &x) { return x.add(QebReal()); }, kClears},
        {[](QebReal &x) { return x / real("3"); }, kSets},
        {[](QebReal &x) { return real("1").divide(x); }, kKeeps},
        {[](QebReal &x) { x /= real("3"); }, kClears},
        {[](QebReal &x) { x = real("1").divide(real("3")); }, kClears},  // a result is never marked
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        for (const bool before : {false, true}) {
            QebReal x = real(before ? kRoundedOne : "1");
            cases[i].operation(x);
            const Effect effect = cases[i].effect;
            EXPECT_EQ(x.truncated(), effect == kSets || (effect == kKeeps && before))
                << "case " << i << (before ? ", flag set before" : "");
        }
    }
}

// The six operators agree with compare(); with a double on the right too.
template <class Right>
void expectOrder(QebReal left, const Right &right, int order) {
    const QebReal &constLeft = left;
    EXPECT_EQ(left == right, order == 0);
    EXPECT_EQ(left != right, order != 0);
    EXPECT_EQ(left < right, order < 0);
    EXPECT_EQ(constLeft < right, order < 0);
    EXPECT_EQ(left <= right, order <= 0);
    EXPECT_EQ(left > right, order > 0);
    EXPECT_EQ(left >= right, order >= 0);
}

TEST_F(RealValue, NullsOrderAboveUnlessTheLeftOrOnlyOneIsMinusNaN) {
    const struct { const char *left, *right; int order; } cases[] = {
        {"1", "2", -1},      {"2", "1.5", 1},      {"1.5", "1.5", 0},   {"NaN", "1", 1},
        {"1", "NaN", 1},     {"NaN", "NaN", 1},    {"-NaN", "1", -1},   {"1", "-NaN", -1},
        {"-NaN", "NaN", -1}, {"NaN", "-NaN", 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.left) + " against " + c.right);
        EXPECT_EQ(real(c.left).compare(real(c.right)), c.order);
        expectOrder(real(c.left), real(c.right), c.order);
        // A double NaN makes the plain null.
        if (std::strcmp(c.right, "-NaN") != 0)
            expectOrder(real(c.left), std::strtod(c.right, nullptr), c.order);
    }
}

TEST_F(RealValue, OperatorsReachTheirOperations) {
    QebReal a = real("6");
    const QebReal b = real("4");
    // Evaluated in order: the compound ones each start from the value the
    // one before left.
    const struct { QebReal result; const char *text; } cases[] = {
        {a + b, "10"},     {a - b, "2"},      {a * b, "24"},     {a / b, "1.5"},
        {a + 0.1, "6.1"},  {a - 0.5, "5.5"},  {a * 0.5, "3"},    {a / 0.5, "12"},
        {a += b, "10"},    {a -= b, "6"},     {a *= b, "24"},    {a /= b, "6"},
        {a += 0.1, "6.1"}, {a -= 0.1, "6"},   {a *= 0.5, "3"},   {a /= 0.5, "6"},
    };
    for (const auto &c : cases) EXPECT_EQ(text(c.result), c.text);
    EXPECT_EQ(text(a), "6");
}

TEST_F(RealValue, ExtremeRounding) {
    // Places far beyond the format round to nothing that 52 digits hold.
    EXPECT_TRUE(real("123.456").round(INT_MAX).isNull());
    EXPECT_TRUE(real("123.456").round(INT_MIN).isNull());
    // Rounding positions above the largest exponent a 52-digit coefficient
    // reaches unclamped round as anywhere else.
    const QebReal huge = real("1.2345678901234567E+98270");
    EXPECT_EQ(huge.round(-98266).compare(real("1.2346E+98270")), 0) << text(huge.round(-98266));
    EXPECT_EQ(huge.round(-98270).compare(real("1E+98270")), 0);
    QebReal wide = huge;
    EXPECT_EQ(textOf(wide.asString(12)), "1.2346E+98270");  // no zeros folded back in
}

}  // namespace
