// The 192-bit decimal module: the interchange encoding bit for bit, the
// context, and the conversions that decNumber does not provide. The
// arithmetic itself is checked against Python's decimal module in
// decimal_diff.
#include "decimal192.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <string>

namespace {

// Words written most significant first, as one reads the 192 bits.
decSext fromWords(uint64_t high, uint64_t middle, uint64_t low) {
    decSext d;
    d.words[0] = low;
    d.words[1] = middle;
    d.words[2] = high;
    return d;
}

decContext context192() {
    decContext ctx;
    decContextDefault(&ctx, DEC_INIT_DECIMAL192);
    return ctx;
}

decSext parse(const char *text, uint32_t *status = nullptr) {
    decContext ctx = context192();
    decSext d;
    decSextFromString(&d, text, &ctx);
    if (status) *status = ctx.status;
    return d;
}

std::string text(const decSext &d) {
    char buffer[DECIMAL192_String];
    return decSextToString(&d, buffer);
}

// words[2] of a finite value with exponent 0 and leading digit 0: biased
// exponent 98354 = 0x18032, so the combination field is 01 000 followed by
// the continuation 0x8032; shifted past the 42 high trailing bits.
const uint64_t kExponentZeroHigh = 0x2200C80000000000;

TEST(Decimal192Context, Kind192HasTheInterchangeParameters) {
    decContext ctx;
    ctx.status = DEC_Inexact;
    decContextDefault(&ctx, DEC_INIT_DECIMAL192);
    EXPECT_EQ(ctx.digits, 52);
    EXPECT_EQ(ctx.emax, 98304);
    EXPECT_EQ(ctx.emin, -98303);
    EXPECT_EQ(ctx.round, DEC_ROUND_HALF_EVEN);
    EXPECT_EQ(ctx.traps, 0u);
    EXPECT_EQ(ctx.status, 0u);
    EXPECT_EQ(ctx.clamp, 1);
}

struct HandEncoded {
    const char *text;
    uint64_t high, middle, low;
};

// Derived from the standard for k = 192: sign, 21-bit combination field
// G0..G20 (G0..G4 hold the exponent's two top bits and the leading digit;
// G5..G20 the exponent's low 16 bits), 17 declets.
const HandEncoded kHandEncoded[] = {
    {"1", kExponentZeroHigh, 0, 1},
    {"-1", 0x8000000000000000 | kExponentZeroHigh, 0, 1},
    // Coefficient 15, exponent -1: biased 0x18031; declet(015) = 0x015.
    {"1.5", 0x2200C40000000000, 0, 0x15},
    // Leading digit 9: G0..G4 = 11 01 1; every declet 999 = 0x0FF.
    {"9999999999999999999999999999999999999999999999999999", 0x6E00C8FF3FCFF3FC, 0xFF3FCFF3FCFF3FCF,
     0xF3FCFF3FCFF3FCFF},
    // The largest exponent, 98253, biased 0x2FFFF: G0..G4 = 11 10 1, G5..G20 all ones.
    {"9.999999999999999999999999999999999999999999999999999E+98304", 0x77FFFCFF3FCFF3FC,
     0xFF3FCFF3FCFF3FCF, 0xF3FCFF3FCFF3FCFF},
    // The smallest exponent, -98354, biased 0.
    {"1E-98354", 0, 0, 1},
    {"Infinity", 0x7800000000000000, 0, 0},
    {"-Infinity", 0xF800000000000000, 0, 0},
    {"NaN", 0x7C00000000000000, 0, 0},
    {"sNaN", 0x7E00000000000000, 0, 0},
};

TEST(Decimal192Encoding, MatchesWordsDerivedByHand) {
    for (const HandEncoded &e : kHandEncoded) {
        SCOPED_TRACE(e.text);
        const decSext d = parse(e.text);
        EXPECT_EQ(d.words[2], e.high);
        EXPECT_EQ(d.words[1], e.middle);
        EXPECT_EQ(d.words[0], e.low);
        EXPECT_EQ(text(fromWords(e.high, e.middle, e.low)), e.text);
    }
}

TEST(Decimal192Encoding, NaNAndZeroWriteTheCanonicalWords) {
    decSext d;
    decSextNaN(&d);
    EXPECT_EQ(d.words[2], 0x7C00000000000000u);
    EXPECT_EQ(d.words[1] | d.words[0], 0u);
    decSextZero(&d);
    EXPECT_EQ(d.words[2], kExponentZeroHigh);
    EXPECT_EQ(d.words[1] | d.words[0], 0u);
    EXPECT_EQ(text(d), "0");
}

// Three digits in ten bits; examples from the densely-packed-decimal
// definition.
TEST(Decimal192Declets, KnownEncodings) {
    const struct {
        uint32_t digits, declet;
    } known[] = {{5, 0x005}, {9, 0x009}, {55, 0x055}, {79, 0x079}, {80, 0x00A},
                 {99, 0x05F}, {555, 0x2D5}, {999, 0x0FF}, {100, 0x080}, {888, 0x06E}};
    for (const auto &k : known) {
        decSext d;
        decSextFromUInt32(&d, k.digits);
        EXPECT_EQ(d.words[0], k.declet) << k.digits;
    }
}

uint32_t decodeDeclet(unsigned code) {
    const decSext d = fromWords(kExponentZeroHigh, 0, code);
    decNumber n;
    decimal192ToNumber(&d, &n);
    return n.lsu[0];
}

TEST(Decimal192Declets, EveryCodeDecodesAndOnlyTheRedundantOnesAreNonCanonical) {
    std::set<uint32_t> canonicalCodes;
    for (uint32_t v = 0; v < 1000; ++v) {
        decSext d;
        decSextFromUInt32(&d, v);
        ASSERT_EQ(decodeDeclet(unsigned(d.words[0])), v);
        canonicalCodes.insert(uint32_t(d.words[0]));
    }
    EXPECT_EQ(canonicalCodes.size(), 1000u);
    int redundant = 0;
    for (unsigned code = 0; code < 1024; ++code) {
        const uint32_t v = decodeDeclet(code);
        ASSERT_LT(v, 1000u);
        if (canonicalCodes.count(code)) continue;
        ++redundant;
        // Only codes with all three digits 8 or 9 have spare encodings.
        for (uint32_t digit : {v / 100, v / 10 % 10, v % 10}) EXPECT_GE(digit, 8u) << code;
    }
    EXPECT_EQ(redundant, 24);
}

TEST(Decimal192Encoding, NonCanonicalInputIsReadAndWrittenCanonically) {
    decContext ctx = context192();
    decSext r;
    // 0x3FF is a redundant code for 999.
    const decSext redundant = fromWords(kExponentZeroHigh, 0, 0x3FF);
    EXPECT_EQ(text(redundant), "999");
    decSextCopy(&r, &redundant);
    decSextAbs(&r, &r, &ctx);
    EXPECT_EQ(r.words[0], 0x0FFu);
    // An infinity ignores everything after G0..G4.
    const decSext infinity = fromWords(0x78000ABCDEF12345, 0x1234, 0x5678);
    EXPECT_TRUE(decSextIsInfinite(&infinity));
    decSextAbs(&r, &infinity, &ctx);
    EXPECT_EQ(r.words[2], 0x7800000000000000u);
    EXPECT_EQ(r.words[1] | r.words[0], 0u);
    // A NaN ignores G6..G20 and keeps its payload from the trailing digits.
    const decSext nan = fromWords(0x7C03FC0000000000, 0, 0x7);
    EXPECT_TRUE(decSextIsNaN(&nan));
    EXPECT_EQ(text(nan), "NaN7");
    decSextAbs(&r, &nan, &ctx);
    EXPECT_EQ(r.words[2], 0x7C00000000000000u);
    EXPECT_EQ(r.words[0], 0x7u);
}

// A decNumber wider than 52 digits, for the encoder's rounding path.
struct WideNumber {
    WideNumber(const char *text, uint32_t *status) {
        decContext ctx;
        decContextDefault(&ctx, DEC_INIT_BASE);
        ctx.digits = 70;
        ctx.emax = 999999;
        ctx.emin = -999999;
        decNumberFromString(number(), text, &ctx);
        *status = ctx.status;
    }
    decNumber *number() { return reinterpret_cast<decNumber *>(storage); }
    alignas(decNumber) unsigned char storage[sizeof(decNumber) + 16];
};

TEST(Decimal192Encoding, FromNumberRoundsClampsAndPads) {
    const struct {
        const char *text, *encoded;
        uint32_t status;
    } cases[] = {
        {"1234567890123456789012345678901234567890123456789012" "5", // 53 digits, a tie
         "1.234567890123456789012345678901234567890123456789012E+52", DEC_Inexact | DEC_Rounded},
        {"1234567890123456789012345678901234567890123456789013" "5",
         "1.234567890123456789012345678901234567890123456789014E+52", DEC_Inexact | DEC_Rounded},
        {"-1E+98305", "-Infinity", DEC_Overflow | DEC_Inexact | DEC_Rounded},
        // Exponent above 98253: the coefficient takes trailing zeros.
        {"1E+98304", "1.000000000000000000000000000000000000000000000000000E+98304", DEC_Clamped},
        {"0E+200000", "0E+98253", DEC_Clamped},
        {"-0E-200000", "-0E-98354", DEC_Clamped},
        {"1E-98355", "0E-98354", DEC_Underflow | DEC_Subnormal | DEC_Inexact | DEC_Rounded |
                                     DEC_Clamped},
        {"15E-98355", "2E-98354", DEC_Underflow | DEC_Subnormal | DEC_Inexact | DEC_Rounded},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        uint32_t status;
        WideNumber wide(c.text, &status);
        ASSERT_EQ(status, 0u);
        decContext ctx = context192();
        decSext d;
        decimal192FromNumber(&d, wide.number(), &ctx);
        EXPECT_EQ(text(d), c.encoded);
        EXPECT_EQ(ctx.status, c.status);
    }
}

TEST(Decimal192Encoding, NaNPayloadKeepsItsLow51Digits) {
    uint32_t status;
    WideNumber wide(("NaN" + std::string(60, '7')).c_str(), &status);
    decContext ctx = context192();
    decSext d;
    decimal192FromNumber(&d, wide.number(), &ctx);
    EXPECT_EQ(text(d), "NaN" + std::string(51, '7'));
}

TEST(Decimal192Fields, ClassificationDigitsAndExponent) {
    const decSext zero = parse("-0E+5"), big = parse("9E+10"), nan = parse("-NaN"),
                  snan = parse("sNaN"), infinity = parse("Infinity");
    EXPECT_TRUE(decSextIsZero(&zero));
    EXPECT_TRUE(decSextIsSigned(&zero));
    EXPECT_EQ(decSextGetExponent(&zero), 5);
    EXPECT_EQ(decSextDigits(&zero), 1u);
    EXPECT_FALSE(decSextIsZero(&big));  // leading digit 9 lives in the combination field
    EXPECT_EQ(decSextGetExponent(&big), 10);
    EXPECT_TRUE(decSextIsSigned(&nan));
    EXPECT_FALSE(decSextIsZero(&nan));
    EXPECT_FALSE(decSextIsNaN(&infinity));
    EXPECT_EQ(decSextGetExponent(&infinity), DECSEXT_Inf);
    EXPECT_EQ(decSextGetExponent(&nan), DECSEXT_NaN);
    EXPECT_EQ(decSextGetExponent(&snan), DECSEXT_sNaN);
    const decSext full = parse("-1234567890123456789012345678901234567890123456789012E-7");
    EXPECT_EQ(decSextDigits(&full), 52u);
    EXPECT_EQ(decSextGetExponent(&full), -7);
}

TEST(Decimal192Fields, SetExponentKeepsTheCoefficient) {
    decContext ctx = context192();
    decSext d = parse("123");
    EXPECT_EQ(text(*decSextSetExponent(&d, &ctx, -2)), "1.23");
    EXPECT_EQ(ctx.status, 0u);
    // Above exponent 98253 the coefficient takes trailing zeros.
    EXPECT_EQ(text(*decSextSetExponent(&d, &ctx, 98300)), "1.23" + std::string(47, '0') + "E+98302");
    EXPECT_EQ(ctx.status, uint32_t(DEC_Clamped));
    EXPECT_EQ(text(*decSextSetExponent(&d, &ctx, 98303)), "Infinity");
    EXPECT_NE(ctx.status & DEC_Overflow, 0u);
    d = parse("5");
    EXPECT_EQ(text(*decSextSetExponent(&d, &ctx, std::numeric_limits<int32_t>::min())), "0E-98354");
    d = parse("5");
    EXPECT_EQ(text(*decSextSetExponent(&d, &ctx, std::numeric_limits<int32_t>::max())), "Infinity");
    d = parse("-NaN3");
    EXPECT_EQ(text(*decSextSetExponent(&d, &ctx, 4)), "-NaN3");
}

TEST(Decimal192Integers, FromIntegersIsExact) {
    decContext ctx = context192();
    decSext d;
    EXPECT_EQ(text(*decSextFromInt64(&d, std::numeric_limits<int64_t>::min(), &ctx)),
              "-9223372036854775808");
    EXPECT_EQ(text(*decSextFromInt64(&d, std::numeric_limits<int64_t>::max(), &ctx)),
              "9223372036854775807");
    EXPECT_EQ(text(*decSextFromInt64(&d, 0, &ctx)), "0");
    EXPECT_EQ(text(*decSextFromInt32(&d, std::numeric_limits<int32_t>::min())), "-2147483648");
    EXPECT_EQ(text(*decSextFromUInt32(&d, 4294967295u)), "4294967295");
    EXPECT_EQ(ctx.status, 0u);
}

TEST(Decimal192Integers, ToIntegersRoundOrReportInvalid) {
    const struct {
        const char *text;
        enum rounding rounding;
        int64_t value;  // 0 with `invalid`
        bool invalid;
    } toInt64[] = {
        {"2.7", DEC_ROUND_FLOOR, 2, false},
        {"-2.7", DEC_ROUND_FLOOR, -3, false},
        {"-2.7", DEC_ROUND_CEILING, -2, false},
        {"2.5", DEC_ROUND_HALF_EVEN, 2, false},
        {"9223372036854775807", DEC_ROUND_FLOOR, std::numeric_limits<int64_t>::max(), false},
        {"9223372036854775807.5", DEC_ROUND_FLOOR, std::numeric_limits<int64_t>::max(), false},
        {"9223372036854775808", DEC_ROUND_FLOOR, 0, true},
        {"-9223372036854775808", DEC_ROUND_FLOOR, std::numeric_limits<int64_t>::min(), false},
        {"-9223372036854775808.5", DEC_ROUND_FLOOR, 0, true},
        {"922337203685477580E+1", DEC_ROUND_FLOOR, 9223372036854775800, false},
        {"1E+19", DEC_ROUND_FLOOR, 0, true},
        {"1E+98253", DEC_ROUND_FLOOR, 0, true},
        {"1E+20", DEC_ROUND_FLOOR, 0, true},
        {"0E+98253", DEC_ROUND_FLOOR, 0, false},
        {"-Infinity", DEC_ROUND_FLOOR, 0, true},
        {"NaN", DEC_ROUND_FLOOR, 0, true},
    };
    for (const auto &c : toInt64) {
        SCOPED_TRACE(c.text);
        decContext ctx = context192();
        const decSext d = parse(c.text);
        EXPECT_EQ(decSextToInt64(&d, &ctx, c.rounding), c.value);
        EXPECT_EQ((ctx.status & DEC_Invalid_operation) != 0, c.invalid);
    }
    const struct {
        const char *text;
        enum rounding rounding;
        uint32_t value;
        bool invalid;
    } toUInt32[] = {
        {"4294967295", DEC_ROUND_FLOOR, 4294967295u, false},
        {"4294967296", DEC_ROUND_FLOOR, 0, true},
        {"-1", DEC_ROUND_FLOOR, 0, true},
        {"-0.5", DEC_ROUND_CEILING, 0, false},
        {"-0.5", DEC_ROUND_FLOOR, 0, true},
    };
    for (const auto &c : toUInt32) {
        SCOPED_TRACE(c.text);
        decContext ctx = context192();
        const decSext d = parse(c.text);
        EXPECT_EQ(decSextToUInt32(&d, &ctx, c.rounding), c.value);
        EXPECT_EQ((ctx.status & DEC_Invalid_operation) != 0, c.invalid);
    }
}

TEST(Decimal192Doubles, FromDoubleGivesTheShortestDecimalThatReadsBack) {
    const struct {
        double d;
        const char *text;
    } cases[] = {
        {0.1, "0.1"},
        {-2.5, "-2.5"},
        {1e22, "1E+22"},
        {123456.0, "123456"},
        {5e-324, "5E-324"},
        {std::numeric_limits<double>::max(), "1.7976931348623157E+308"},
        {-0.0, "-0"},
        {std::numeric_limits<double>::infinity(), "Infinity"},
        {-std::numeric_limits<double>::infinity(), "-Infinity"},
    };
    for (const auto &c : cases) {
        decContext ctx = context192();
        decSext d;
        EXPECT_EQ(text(*decSextFromDouble(&d, c.d, &ctx)), c.text);
        EXPECT_EQ(ctx.status, 0u);
    }
    decContext ctx = context192();
    decSext d;
    decSextFromDouble(&d, -std::numeric_limits<double>::quiet_NaN(), &ctx);
    EXPECT_EQ(d.words[2], 0x7C00000000000000u);  // the canonical NaN, sign dropped
}

TEST(Decimal192Doubles, ToDoubleIsCorrectlyRounded) {
    const struct {
        const char *text;
        double d;
        uint32_t status;
    } cases[] = {
        {"0.1", 0.1, 0},
        {"0.3", 0.3, 0},
        {"-1.7976931348623157E+308", -std::numeric_limits<double>::max(), 0},
        // 2^53 + 1 lies halfway: ties go to the even neighbour...
        {"9007199254740993", 9007199254740992.0, 0},
        // ...and anything beyond the half, however far out, goes up.
        {"9007199254740993.000000000000000000000000000000000001", 9007199254740994.0, 0},
        {"3E-324", 5e-324, 0},
        {"1E+400", std::numeric_limits<double>::infinity(), DEC_Overflow | DEC_Inexact},
        {"-1E-400", -0.0, DEC_Underflow | DEC_Inexact},
        {"-Infinity", -std::numeric_limits<double>::infinity(), 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        decContext ctx = context192();
        const decSext d = parse(c.text);
        const double got = decSextToDouble(&d, &ctx);
        EXPECT_EQ(got, c.d);
        EXPECT_EQ(std::signbit(got), std::signbit(c.d));
        EXPECT_EQ(ctx.status, c.status);
    }
    decContext ctx = context192();
    const decSext nan = parse("NaN");
    EXPECT_TRUE(std::isnan(decSextToDouble(&nan, &ctx)));
}

TEST(Decimal192Doubles, ConversionsIgnoreTheLocale) {
    if (!useCommaDecimalLocale()) GTEST_SKIP() << "no locale with a decimal comma";
    decContext ctx = context192();
    decSext d;
    EXPECT_EQ(text(*decSextFromDouble(&d, 1.25, &ctx)), "1.25");
    EXPECT_EQ(decSextToDouble(&d, &ctx), 1.25);
}

TEST(Decimal192Arithmetic, OperationsOutsideTheDifferentialTest) {
    decContext ctx = context192();
    const decSext seven = parse("7"), four = parse("4"), minusSeven = parse("-7"),
                  radix = parse("4294967296"), two = parse("2");
    decSext r;
    EXPECT_EQ(text(*decSextRemainder(&r, &minusSeven, &four, &ctx)), "-3");
    EXPECT_EQ(text(*decSextRemainderNear(&r, &seven, &four, &ctx)), "-1");
    EXPECT_EQ(text(*decSextDivideInteger(&r, &minusSeven, &four, &ctx)), "-1");
    EXPECT_EQ(text(*decSextFMA(&r, &radix, &radix, &two, &ctx)), "18446744073709551618");
    EXPECT_EQ(text(*decSextCompare(&r, &seven, &four, &ctx)), "1");
    EXPECT_EQ(ctx.status, 0u);
    // The result may be an operand.
    r = seven;
    EXPECT_EQ(text(*decSextMultiply(&r, &r, &r, &ctx)), "49");
}

}  // namespace
