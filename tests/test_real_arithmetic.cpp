// QebReal arithmetic: the truncated flag on the left operand, failure
// reports, the operators, comparisons with nulls, and the unary operations.
#include <qeb/qebreal.h>

#include "real_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

using RealArithmetic = PoolLeakCheck;

const char kNines[] = "9999999999999999999999999999999999999999999999999999";

TEST_F(RealArithmetic, InexactResultMarksTheLeftOperandNotTheResult) {
    QebReal x = real(kNines);
    bool failed = true;
    const QebReal sum = x.add(real("0.5"), &failed);
    EXPECT_TRUE(x.truncated());
    EXPECT_FALSE(failed);
    EXPECT_FALSE(sum.truncated());
    EXPECT_EQ(text(sum), "1.000000000000000000000000000000000000000000000000000E+52");
    // The next operation clears it again when exact.
    x.subtract(real("1"), &failed);
    EXPECT_FALSE(x.truncated());

    QebReal a = real("1"), b = real("3");
    EXPECT_EQ(text(a / b), "0.3333333333333333333333333333333333333333333333333333");
    EXPECT_TRUE(a.truncated());
    a += b;
    EXPECT_FALSE(a.truncated());
    EXPECT_EQ(text(a), "4");
    a /= b;
    EXPECT_FALSE(a.truncated());  // compound assignment always clears it
    EXPECT_EQ(text(a), "1.333333333333333333333333333333333333333333333333333");
}

TEST_F(RealArithmetic, OverflowAndUnderflowAreTruncationNotFailure) {
    QebReal big = real("9E+98304");
    bool failed = true;
    EXPECT_EQ(text(big.multiply(real("10"), &failed)), "Infinity");
    EXPECT_TRUE(big.truncated());
    EXPECT_FALSE(failed);
    QebReal tiny = real("1E-98354");
    EXPECT_EQ(text(tiny.divide(real("3"), &failed)), "0");
    EXPECT_TRUE(tiny.truncated());
    EXPECT_FALSE(failed);
}

TEST_F(RealArithmetic, DivisionByZeroAndInvalidOperationsFail) {
    bool failed = false;
    QebReal one = real("1"), zero = real("0");
    const QebReal infinity = one.divide(zero, &failed);
    EXPECT_TRUE(failed);
    EXPECT_EQ(text(infinity), "Infinity");
    EXPECT_FALSE(one.truncated());
    failed = false;
    EXPECT_TRUE(zero.divide(real("0"), &failed).isNull());
    EXPECT_TRUE(failed);
    failed = false;
    QebReal inf = real("Infinity");
    EXPECT_TRUE(inf.subtract(real("Infinity"), &failed).isNull());
    EXPECT_TRUE(failed);
    // The operators have no report but give the same values.
    EXPECT_EQ(text(real("-1") / real("0")), "-Infinity");
    EXPECT_TRUE((real("0") / 0.0).isNull());
}

// Exact results whose only conditions are informational (digits rounded
// away as zeros, an exponent clamped, a subnormal) are not failures.
TEST_F(RealArithmetic, ExactResultsWithInformationalConditionsSucceed) {
    bool failed = true;
    QebReal power = real("1E+52");
    EXPECT_EQ(text(power.add(real("0"), &failed)),
              "1.000000000000000000000000000000000000000000000000000E+52");
    EXPECT_FALSE(failed);
    EXPECT_FALSE(power.truncated());
    QebReal huge = real("1E+98300");
    huge.multiply(real("1"), &failed);
    EXPECT_FALSE(failed);
    QebReal tiny = real("1E-98354");
    tiny.add(real("0"), &failed);
    EXPECT_FALSE(failed);
    EXPECT_FALSE(tiny.truncated());
}

TEST_F(RealArithmetic, NullOperandGivesNullWithoutFailure) {
    QebReal x = real("1.00000000000000000000000000000000000000000000000000001");
    ASSERT_TRUE(x.truncated());
    bool failed = true;
    EXPECT_TRUE(x.add(QebReal(), &failed).isNull());
    EXPECT_FALSE(failed);
    EXPECT_FALSE(x.truncated());
    QebReal null;
    EXPECT_TRUE(null.multiply(real("2"), &failed).isNull());
    EXPECT_FALSE(failed);
}

TEST_F(RealArithmetic, OperatorsWithDoublesUseTheShortestDecimal) {
    QebReal x = real("0.2");
    EXPECT_EQ(text(x + 0.1), "0.3");
    EXPECT_EQ(text(x - 0.1), "0.1");
    EXPECT_EQ(text(x * 0.1), "0.02");
    EXPECT_EQ(text(x / 0.1), "2");
    x += 0.1;
    EXPECT_EQ(text(x), "0.3");
    x -= 1;
    EXPECT_EQ(text(x), "-0.7");
    x *= 2.0;
    EXPECT_EQ(text(x), "-1.4");
    const QebReal copy = (x /= 4.0);
    EXPECT_EQ(text(copy), "-0.35");
    EXPECT_EQ(text(x), "-0.35");
    EXPECT_TRUE(real("0.1") == 0.1);
    EXPECT_TRUE(unreduced("0.50") == 0.5);
}

TEST_F(RealArithmetic, ComparisonOperatorsWithNumbersAndNulls) {
    QebReal one = real("1"), two = real("2"), other = unreduced("1.000");
    EXPECT_TRUE(one == other);
    EXPECT_FALSE(one != other);
    EXPECT_TRUE(one < two);
    EXPECT_TRUE(one <= two);
    EXPECT_FALSE(one > two);
    EXPECT_FALSE(one >= two);
    EXPECT_TRUE(two > 1.5);
    EXPECT_TRUE(two >= 2.0);
    EXPECT_TRUE(two <= 2.0);
    EXPECT_FALSE(two < 2.0);
    EXPECT_TRUE(two != 2.5);

    // A null on either side, or both: only !=, > and >= hold.
    QebReal null;
    for (int side = 0; side < 3; ++side) {
        QebReal left = side == 1 ? one : null;
        const QebReal right = side == 0 ? one : null;
        SCOPED_TRACE(side);
        EXPECT_FALSE(left == right);
        EXPECT_TRUE(left != right);
        EXPECT_TRUE(left > right);
        EXPECT_FALSE(left < right);
        EXPECT_TRUE(left >= right);
        EXPECT_FALSE(left <= right);
    }
    EXPECT_FALSE(null == 1.0);
    EXPECT_TRUE(null > 1.0);
    // "-NaN" orders below.
    QebReal minusNull = real("-NaN");
    EXPECT_TRUE(minusNull < one);
    EXPECT_TRUE(minusNull <= one);
    // A const left operand compares through the free operator<.
    const QebReal constOne = one;
    EXPECT_TRUE(constOne < two);
    EXPECT_TRUE(constOne == 1.0);
}

TEST_F(RealArithmetic, ModuloIsTheRemainderNearest) {
    const struct {
        const char *a, *b, *out;
    } cases[] = {
        {"7", "4", "-1"}, {"10", "3", "1"},     {"6", "4", "-2"},      {"5", "2", "1"},
        {"-7", "4", "1"}, {"7.5", "2", "-0.5"}, {"1E+60", "7", "null"}, {"5", "0", "null"},
        {"Infinity", "3", "null"}, {"3", "Infinity", "3"}, {"NaN", "3", "null"},
    };
    for (const auto &c : cases) {
        QebReal a = real(c.a);
        const QebReal r = a.modulo(real(c.b));
        EXPECT_EQ(text(r), c.out) << c.a << " % " << c.b;
        EXPECT_FALSE(r.truncated());
    }
    QebReal flagged = real("1.00000000000000000000000000000000000000000000000000001");
    flagged.modulo(real("3"));
    EXPECT_TRUE(flagged.truncated());  // the left operand is not touched
}

TEST_F(RealArithmetic, RoundToPlacesHalfEven) {
    const struct {
        const char *in;
        int places;
        const char *out;
    } cases[] = {
        {"2.5", 0, "2.5"},       {"0.25", 1, "0.2"},   {"0.35", 1, "0.4"},
        {"2.345", 2, "2.34"},    {"2.355", 2, "2.36"}, {"-2.355", 2, "-2.36"},
        {"1250", -2, "1200"},    {"1350", -2, "1400"}, {"7", 3, "7"},
        {"1E+45", 10, "null"},   {"Infinity", 2, "null"}, {"NaN", 2, "null"},
        {"123.456", INT_MAX, "null"}, {"123.456", INT_MIN, "null"},
    };
    for (const auto &c : cases) {
        const QebReal r = real(c.in).round(c.places);
        EXPECT_EQ(text(r), c.out) << c.in << " at " << c.places;
        EXPECT_FALSE(r.truncated());
    }
    // The rounded value keeps the exponent it was rounded to.
    EXPECT_EQ(rawText(real("7").round(3)), "7.000");
    EXPECT_EQ(rawText(real("1250").round(-2)), "1.2E+3");
    // round(0) copies the representation as it is.
    EXPECT_EQ(rawText(unreduced("2.50").round(0)), "2.50");
}

TEST_F(RealArithmetic, SquareRootMarksItsResult) {
    bool failed = true;
    const QebReal two = real("2").sqrt(&failed);
    EXPECT_FALSE(failed);
    EXPECT_TRUE(two.truncated());
    EXPECT_EQ(text(two), "1.414213562373095048801688724209698078569671875376948");
    const QebReal four = real("4").sqrt(&failed);
    EXPECT_FALSE(four.truncated());
    EXPECT_EQ(text(four), "2");
    EXPECT_EQ(text(real("Infinity").sqrt()), "Infinity");
    EXPECT_EQ(text(real("-0").sqrt(&failed)), "0");
    EXPECT_FALSE(failed);
    const QebReal negative = real("-1").sqrt(&failed);
    EXPECT_TRUE(failed);
    EXPECT_TRUE(negative.isNull());
    EXPECT_FALSE(negative.truncated());
    failed = false;
    EXPECT_TRUE(QebReal().sqrt(&failed).isNull());
    EXPECT_TRUE(failed);
}

TEST_F(RealArithmetic, UnaryOperations) {
    EXPECT_EQ(text(real("-2.5").floor()), "-3");
    EXPECT_EQ(text(real("-2.5").ceiling()), "-2");
    EXPECT_EQ(text(real("2.5").floor()), "2");
    EXPECT_EQ(text(real("2.5").ceiling()), "3");
    EXPECT_EQ(rawText(real("1E+3").floor()), "1E+3");  // already an integer: unchanged
    EXPECT_EQ(text(real("-2.5").negative()), "2.5");
    EXPECT_EQ(text(real("2.5").negative()), "-2.5");
    EXPECT_EQ(text(real("-2.5").absolute()), "2.5");
    EXPECT_EQ(text(real("-Infinity").absolute()), "Infinity");
    for (const QebReal &r : {QebReal().floor(), QebReal().ceiling(), QebReal().negative(),
                             QebReal().absolute()})
        EXPECT_TRUE(r.isNull());
    QebReal flagged = real("1.00000000000000000000000000000000000000000000000000001");
    EXPECT_FALSE(flagged.floor().truncated());
    EXPECT_FALSE(flagged.negative().truncated());
}

}  // namespace
