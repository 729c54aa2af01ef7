// The 192-bit decimal module: the interchange encoding bit for bit and the
// exponent setting that reaches past the format. The arithmetic is checked
// against Python's decimal module in decimal_diff, and the conversions
// through QebReal.
#include "decimal192.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <string>

namespace {

using Words = std::array<uint64_t, 3>;  // most significant first, as one reads the 192 bits

decSext fromWords(const Words &w) { return decSext{{w[2], w[1], w[0]}}; }
Words words(const decSext &d) { return {d.words[2], d.words[1], d.words[0]}; }

decSext parse(const char *text) {
    decContext ctx;
    decSext d;
    return *decSextFromString(&d, text, decContextDefault(&ctx, DEC_INIT_DECIMAL192));
}

std::string text(const decSext &d) {
    char buffer[DECIMAL192_String];
    return decSextToString(&d, buffer);
}

// words[2] of a finite value with exponent 0 and leading digit 0: biased
// exponent 98354 = 0x18032, so the combination field is 01 000 followed by
// the continuation 0x8032, shifted past the 42 high trailing bits.
const uint64_t kExponentZeroHigh = 0x2200C80000000000;

// Derived from the standard for k = 192: sign, 21-bit combination field
// G0..G20 (G0..G4 hold the exponent's two top bits and the leading digit,
// G5..G20 its low 16 bits), 17 declets.
TEST(Decimal192Encoding, MatchesWordsDerivedByHand) {
    const struct { const char *text; Words words; } cases[] = {
        {"0", {kExponentZeroHigh, 0, 0}}, {"1", {kExponentZeroHigh, 0, 1}},
        {"-1", {0x8000000000000000 | kExponentZeroHigh, 0, 1}},
        // Coefficient 15, exponent -1: biased 0x18031; declet(015) = 0x015.
        {"1.5", {0x2200C40000000000, 0, 0x15}},
        // Leading digit 9: G0..G4 = 11 01 1; every declet 999 = 0x0FF.
        {"9999999999999999999999999999999999999999999999999999",
         {0x6E00C8FF3FCFF3FC, 0xFF3FCFF3FCFF3FCF, 0xF3FCFF3FCFF3FCFF}},
        // The largest exponent, 98253, biased 0x2FFFF: G0..G4 = 11 10 1, G5..G20 all ones.
        {"9.999999999999999999999999999999999999999999999999999E+98304",
         {0x77FFFCFF3FCFF3FC, 0xFF3FCFF3FCFF3FCF, 0xF3FCFF3FCFF3FCFF}},
        // The smallest exponent, -98354, biased 0.
        {"1E-98354", {0, 0, 1}},
        {"Infinity", {0x7800000000000000, 0, 0}}, {"-Infinity", {0xF800000000000000, 0, 0}},
        {"NaN", {0x7C00000000000000, 0, 0}},      {"sNaN", {0x7E00000000000000, 0, 0}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(words(parse(c.text)), c.words) << c.text;
        EXPECT_EQ(text(fromWords(c.words)), c.text);
    }
    decSext nan;
    EXPECT_EQ(words(*decSextNaN(&nan)), words(parse("NaN")));
}

uint32_t decodeDeclet(unsigned code) {
    const decSext d = fromWords({kExponentZeroHigh, 0, code});
    decNumber n;
    return decimal192ToNumber(&d, &n)->lsu[0];
}

// Three digits in ten bits: one example for each of the eight layouts
// (chosen by which digits are 8 or 9); every value round trips, and only
// codes whose three digits are all 8 or 9 have spare encodings.
TEST(Decimal192Declets, EncodeAsTheStandardLaysThemOutAndDecodeEveryCode) {
    const uint32_t known[][2] = {{123, 0x0A3}, {269, 0x169}, {481, 0x20B}, {789, 0x3CF},
                                 {912, 0x19C}, {968, 0x3AE}, {986, 0x38E}, {999, 0x0FF}};
    decSext d;
    for (const auto &k : known) EXPECT_EQ(decSextFromUInt32(&d, k[0])->words[0], k[1]) << k[0];
    std::set<uint32_t> canonical;
    for (uint32_t v = 0; v < 1000; ++v) {
        const unsigned code = unsigned(decSextFromUInt32(&d, v)->words[0]);
        ASSERT_EQ(decodeDeclet(code), v);
        canonical.insert(code);
    }
    EXPECT_EQ(canonical.size(), 1000u);
    for (unsigned code = 0; code < 1024; ++code) {
        const uint32_t v = decodeDeclet(code);
        ASSERT_LT(v, 1000u);
        if (canonical.count(code)) continue;
        for (uint32_t digit : {v / 100, v / 10 % 10, v % 10}) EXPECT_GE(digit, 8u) << code;
    }
}

TEST(Decimal192Encoding, NonCanonicalInputIsReadAndWrittenCanonically) {
    decContext ctx;
    decContextDefault(&ctx, DEC_INIT_DECIMAL192);
    const struct { Words in; const char *text; Words canonical; } cases[] = {
        // 0x3FF is a redundant code for 999.
        {{kExponentZeroHigh, 0, 0x3FF}, "999", {kExponentZeroHigh, 0, 0x0FF}},
        // An infinity ignores everything after G0..G4.
        {{0x78000ABCDEF12345, 0x1234, 0x5678}, "Infinity", {0x7800000000000000, 0, 0}},
        // A NaN ignores G6..G20 and keeps its payload from the trailing digits.
        {{0x7C03FC0000000000, 0, 0x7}, "NaN7", {0x7C00000000000000, 0, 0x7}},
    };
    for (const auto &c : cases) {
        const decSext in = fromWords(c.in);
        decSext out;
        EXPECT_EQ(text(in), c.text);
        EXPECT_EQ(words(*decSextAbs(&out, &in, &ctx)), c.canonical) << c.text;
    }
}

// The only path by which a number beyond the format reaches the encoder:
// it must fold down, overflow or underflow (keeping the sign of a zero),
// and never hand decNumber an exponent near the int range.
TEST(Decimal192Fields, SetExponentRoundsOrClampsBeyondTheFormat) {
    const struct { const char *value; int32_t exponent; std::string result; } cases[] = {
        {"123", -2, "1.23"},          {"123", 98300, "1.23" + std::string(47, '0') + "E+98302"},
        {"123", 98303, "Infinity"},   {"5", INT32_MAX, "Infinity"},
        {"15", -98355, "2E-98354"},   {"5", INT32_MIN, "0E-98354"},
        {"-0", INT32_MIN, "-0E-98354"}, {"-NaN3", 4, "-NaN3"},
    };
    for (const auto &c : cases) {
        decContext ctx;
        decSext d = parse(c.value);
        decSextSetExponent(&d, decContextDefault(&ctx, DEC_INIT_DECIMAL192), c.exponent);
        EXPECT_EQ(text(d), c.result) << c.value << " at " << c.exponent;
    }
}

}  // namespace
