// The fixed-width arithmetic against decNumber working on the same values:
// every bit of the result and of the status must agree. Operands are drawn
// to reach carries, borrows, ties, cancellation, long intermediate
// results, zeros, subnormals and both exponent limits. The pair count is
// QEB_DECIMAL_PAIRS (default 100000).
#include "decimal192_coefficient.h"
#include "decimal192_reference.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

namespace {

class Operands {
public:
    explicit Operands(uint32_t seed) : mRandom(seed) {}

    decSext next() {
        if (below(20) == 0) return raw();
        return make(coefficient(), exponent(), below(2) == 0);
    }

    // A partner for `first`: often near it, to cancel, tie or carry.
    decSext partner(const decSext &first) {
        decNumber n;
        decimal192ToNumber(&first, &n);
        if (!decNumberIsFinite(&n) || below(3) == 0) return next();
        std::string digits = coefficientText(n);
        switch (below(5)) {
        case 0: break;  // the same coefficient
        case 1: digits.back() = char('0' + below(10)); break;
        case 2: digits += std::string(below(5), '0') + "5"; break;
        case 3: digits = "1" + std::string(below(52), '0'); break;
        default: digits = std::string(digits.size(), '9'); break;
        }
        if (digits.size() > 52) digits.resize(52);
        const int32_t shift = int32_t(below(3) == 0 ? below(120) : below(6)) - (below(2) ? 0 : 3);
        return make(digits, n.exponent - shift, below(2) == 0);
    }

private:
    uint32_t below(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(mRandom); }

    std::string coefficient() {
        const size_t length = 1 + below(below(2) ? 52 : 12);
        std::string digits;
        switch (below(6)) {
        case 0: digits = std::string(length, '9'); break;
        case 1: digits = "1" + std::string(length - 1, '0'); break;
        case 2: digits = std::string(length - 1, '4') + "5"; break;
        case 3: digits = std::to_string(below(10)) + std::string(length - 1, '0'); break;
        default:
            for (size_t i = 0; i < length; ++i) digits += char('0' + below(10));
        }
        return digits;
    }

    int32_t exponent() {
        switch (below(6)) {
        case 0: return DECIMAL192_Emin - 51 + int32_t(below(110));  // subnormal and just above
        case 1: return DECIMAL192_Emax - 51 - int32_t(below(110));  // near overflow and clamping
        case 2: return int32_t(below(2 * 98000)) - 98000;
        default: return int32_t(below(80)) - 50;
        }
    }

    decSext make(const std::string &digits, int32_t exponent, bool negative) {
        decContext ctx = context();
        std::string literal = (negative ? "-" : "") + digits + "E" + std::to_string(exponent);
        decSext d;
        decNumber n;
        decNumberFromString(&n, literal.c_str(), &ctx);
        return *decimal192FromNumber(&d, &n, &ctx);
    }

    // Any 192 bits: infinities, NaNs and non-canonical declets included.
    decSext raw() {
        decSext d;
        for (uint64_t &w : d.words) w = uint64_t(mRandom()) << 32 | mRandom();
        return d;
    }

    static std::string coefficientText(const decNumber &n) {
        std::string digits;
        for (int i = n.digits - 1; i >= 0; --i) {
            const int unit = n.lsu[i / 3];
            digits += char('0' + (i % 3 == 0 ? unit % 10 : i % 3 == 1 ? unit / 10 % 10 : unit / 100));
        }
        return digits;
    }

    std::mt19937 mRandom;
};

long pairCount() {
    const char *setting = std::getenv("QEB_DECIMAL_PAIRS");
    return setting ? std::atol(setting) : 100000;
}

TEST(Decimal192Paths, ArithmeticMatchesDecNumberBitForBit) {
    Operands operands(20261207);
    int failures = 0;
    for (long i = 0; i < pairCount() && failures < 10; ++i) {
        const decSext a = operands.next(), b = operands.partner(a);
        for (const BinaryOperation &op : kBinaryOperations) {
            const Outcome got = viaModule(op.module, a, b), want = viaDecNumber(op.reference, a, b);
            if (got == want) continue;
            ++failures;
            ADD_FAILURE() << text(a) << ' ' << op.name << ' ' << text(b) << ": " << text(got.value)
                          << " status " << got.status << ", decNumber " << text(want.value)
                          << " status " << want.status;
        }
    }
}

// Reduction, square root, and text both ways: the text of every value
// reads back as decNumber reads it, and matches decNumber's own text.
TEST(Decimal192Paths, ReductionRootAndTextMatchDecNumber) {
    Operands operands(7);
    int failures = 0;
    for (long i = 0; i < pairCount() && failures < 10; ++i) {
        const decSext a = operands.next();
        decNumber n;
        char expected[DECIMAL192_String + 16];
        decNumberToString(decimal192ToNumber(&a, &n), expected);
        const std::string written = text(a);
        const Outcome readGot = readViaModule(written, false), readWant = readViaDecNumber(written, false);
        const Outcome reducedGot = readViaModule(written, true),
                      reducedWant = readViaDecNumber(written, true);
        if (written != expected || !(readGot == readWant) || !(reducedGot == reducedWant)) {
            ++failures;
            ADD_FAILURE() << expected << " written " << written << ", read back "
                          << text(readGot.value) << " against " << text(readWant.value)
                          << ", reduced " << text(reducedGot.value) << " against "
                          << text(reducedWant.value);
        }
        for (const UnaryOperation &op : kUnaryOperations) {
            const Outcome got = viaModule(op, a), want = viaDecNumber(op, a);
            if (got == want) continue;
            ++failures;
            ADD_FAILURE() << op.name << ' ' << expected << ": " << text(got.value) << " status "
                          << got.status << ", decNumber " << text(want.value) << " status "
                          << want.status;
        }
    }
}

// Texts the encoding cannot hold as written, though their reductions fit:
// decNumber reports the reading's clamping or subnormal value.
TEST(Decimal192Paths, ReadingBeyondTheFormatThenReducingMatchesDecNumber) {
    for (const char *t : {"0E-98398", "-0E-99999", "0E+98300", "1E-98340", "1000E98253",
                          "100E-98360", "5E+98253"})
        for (bool reduce : {false, true})
            EXPECT_TRUE(readViaModule(t, reduce) == readViaDecNumber(t, reduce)) << t << ' ' << reduce;
}

std::string digitsOf(const dec192::Coefficient &c) {
    char buffer[dec192::kMaxDigits];
    return std::string(buffer, size_t(dec192::toDigits(c, buffer, 0)));
}

dec192::Coefficient coefficient(const std::string &digits) {
    dec192::Coefficient c;
    dec192::fromDigits(c, digits.data(), int(digits.size()), int(digits.size()));
    return c;
}

// A quotient limb estimated one too large, so that the divisor is added
// back: rare in random operands, so a known case (checked with Python).
TEST(Decimal192Coefficient, LongDivisionAddsBackAnEstimateOneTooLarge) {
    dec192::Coefficient q;
    EXPECT_TRUE(dec192::divide(q, coefficient("643646633999999997000000001000000000999999998716064646"),
                               coefficient("1999999999999999999000000000")));
    EXPECT_EQ(digitsOf(q), "321823316999999998660911658");
}

// Dropping more digits than a coefficient has leaves 0 and says how the
// whole compared with half of the unit dropped to.
TEST(Decimal192Coefficient, ScalingDownPastEveryDigitReportsTheWhole) {
    const struct { const char *digits; int k; dec192::Dropped dropped; } cases[] = {
        {"123", 5, dec192::kBelowHalf}, {"5000", 4, dec192::kHalf},
        {"5000000001", 10, dec192::kAboveHalf}, {"6", 1, dec192::kAboveHalf},
        {"4999999999999999999", 19, dec192::kBelowHalf}, {"5", 20, dec192::kBelowHalf},
    };
    for (const auto &c : cases) {
        dec192::Coefficient n = coefficient(c.digits);
        EXPECT_EQ(dec192::scaleDown(n, c.k), c.dropped) << c.digits;
        EXPECT_TRUE(dec192::isZero(n)) << c.digits;
    }
}

// Digits are read a word at a time; the point may fall anywhere in a limb,
// or before or after all of them.
TEST(Decimal192Coefficient, DigitsReadAlikeWhereverThePointFalls) {
    const std::string all = "9876543210123456789098765432101234567890987654321012345678909876543210123456789";
    for (int count : {1, 9, 18, 19, 20, 27, 28, 52, 53, 79}) {
        const std::string digits = all.substr(0, size_t(count));
        for (int point = 0; point <= count; ++point) {
            const std::string text = digits.substr(0, size_t(point)) + "." + digits.substr(size_t(point));
            dec192::Coefficient c;
            dec192::fromDigits(c, text.data(), count, point);
            ASSERT_EQ(digitsOf(c), digits) << text;
        }
    }
    EXPECT_EQ(digitsOf(coefficient("000000000000000000000000000000000000000000000000000")), "0");
}

// A digit run, checked eight bytes at a time, stops at the first byte that
// is no digit, whatever its neighbours; a digit put in instead (9) keeps
// the run whole.
TEST(Decimal192Coefficient, DigitRunStopsAtTheFirstOtherByte) {
    for (char stop : {'/', ':', '?', '@', '\xB5', '\xF9', ' ', '.', 'e', 'E', '-', '\0', '9'}) {
        const std::string digits = "0123456789987654321001234567899876543210";
        for (size_t at = 0; at < digits.size(); ++at) {
            std::string text = digits;
            text[at] = stop;
            const size_t want = stop == '9' ? digits.size() : at;
            EXPECT_EQ(dec192::digitRun(text.c_str()), int(want)) << int(stop) << ' ' << at;
        }
    }
}

TEST(Decimal192Coefficient, ASmallerDividendGivesZeroAndItsRemainder) {
    dec192::Coefficient q;
    EXPECT_TRUE(dec192::divide(q, coefficient("123"), coefficient("1000000000000")));
    EXPECT_TRUE(dec192::isZero(q));
    EXPECT_FALSE(dec192::divide(q, coefficient("0"), coefficient("1000000000000")));
}

}  // namespace
