// The fixed-width arithmetic against decNumber working on the same values:
// every bit of the result and of the status must agree. Operands are drawn
// to reach carries, borrows, ties, cancellation, long intermediate
// results, zeros, subnormals and both exponent limits. The pair count is
// QEB_DECIMAL_PAIRS (default 100000).
#include "decimal192.h"
#include "decimal192_coefficient.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

namespace {

decContext context() {
    decContext ctx;
    return *decContextDefault(&ctx, DEC_INIT_DECIMAL192);
}

std::string text(const decSext &d) {
    char buffer[DECIMAL192_String];
    return decSextToString(&d, buffer);
}

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

struct Outcome {
    decSext value;
    uint32_t status;
    bool operator==(const Outcome &o) const {
        return status == o.status && value.words[0] == o.value.words[0] &&
               value.words[1] == o.value.words[1] && value.words[2] == o.value.words[2];
    }
};

// The result and status of `run` on a fresh context.
template <typename Run>
Outcome outcome(Run run) {
    decContext ctx = context();
    Outcome o;
    run(&o.value, &ctx);
    o.status = ctx.status;
    return o;
}

using Module = decSext *(*)(decSext *, const decSext *, const decSext *, decContext *);
using Reference = decNumber *(*)(decNumber *, const decNumber *, const decNumber *, decContext *);

Outcome viaModule(Module op, const decSext &a, const decSext &b) {
    return outcome([&](decSext *r, decContext *ctx) { op(r, &a, &b, ctx); });
}

Outcome viaDecNumber(Reference op, const decSext &a, const decSext &b) {
    return outcome([&](decSext *r, decContext *ctx) {
        decNumber x, y, n;
        decimal192FromNumber(r, op(&n, decimal192ToNumber(&a, &x), decimal192ToNumber(&b, &y), ctx), ctx);
    });
}

long pairCount() {
    const char *setting = std::getenv("QEB_DECIMAL_PAIRS");
    return setting ? std::atol(setting) : 100000;
}

TEST(Decimal192Paths, ArithmeticMatchesDecNumberBitForBit) {
    const struct { const char *name; Module module; Reference reference; } ops[] = {
        {"+", decSextAdd, decNumberAdd},           {"-", decSextSubtract, decNumberSubtract},
        {"*", decSextMultiply, decNumberMultiply}, {"/", decSextDivide, decNumberDivide},
        {"<=>", decSextCompare, decNumberCompare},
    };
    Operands operands(20261207);
    int failures = 0;
    for (long i = 0; i < pairCount() && failures < 10; ++i) {
        const decSext a = operands.next(), b = operands.partner(a);
        for (const auto &op : ops) {
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
    const struct {
        const char *name;
        decSext *(*module)(decSext *, const decSext *, decContext *);
        decNumber *(*reference)(decNumber *, const decNumber *, decContext *);
    } ops[] = {{"reduce", decSextReduce, decNumberReduce},
               {"sqrt", decSextSquareRoot, decNumberSquareRoot}};
    Operands operands(7);
    int failures = 0;
    for (long i = 0; i < pairCount() && failures < 10; ++i) {
        const decSext a = operands.next();
        decNumber n;
        char expected[DECIMAL192_String + 16];
        decNumberToString(decimal192ToNumber(&a, &n), expected);
        const std::string written = text(a);
        const Outcome readGot = outcome([&](decSext *r, decContext *ctx) {
            decSextFromString(r, written.c_str(), ctx);
        });
        const Outcome readWant = outcome([&](decSext *r, decContext *ctx) {
            decNumber read;
            decimal192FromNumber(r, decNumberFromString(&read, written.c_str(), ctx), ctx);
        });
        const Outcome reducedGot = outcome([&](decSext *r, decContext *ctx) {
            decSextFromStringReduced(r, written.c_str(), ctx);
        });
        const Outcome reducedWant = outcome([&](decSext *r, decContext *ctx) {
            decNumber read;
            decNumberReduce(&read, decNumberFromString(&read, written.c_str(), ctx), ctx);
            decimal192FromNumber(r, &read, ctx);
        });
        if (written != expected || !(readGot == readWant) || !(reducedGot == reducedWant)) {
            ++failures;
            ADD_FAILURE() << expected << " written " << written << ", read back "
                          << text(readGot.value) << " against " << text(readWant.value)
                          << ", reduced " << text(reducedGot.value) << " against "
                          << text(reducedWant.value);
        }
        for (const auto &op : ops) {
            const Outcome got = outcome([&](decSext *r, decContext *ctx) { op.module(r, &a, ctx); });
            const Outcome want = outcome([&](decSext *r, decContext *ctx) {
                decNumber result;
                decimal192FromNumber(r, op.reference(&result, &n, ctx), ctx);
            });
            if (got == want) continue;
            ++failures;
            ADD_FAILURE() << op.name << ' ' << expected << ": " << text(got.value) << " status "
                          << got.status << ", decNumber " << text(want.value) << " status "
                          << want.status;
        }
    }
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

}  // namespace
