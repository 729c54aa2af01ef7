#include "decimal192.h"

#include "decimal192_coefficient.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Densely packed decimal: three digits in ten bits. Bits from the top are
// named p q r s t u v w x y; v = 0 means all three digits are below 8.
constexpr unsigned decodeDeclet(unsigned code) {
    const unsigned pqr = code >> 7 & 7, stu = code >> 4 & 7, wxy = code & 7;
    const unsigned pq = code >> 8 & 3, st = code >> 5 & 3;
    const unsigned r = pqr & 1, u = stu & 1, y = wxy & 1;
    unsigned d0 = pqr, d1 = stu, d2 = wxy;
    if (code & 8) {
        switch (code >> 1 & 3) {
        case 0: d2 = 8 + y; break;
        case 1: d1 = 8 + u; d2 = st << 1 | y; break;
        case 2: d0 = 8 + r; d2 = pq << 1 | y; break;
        default:
            switch (st) {
            case 0: d0 = 8 + r; d1 = 8 + u; d2 = pq << 1 | y; break;
            case 1: d0 = 8 + r; d1 = pq << 1 | u; d2 = 8 + y; break;
            case 2: d1 = 8 + u; d2 = 8 + y; break;
            default: d0 = 8 + r; d1 = 8 + u; d2 = 8 + y; break;  // pq ignored
            }
        }
    }
    return d0 * 100 + d1 * 10 + d2;
}

constexpr unsigned encodeDeclet(unsigned n) {
    const unsigned d0 = n / 100, d1 = n / 10 % 10, d2 = n % 10;
    const unsigned bcd = d0 & 7, fgh = d1 & 7, jkm = d2 & 7;
    const unsigned d = d0 & 1, h = d1 & 1, m = d2 & 1, fg = fgh >> 1, jk = jkm >> 1;
    switch ((d0 >= 8) << 2 | (d1 >= 8) << 1 | (d2 >= 8)) {
    case 0: return bcd << 7 | fgh << 4 | jkm;
    case 1: return bcd << 7 | fgh << 4 | 8 | m;
    case 2: return bcd << 7 | (jk << 1 | h) << 4 | 10 | m;
    case 3: return bcd << 7 | (4 | h) << 4 | 14 | m;
    case 4: return (jk << 1 | d) << 7 | fgh << 4 | 12 | m;
    case 5: return (fg << 1 | d) << 7 | (2 | h) << 4 | 14 | m;
    case 6: return (jk << 1 | d) << 7 | h << 4 | 14 | m;
    default: return d << 7 | (6 | h) << 4 | 14 | m;
    }
}

struct DecletTables {
    uint16_t toBinary[1024];
    // The value times 1000 and times 1000000: a limb of three declets is
    // then three loads and two additions.
    uint32_t toThousands[1024];
    uint32_t toMillions[1024];
    uint16_t toDeclet[1000];
};

constexpr DecletTables makeDecletTables() {
    DecletTables tables{};
    for (unsigned code = 0; code < 1024; ++code) {
        tables.toBinary[code] = uint16_t(decodeDeclet(code));
        tables.toThousands[code] = decodeDeclet(code) * 1000;
        tables.toMillions[code] = decodeDeclet(code) * 1000000;
    }
    for (unsigned n = 0; n < 1000; ++n) tables.toDeclet[n] = uint16_t(encodeDeclet(n));
    return tables;
}

constexpr DecletTables kDeclets = makeDecletTables();

// Layout of words[2] above the trailing significand's top 42 bits.
constexpr int kCombinationShift = 42;
constexpr int kTopShift = 58;  // the five leading bits of the combination field
constexpr unsigned kTopInfinity = 0x1E, kTopNaN = 0x1F;
static_assert(kTopShift == 58 && kTopNaN == 0x1F, "decSextNaN in the header writes these");
constexpr uint64_t kSignalingBit = uint64_t(1) << 57;
constexpr uint64_t kTrailingHigh = (uint64_t(1) << kCombinationShift) - 1;
constexpr int32_t kExponentHigh = DECIMAL192_Emax - DECIMAL192_Pmax + 1;
constexpr int32_t kExponentTiny = DECIMAL192_Emin - DECIMAL192_Pmax + 1;

// Beyond these bounds every coefficient overflows or rounds to zero, as it
// does at them; decNumber needs its exponents kept far from int range.
int32_t clampedExponent(int32_t exponent) {
    return std::min(std::max(exponent, kExponentTiny - 2 * DECIMAL192_Pmax), int32_t(DECIMAL192_Emax + 1));
}

static_assert(DECDPUN == 3, "one decNumber unit must hold exactly one declet");

unsigned topBits(const decimal192 *d) { return unsigned(d->words[2] >> kTopShift) & 0x1F; }

// Limb I of a coefficient, nine digits, is declets 3I to 3I+2: bits 30I
// to 30I+29 of the trailing significand. The sixth limb's top three digits
// are the leading digit, which the combination field holds.
constexpr int kLimbs192 = 6;
constexpr uint32_t kMsdScale = 1000000;

int highestBit(uint64_t v) {
#if defined(__GNUC__)
    return 63 - __builtin_clzll(v);
#else
    int bit = 0;
    while (v >>= 1) ++bit;
    return bit;
#endif
}

// Index of the highest non-zero declet of the trailing significand; 0 when
// all are zero.
int highestDeclet(const uint64_t *words) {
    const uint64_t high = words[2] & kTrailingHigh;
    if (high != 0) return (128 + highestBit(high)) / 10;
    if (words[1] != 0) return (64 + highestBit(words[1])) / 10;
    return words[0] != 0 ? highestBit(words[0]) / 10 : 0;
}

// Leading digit and biased exponent of a finite value's combination field.
void readCombination(const decimal192 *d, unsigned *msd, int32_t *exponent) {
    const unsigned top = topBits(d);
    unsigned exponentHigh;
    if (top < 0x18) {
        exponentHigh = top >> 3;
        *msd = top & 7;
    } else {
        exponentHigh = top >> 1 & 3;
        *msd = 8 + (top & 1);
    }
    const unsigned low = unsigned(d->words[2] >> kCombinationShift) & 0xFFFF;
    *exponent = int32_t(exponentHigh << 16 | low) - DECIMAL192_Bias;
}

// Nine digits from the low 30 bits of declets, and back.
uint32_t limbValue(uint64_t bits) {
    return kDeclets.toMillions[bits >> 20 & 0x3FF] + kDeclets.toThousands[bits >> 10 & 0x3FF] +
           kDeclets.toBinary[bits & 0x3FF];
}

uint64_t limbDeclets(uint32_t limb) {
    // limb / 10^6 in fixed point, rounded up: each further group of three
    // digits is one multiplication by 1000 away. For limbs below 10^9 the
    // rounding adds under 2^30 units of 2^-52, a quarter of a unit at most
    // after both multiplications, so no group comes out one too high.
    constexpr int kPoint = 52;
    constexpr uint64_t kFraction = (uint64_t(1) << kPoint) - 1;
    const uint64_t high = uint64_t(limb) * ((uint64_t(1) << kPoint) / 1000000 + 1);
    const uint64_t middle = (high & kFraction) * 1000, low = (middle & kFraction) * 1000;
    return kDeclets.toDeclet[low >> kPoint] | uint64_t(kDeclets.toDeclet[middle >> kPoint]) << 10 |
           uint64_t(kDeclets.toDeclet[high >> kPoint]) << 20;
}

// Limb I from its 30 bits of declets, when the coefficient has that many.
template <int I>
void readLimb(dec192::Coefficient &c, uint64_t bits) {
    if (I < c.size) c.limb[I] = limbValue(bits);
}

// The trailing significand as six limbs of 30 bits of declets; the sixth
// has only two declets.
struct LimbBits {
    uint64_t bits[kLimbs192];
};

LimbBits limbBits(const decimal192 *d) {
    const uint64_t w0 = d->words[0], w1 = d->words[1], w2 = d->words[2] & kTrailingHigh;
    return {{w0, w0 >> 30, w0 >> 60 | w1 << 4, w1 >> 26, w1 >> 56 | w2 << 8, w2 >> 22}};
}

// The limbs of declets up to the highest non-zero declet; 1 when all are 0.
int trailingLimbsInUse(const decimal192 *d) { return highestDeclet(d->words) / 3 + 1; }

// The coefficient with leading digit msd; of a NaN, its payload (msd 0).
void readCoefficient(dec192::Coefficient &c, const decimal192 *d, unsigned msd) {
    const LimbBits limbs = limbBits(d);
    // Only the limbs up to the highest non-zero declet need decoding.
    c.size = msd != 0 ? kLimbs192 : trailingLimbsInUse(d);
    readLimb<0>(c, limbs.bits[0]);
    readLimb<1>(c, limbs.bits[1]);
    readLimb<2>(c, limbs.bits[2]);
    readLimb<3>(c, limbs.bits[3]);
    readLimb<4>(c, limbs.bits[4]);
    readLimb<5>(c, limbs.bits[5]);
    if (msd != 0) c.limb[kLimbs192 - 1] += msd * kMsdScale;
    if (c.size == 1 && c.limb[0] == 0) c.size = 0;
}

// Whether every declet is the one encoding of its digits: only codes of
// three digits 8 or 9 (bits 0x6E all set) have others, with p or q set.
bool canonicalDeclets(const decimal192 *d) {
    const LimbBits limbs = limbBits(d);
    const int count = trailingLimbsInUse(d);  // code 0 is canonical
    bool spare = false;
    for (int i = 0; i < count; ++i)
        for (int j = 0; j < 3; ++j) {
            const uint64_t code = limbs.bits[i] >> 10 * j & 0x3FF;
            spare |= (code & 0x6E) == 0x6E && (code & 0x300) != 0;
        }
    return !spare;
}

// The declets of limb I, or of nothing beyond the coefficient's size.
template <int I>
uint64_t limbDeclets(const dec192::Coefficient &c) {
    return limbDeclets(I < c.size ? c.limb[I] : 0);
}

// The trailing significand: the low 51 digits of c (the sixth limb's top
// three digits are the leading digit's place).
void writeTrailing(uint64_t *words, const dec192::Coefficient &c) {
    const uint64_t b0 = limbDeclets<0>(c), b1 = limbDeclets<1>(c), b2 = limbDeclets<2>(c),
                   b3 = limbDeclets<3>(c), b4 = limbDeclets<4>(c),
                   b5 = limbDeclets<5>(c) & ((uint64_t(1) << 20) - 1);
    words[0] |= b0 | b1 << 30 | b2 << 60;
    words[1] |= b2 >> 4 | b3 << 26 | b4 << 56;
    words[2] |= b4 >> 8 | b5 << 22;
}

// Encodes a finite number whose coefficient has at most 52 digits and
// whose exponent the format holds without clamping.
void encodeFinite(decimal192 *d, const dec192::Coefficient &c, int32_t exponent, bool negative) {
    const unsigned msd = c.size == kLimbs192 ? c.limb[kLimbs192 - 1] / kMsdScale : 0;
    const uint32_t biased = uint32_t(exponent + DECIMAL192_Bias);
    const unsigned exponentHigh = biased >> 16;
    const unsigned top = msd < 8 ? exponentHigh << 3 | msd : 0x18 | exponentHigh << 1 | (msd & 1);
    uint64_t words[3] = {0, 0,
                         uint64_t(negative) << 63 | uint64_t(top) << kTopShift |
                             uint64_t(biased & 0xFFFF) << kCombinationShift};
    writeTrailing(words, c);
    // Word by word: one wide copy of the narrower stores just made would
    // stall on store forwarding.
    d->words[0] = words[0];
    d->words[1] = words[1];
    d->words[2] = words[2];
}

// decNumber's units of three digits and limbs of nine, both ways.
void fromUnits(dec192::Coefficient &c, const decNumber *dn) {
    const int units = (dn->digits + DECDPUN - 1) / DECDPUN;
    c.size = (units + 2) / 3;
    for (int i = 0; i < c.size; ++i) {
        uint32_t limb = 0;
        for (int u = std::min(3 * i + 2, units - 1); u >= 3 * i; --u) limb = limb * 1000 + dn->lsu[u];
        c.limb[i] = limb;
    }
    if (c.size == 1 && c.limb[0] == 0) c.size = 0;
}

void toUnits(const dec192::Coefficient &c, decNumber *dn) {
    dn->digits = dec192::digits(c);
    dn->lsu[0] = 0;
    for (int i = 0; i < c.size; ++i) {
        dn->lsu[3 * i] = decNumberUnit(c.limb[i] % 1000);
        dn->lsu[3 * i + 1] = decNumberUnit(c.limb[i] / 1000 % 1000);
        dn->lsu[3 * i + 2] = decNumberUnit(c.limb[i] / 1000000);
    }
}

using UnaryOperation = decNumber *(*)(decNumber *, const decNumber *, decContext *);
using BinaryOperation = decNumber *(*)(decNumber *, const decNumber *, const decNumber *,
                                       decContext *);

decSext *unary(decSext *result, const decSext *value, decContext *set, UnaryOperation op) {
    decNumber n, r;
    op(&r, decimal192ToNumber(value, &n), set);
    return decimal192FromNumber(result, &r, set);
}

decSext *binary(decSext *result, const decSext *lhs, const decSext *rhs, decContext *set,
                BinaryOperation op) {
    decNumber a, b, r;
    op(&r, decimal192ToNumber(lhs, &a), decimal192ToNumber(rhs, &b), set);
    return decimal192FromNumber(result, &r, set);
}

// A copy of set with another rounding; its status is merged back after.
decContext withRounding(const decContext *set, enum rounding rounding) {
    decContext rounded = *set;
    rounded.round = rounding;
    rounded.status = 0;
    return rounded;
}

// The value rounded to an integer, as sign and magnitude; false (with
// DEC_Invalid_operation) when it is not finite or exceeds 64 bits.
bool integerMagnitude(const decSext *value, decContext *set, enum rounding rounding,
                      uint64_t *magnitude, bool *negative) {
    decNumber n, integral;
    decimal192ToNumber(value, &n);
    if (decNumberIsSpecial(&n)) {
        decContextSetStatus(set, DEC_Invalid_operation);
        return false;
    }
    decContext rounded = withRounding(set, rounding);
    decNumberToIntegralValue(&integral, &n, &rounded);
    decContextSetStatus(set, rounded.status);
    const uint64_t max = std::numeric_limits<uint64_t>::max();
    uint64_t m = 0;
    bool fits = true;
    for (int u = (integral.digits + DECDPUN - 1) / DECDPUN - 1; u >= 0 && fits; --u) {
        fits = m <= (max - integral.lsu[u]) / 1000;
        m = m * 1000 + integral.lsu[u];
    }
    for (int32_t e = integral.exponent; e > 0 && m != 0 && fits; --e) {
        fits = m <= max / 10;
        m *= 10;
    }
    if (!fits) {
        decContextSetStatus(set, DEC_Invalid_operation);
        return false;
    }
    *magnitude = m;
    *negative = decNumberIsNegative(&integral);
    return true;
}

// The arithmetic below works in two tiers before decNumber: short numbers
// on one machine word, then any finite number on fixed-width limbs. Each
// takes only cases where it gives decNumber's result and status, under the
// context of kind 192 (round half even, so an exact zero sum is +0).
bool fastContext(const decContext *set) {
    return set->digits == DECIMAL192_Pmax && set->emax == DECIMAL192_Emax &&
           set->emin == DECIMAL192_Emin && set->clamp == 1 && set->round == DEC_ROUND_HALF_EVEN;
}

// Short numbers: finite values whose coefficient has at most 18 digits (all
// its declets in words[0]) on one machine word, for exact results that the
// encoding holds unclamped and normal. The cheapest tier, tried first.
constexpr int kSmallDigits = 18;

struct PowersOfTen {
    uint64_t value[20];
};

constexpr PowersOfTen makePowersOfTen() {
    PowersOfTen powers{};
    powers.value[0] = 1;
    for (int n = 1; n < 20; ++n) powers.value[n] = powers.value[n - 1] * 10;
    return powers;
}

constexpr PowersOfTen kPowersOfTen = makePowersOfTen();

struct Small {
    uint64_t coefficient;
    int32_t exponent;
    bool negative;
};

bool readSmall(const decimal192 *d, Small *small) {
    const unsigned top = topBits(d);
    if (d->words[1] != 0 || (d->words[2] & kTrailingHigh) != 0 || d->words[0] >> 60 != 0 ||
        top >= 0x18 || (top & 7) != 0)
        return false;
    unsigned msd;
    readCombination(d, &msd, &small->exponent);
    const uint64_t low = d->words[0];
    small->coefficient = uint64_t(limbValue(low >> 30)) * 1000000000 + limbValue(low);
    small->negative = d->words[2] >> 63 != 0;
    return true;
}

bool writeSmall(decimal192 *d, const Small &small) {
    if (small.exponent > kExponentHigh) return false;
    if (small.exponent < DECIMAL192_Emin) {
        int digits = 1;
        while (digits < 20 && small.coefficient >= kPowersOfTen.value[digits]) ++digits;
        if (small.exponent + digits - 1 < DECIMAL192_Emin) return false;
    }
    const uint32_t biased = uint32_t(small.exponent + DECIMAL192_Bias);
    // At most 20 digits: two limbs of declets fill bits 0-59, a seventh
    // declet straddles into words[1].
    const uint64_t c = small.coefficient;
    if (c < dec192::kLimbBase) {
        d->words[0] = limbDeclets(uint32_t(c));
        d->words[1] = 0;
    } else {
        const uint64_t high = c / dec192::kLimbBase;
        const uint64_t seventh = kDeclets.toDeclet[high / dec192::kLimbBase];
        d->words[0] = limbDeclets(uint32_t(c % dec192::kLimbBase)) |
                      limbDeclets(uint32_t(high % dec192::kLimbBase)) << 30 | seventh << 60;
        d->words[1] = seventh >> 4;
    }
    d->words[2] = uint64_t(small.negative) << 63 | uint64_t(biased >> 16 << 3) << kTopShift |
                  uint64_t(biased & 0xFFFF) << kCombinationShift;
    return true;
}

bool addSmall(decSext *result, const decSext *lhs, const decSext *rhs, bool subtract,
              const decContext *set) {
    Small a, b;
    if (!fastContext(set) || !readSmall(lhs, &a) || !readSmall(rhs, &b)) return false;
    b.negative = b.negative != subtract;
    // The sum takes the smaller exponent; the other coefficient is scaled to it.
    const bool aHigher = a.exponent >= b.exponent;
    const Small &high = aHigher ? a : b, &low = aHigher ? b : a;
    const int32_t shift = high.exponent - low.exponent;
    if (shift > kSmallDigits || high.coefficient >= kPowersOfTen.value[kSmallDigits - shift])
        return false;
    const uint64_t scaled = high.coefficient * kPowersOfTen.value[shift];
    Small sum = {0, low.exponent, false};
    if (high.negative == low.negative) {
        sum.coefficient = scaled + low.coefficient;
        sum.negative = high.negative;
    } else if (scaled != low.coefficient) {
        const bool highLarger = scaled > low.coefficient;
        sum.coefficient = highLarger ? scaled - low.coefficient : low.coefficient - scaled;
        sum.negative = highLarger ? high.negative : low.negative;
    }
    return writeSmall(result, sum);
}

bool multiplySmall(decSext *result, const decSext *lhs, const decSext *rhs, const decContext *set) {
    Small a, b;
    if (!fastContext(set) || !readSmall(lhs, &a) || !readSmall(rhs, &b) ||
        a.coefficient >> 32 != 0 || b.coefficient >> 32 != 0)
        return false;
    return writeSmall(result, {a.coefficient * b.coefficient, a.exponent + b.exponent,
                               a.negative != b.negative});
}

bool reduceSmall(decSext *result, const decSext *value, const decContext *set) {
    Small a;
    if (!fastContext(set) || !readSmall(value, &a)) return false;
    if (a.coefficient == 0) a.exponent = 0;
    for (; a.coefficient != 0 && a.coefficient % 10 == 0; a.coefficient /= 10) ++a.exponent;
    return writeSmall(result, a);
}

// An exact quotient of short numbers: the divisor's factors other than 2
// and 5 divide the dividend. Inexact quotients are left to the limb tier.
bool divideSmall(decSext *result, const decSext *lhs, const decSext *rhs, const decContext *set) {
    Small a, b;
    if (!fastContext(set) || !readSmall(lhs, &a) || !readSmall(rhs, &b) || b.coefficient == 0)
        return false;
    const int twos = __builtin_ctzll(b.coefficient);
    uint64_t odd = b.coefficient >> twos;
    int fives = 0;
    for (; odd % 5 == 0; odd /= 5) ++fives;
    if (a.coefficient % odd != 0) return false;
    // a × 10^scale / b with scale = max(twos, fives) is
    // (a / odd) × 2^(scale - twos) × 5^(scale - fives).
    const int scale = std::max(twos, fives);
    Small q = {a.coefficient / odd, a.exponent - b.exponent - scale, a.negative != b.negative};
    const uint64_t limit = kPowersOfTen.value[kSmallDigits];
    for (int i = twos; i < scale; ++i)
        if ((q.coefficient *= 2) >= limit) return false;
    for (int i = fives; i < scale; ++i)
        if ((q.coefficient *= 5) >= limit) return false;
    // As near the ideal exponent as the quotient's zeros allow.
    for (int i = 0; i < scale && q.coefficient % 10 == 0; ++i) {
        q.coefficient /= 10;
        ++q.exponent;
    }
    return writeSmall(result, q);
}

// The limb tier: finite values worked on as fixed-width coefficients under the
// context of kind 192, for results that the encoding holds unclamped and
// normal, where decNumber would give the same result and report nothing
// beyond Rounded and Inexact. Everything else is left to decNumber.
using dec192::Coefficient;

struct Finite {
    Coefficient coefficient;
    int32_t exponent;
    bool negative;
};

// Sums, products and scaled dividends stay exact within this many digits.
constexpr int kExactDigits = 106;

// false for an infinity or a NaN.
bool unpack(const decimal192 *d, Finite *f) {
    if (topBits(d) >= kTopInfinity) return false;
    unsigned msd;
    readCombination(d, &msd, &f->exponent);
    f->negative = d->words[2] >> 63 != 0;
    readCoefficient(f->coefficient, d, msd);
    return true;
}

// Whether the encoding holds a coefficient of at most 52 digits as it is:
// a zero with an exponent in range, or a normal number whose exponent needs
// no clamping.
bool holdsAsItIs(const Finite &f) {
    return f.exponent <= kExponentHigh && f.exponent >= kExponentTiny &&
           (f.exponent >= DECIMAL192_Emin || f.coefficient.size == 0 ||
            f.exponent + dec192::digits(f.coefficient) - 1 >= DECIMAL192_Emin);
}

// Encodes f when the encoding holds it as it is; otherwise false, d
// untouched.
bool pack(decimal192 *d, const Finite &f) {
    if (!holdsAsItIs(f)) return false;
    encodeFinite(d, f.coefficient, f.exponent, f.negative);
    return true;
}

// Rounds f to 52 digits, half even; `sticky` says that a non-zero part
// lies below the coefficient's last digit (only a coefficient of more than
// 52 digits may have one). Returns the conditions to report, or ~0u when
// the result would be subnormal.
constexpr uint32_t kSubnormal = ~0u;

uint32_t roundToPrecision(Finite &f, bool sticky) {
    Coefficient &c = f.coefficient;
    const int digits = dec192::digits(c);
    if (c.size != 0 && f.exponent + digits - 1 < DECIMAL192_Emin) return kSubnormal;
    if (digits <= DECIMAL192_Pmax) return 0;
    dec192::Dropped dropped = dec192::scaleDown(c, digits - DECIMAL192_Pmax);
    f.exponent += digits - DECIMAL192_Pmax;
    if (sticky && dropped != dec192::kAboveHalf)
        dropped = dropped == dec192::kHalf ? dec192::kAboveHalf : dec192::kBelowHalf;
    if (dropped == dec192::kAboveHalf || (dropped == dec192::kHalf && (c.limb[0] & 1))) {
        dec192::increment(c);
        if (dec192::digits(c) > DECIMAL192_Pmax) {
            dec192::scaleDown(c, 1);
            ++f.exponent;
        }
    }
    return DEC_Rounded | (dropped != dec192::kNothing ? DEC_Inexact : 0);
}

// Encodes f and reports `status`; false, result untouched, when f was
// subnormal or the encoding would clamp it or overflow.
bool finish(decimal192 *result, const Finite &f, uint32_t status, decContext *set) {
    if (status == kSubnormal || !pack(result, f)) return false;
    if (status != 0) decContextSetStatus(set, status);
    return true;
}

bool roundAndFinish(decimal192 *result, Finite &f, bool sticky, decContext *set) {
    return finish(result, f, roundToPrecision(f, sticky), set);
}

// Trailing zeros removed while the exponent is below `ideal`.
void towardIdeal(Finite &f, int32_t ideal) {
    if (dec192::isZero(f.coefficient) || f.exponent >= ideal) return;
    const int strip = int(std::min(int32_t(dec192::trailingZeros(f.coefficient)), ideal - f.exponent));
    dec192::scaleDown(f.coefficient, strip);
    f.exponent += strip;
}

bool addFast(decSext *result, const decSext *lhs, const decSext *rhs, bool subtract,
             decContext *set) {
    Finite a, b;
    if (!fastContext(set) || !unpack(lhs, &a) || !unpack(rhs, &b)) return false;
    b.negative = b.negative != subtract;
    // The sum takes the smaller exponent; `high`, with the larger, is
    // rescaled to it.
    Finite &high = a.exponent >= b.exponent ? a : b;
    Finite &low = &high == &a ? b : a;
    if (!dec192::isZero(high.coefficient)) {
        const int highDigits = dec192::digits(high.coefficient);
        int32_t shift = high.exponent - low.exponent;
        if (dec192::isZero(low.coefficient)) {
            // Padding beyond what rounding keeps changes nothing.
            shift = std::min(shift, kExactDigits - highDigits);
            low.exponent = high.exponent - shift;
        } else if (shift + highDigits > kExactDigits) {
            // low lies wholly below one unit of high scaled to 54 digits;
            // any amount there, such as one unit a digit lower, rounds alike.
            shift = DECIMAL192_Pmax + 3 - highDigits;
            dec192::fromUInt64(low.coefficient, 1);
            low.exponent = high.exponent - shift;
        }
        dec192::scaleUp(high.coefficient, shift);
    }
    if (high.negative == low.negative) {
        dec192::add(low.coefficient, high.coefficient);
        return roundAndFinish(result, low, false, set);
    }
    if (dec192::compare(high.coefficient, low.coefficient) < 0) {
        dec192::subtract(low.coefficient, high.coefficient);
        return roundAndFinish(result, low, false, set);
    }
    dec192::subtract(high.coefficient, low.coefficient);
    high.exponent = low.exponent;
    // An exact zero is +0 when the signs differ.
    high.negative = high.negative && !dec192::isZero(high.coefficient);
    return roundAndFinish(result, high, false, set);
}

bool multiplyFast(decSext *result, const decSext *lhs, const decSext *rhs, decContext *set) {
    Finite a, b, product;
    if (!fastContext(set) || !unpack(lhs, &a) || !unpack(rhs, &b)) return false;
    dec192::multiply(product.coefficient, a.coefficient, b.coefficient);
    product.exponent = a.exponent + b.exponent;
    product.negative = a.negative != b.negative;
    return roundAndFinish(result, product, false, set);
}

bool divideFast(decSext *result, const decSext *lhs, const decSext *rhs, decContext *set) {
    Finite a, b;
    if (!fastContext(set) || !unpack(lhs, &a) || !unpack(rhs, &b) ||
        dec192::isZero(b.coefficient))
        return false;
    const int32_t ideal = a.exponent - b.exponent;
    a.negative = a.negative != b.negative;
    if (dec192::isZero(a.coefficient)) {
        a.exponent = ideal;
        return roundAndFinish(result, a, false, set);
    }
    // A quotient of 53 or 54 digits: one digit at least to round on, and
    // the remainder for what lies below.
    const int scale = DECIMAL192_Pmax + 1 - dec192::digits(a.coefficient) +
                      dec192::digits(b.coefficient);
    dec192::scaleUp(a.coefficient, scale);
    Finite q;
    const bool inexact = dec192::divide(q.coefficient, a.coefficient, b.coefficient);
    q.exponent = ideal - scale;
    q.negative = a.negative;
    // An exact quotient comes as near the ideal exponent as its zeros allow.
    if (!inexact) towardIdeal(q, ideal);
    return roundAndFinish(result, q, inexact, set);
}

bool squareRootFast(decSext *result, const decSext *value, decContext *set) {
    Finite a;
    if (!fastContext(set) || !unpack(value, &a) || a.negative || dec192::isZero(a.coefficient))
        return false;
    const int32_t ideal = a.exponent >= 0 ? a.exponent / 2 : -((1 - a.exponent) / 2);
    // The root of the coefficient scaled by an even power of ten to 107 or
    // 108 digits has 54: two beyond the precision, and the remainder below.
    const int odd = a.exponent - 2 * ideal;
    const int scale = (dec192::kMaxDigits - dec192::digits(a.coefficient) - odd) / 2;
    dec192::scaleUp(a.coefficient, odd + 2 * scale);
    Finite root;
    const bool inexact = dec192::squareRoot(root.coefficient, a.coefficient);
    root.exponent = ideal - scale;
    root.negative = false;
    // decNumber's iteration decides how many zeros an exact root keeps, and
    // a rounded one whose root lies next to a number of fewer digits.
    const uint32_t beyond = root.coefficient.limb[0] % 100;
    if (!inexact || beyond == 0 || beyond == 99) return false;
    return finish(result, root, roundToPrecision(root, true), set);
}

// -1, 0 or 1 as the two finite numbers compare.
int compareFinite(Finite &a, Finite &b) {
    const auto signOf = [](const Finite &f) { return dec192::isZero(f.coefficient) ? 0 : f.negative ? -1 : 1; };
    const int signA = signOf(a), signB = signOf(b);
    if (signA != signB || signA == 0) return signA < signB ? -1 : signA > signB;
    const int32_t adjustedA = a.exponent + dec192::digits(a.coefficient);
    const int32_t adjustedB = b.exponent + dec192::digits(b.coefficient);
    int order;
    if (adjustedA != adjustedB) {
        order = adjustedA < adjustedB ? -1 : 1;
    } else {
        // Equal adjusted exponents: the scaling stays within 52 digits.
        Finite &high = a.exponent >= b.exponent ? a : b;
        dec192::scaleUp(high.coefficient, std::abs(a.exponent - b.exponent));
        order = dec192::compare(a.coefficient, b.coefficient);
    }
    return signA < 0 ? -order : order;
}

// Trailing zeros dropped; a zero gets exponent 0.
void reduceFinite(Finite &f) {
    if (dec192::isZero(f.coefficient)) {
        f.exponent = 0;
        return;
    }
    const int zeros = dec192::trailingZeros(f.coefficient);
    dec192::scaleDown(f.coefficient, zeros);
    f.exponent += zeros;
}

bool reduceFast(decSext *result, const decSext *value, const decContext *set) {
    Finite f;
    if (!fastContext(set) || !unpack(value, &f)) return false;
    reduceFinite(f);
    return pack(result, f);
}

// A normal number whose last digit is not 0, encoded canonically, is its
// own reduction: nothing to decode or encode.
bool ownReduction(const decSext *value, const decContext *set) {
    unsigned msd;
    int32_t exponent;
    if (!fastContext(set) || topBits(value) >= kTopInfinity ||
        kDeclets.toBinary[value->words[0] & 0x3FF] % 10 == 0)
        return false;
    readCombination(value, &msd, &exponent);
    return exponent >= DECIMAL192_Emin && canonicalDeclets(value);
}

// Every 64-bit integer has at most 20 digits: exact with exponent 0, so
// there is no condition for a context to take.
decSext *fromInteger(decSext *result, int64_t n) {
    writeSmall(result, {n < 0 ? 0 - uint64_t(n) : uint64_t(n), 0, n < 0});
    return result;
}

// [sign] digits [. digits] [E [sign] digits], with at most 52 digits and
// an exponent of at most 6 digits, for a number that the encoding holds
// exactly; other texts are left to decNumber.
bool parseFast(const char *text, bool reduce, decimal192 *result) {
    const char *p = text;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    const char *digits = p;
    const int whole = dec192::digitRun(p);
    p += whole;
    int fraction = 0;
    if (*p == '.') {
        fraction = dec192::digitRun(++p);
        p += fraction;
    }
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const int count = whole + fraction;
    if (count == 0 || count > DECIMAL192_Pmax) return false;
    int32_t exponent = 0;
    if (*p == 'e' || *p == 'E') {
        const bool negativeExponent = *++p == '-';
        if (*p == '-' || *p == '+') ++p;
        int n = 0;
        for (; isDigit(*p); ++p) {
            if (++n > 6) return false;
            exponent = exponent * 10 + (*p - '0');
        }
        if (n == 0) return false;
        if (negativeExponent) exponent = -exponent;
    }
    if (*p != '\0') return false;
    Finite f;
    dec192::fromDigits(f.coefficient, digits, count, whole);
    f.exponent = exponent - fraction;
    f.negative = negative;
    // Reading must be exact before dropping zeros can be: decNumber would
    // report a clamped or subnormal reading even when the reduction fits.
    if (reduce) {
        if (!holdsAsItIs(f)) return false;
        reduceFinite(f);
    }
    if (count > kSmallDigits) return pack(result, f);
    const Coefficient &c = f.coefficient;
    const uint64_t small = c.size == 0   ? 0
                           : c.size == 1 ? c.limb[0]
                                         : uint64_t(c.limb[1]) * dec192::kLimbBase + c.limb[0];
    return writeSmall(result, {small, f.exponent, negative});
}

// The to-scientific-string form: plain digits when the exponent is at most
// 0 and the adjusted exponent at least -6, otherwise d.dddE+n.
char *format(const Finite &f, char *text) {
    const Coefficient &c = f.coefficient;
    const int n = dec192::digits(c);
    char *p = text;
    if (f.negative) *p++ = '-';
    const int32_t adjusted = f.exponent + n - 1;
    if (f.exponent <= 0 && adjusted >= -6) {
        const int before = n + f.exponent;  // digits before the point
        if (before <= 0) {
            *p++ = '0';
            *p++ = '.';
            p = std::fill_n(p, -before, '0');
        }
        p += dec192::toDigits(c, p, before);
    } else {
        p += dec192::toDigits(c, p, 1);
        *p++ = 'E';
        *p++ = adjusted < 0 ? '-' : '+';
        p = std::to_chars(p, p + 8, adjusted < 0 ? -adjusted : adjusted).ptr;
    }
    *p = '\0';
    return text;
}

}  // namespace

decNumber *decimal192ToNumber(const decimal192 *d192, decNumber *dn) {
    const unsigned top = topBits(d192);
    dn->bits = (d192->words[2] >> 63) ? DECNEG : 0;
    unsigned msd = 0;
    if (top == kTopInfinity) {
        dn->bits |= DECINF;
        dn->exponent = 0;
        dn->digits = 1;
        dn->lsu[0] = 0;
        return dn;
    }
    if (top == kTopNaN) {
        dn->bits |= (d192->words[2] & kSignalingBit) ? DECSNAN : DECNAN;
        dn->exponent = 0;
    } else {
        readCombination(d192, &msd, &dn->exponent);
    }
    dec192::Coefficient c;
    readCoefficient(c, d192, msd);
    toUnits(c, dn);
    return dn;
}

decimal192 *decimal192FromNumber(decimal192 *d192, const decNumber *dn, decContext *set) {
    uint32_t status = 0;
    decNumber work;
    if (decNumberIsFinite(dn)) {
        const int64_t adjusted = int64_t(dn->exponent) + dn->digits - 1;
        if (dn->digits > DECIMAL192_Pmax || adjusted > DECIMAL192_Emax || dn->exponent < kExponentTiny) {
            decContext rounding;
            decContextDefault(&rounding, DEC_INIT_DECIMAL192);
            rounding.round = set->round;
            decNumberPlus(&work, dn, &rounding);
            work.bits |= dn->bits & DECNEG;  // keeps the sign of a zero
            status |= rounding.status;
            dn = &work;
        } else if (dn->exponent > kExponentHigh) {
            // Fold-down: the coefficient takes trailing zeros instead.
            decContext shifting;
            decContextDefault(&shifting, DEC_INIT_DECIMAL192);
            decNumber amount;
            decNumberShift(&work, dn, decNumberFromInt32(&amount, dn->exponent - kExponentHigh),
                           &shifting);
            work.exponent = kExponentHigh;
            status |= DEC_Clamped;
            dn = &work;
        }
    }
    dec192::Coefficient c;
    fromUnits(c, dn);
    if (decNumberIsFinite(dn)) {
        encodeFinite(d192, c, dn->exponent, decNumberIsNegative(dn));
    } else {
        uint64_t words[3] = {0, 0, 0};
        if (decNumberIsInfinite(dn)) {
            words[2] = uint64_t(kTopInfinity) << kTopShift;
        } else {
            // The payload keeps its low 51 digits: the 17 declets.
            words[2] = uint64_t(kTopNaN) << kTopShift | (decNumberIsSNaN(dn) ? kSignalingBit : 0);
            writeTrailing(words, c);
        }
        if (decNumberIsNegative(dn)) words[2] |= uint64_t(1) << 63;
        std::memcpy(d192->words, words, sizeof words);
    }
    if (status != 0) decContextSetStatus(set, status);
    return d192;
}

decSext *decSextZero(decSext *result) {
    const uint32_t biased = DECIMAL192_Bias;
    result->words[0] = result->words[1] = 0;
    result->words[2] = uint64_t(biased >> 16 << 3) << kTopShift | uint64_t(biased & 0xFFFF)
                                                                      << kCombinationShift;
    return result;
}

decSext *decSextCopy(decSext *result, const decSext *value) {
    *result = *value;
    return result;
}

uint32_t decSextIsNaN(const decSext *value) { return topBits(value) == kTopNaN; }

uint32_t decSextIsInfinite(const decSext *value) { return topBits(value) == kTopInfinity; }

uint32_t decSextIsZero(const decSext *value) {
    const unsigned top = topBits(value);
    return top < 0x18 && (top & 7) == 0 && value->words[0] == 0 && value->words[1] == 0 &&
           (value->words[2] & kTrailingHigh) == 0;
}

uint32_t decSextIsSigned(const decSext *value) { return uint32_t(value->words[2] >> 63); }

uint32_t decSextDigits(const decSext *value) {
    decNumber n;
    return uint32_t(decimal192ToNumber(value, &n)->digits);
}

int32_t decSextGetExponent(const decSext *value) {
    const unsigned top = topBits(value);
    if (top == kTopInfinity) return DECSEXT_Inf;
    if (top == kTopNaN) return (value->words[2] & kSignalingBit) ? DECSEXT_sNaN : DECSEXT_NaN;
    unsigned msd;
    int32_t exponent;
    readCombination(value, &msd, &exponent);
    return exponent;
}

decSext *decSextSetExponent(decSext *value, decContext *set, int32_t exponent) {
    if (topBits(value) >= kTopInfinity) return value;
    decNumber n;
    decimal192ToNumber(value, &n)->exponent = clampedExponent(exponent);
    return decimal192FromNumber(value, &n, set);
}

decSext *decSextFromString(decSext *result, const char *text, decContext *set) {
    if (fastContext(set) && parseFast(text, false, result)) return result;
    decNumber n;
    return decimal192FromNumber(result, decNumberFromString(&n, text, set), set);
}

decSext *decSextFromStringReduced(decSext *result, const char *text, decContext *set) {
    if (fastContext(set) && parseFast(text, true, result)) return result;
    return decSextReduce(result, decSextFromString(result, text, set), set);
}

char *decSextToString(const decSext *value, char *text) {
    Finite f;
    if (unpack(value, &f)) return format(f, text);
    decNumber n;
    return decNumberToString(decimal192ToNumber(value, &n), text);
}

decSext *decSextFromInt64(decSext *result, int64_t n, decContext *) {
    return fromInteger(result, n);
}

decSext *decSextFromInt32(decSext *result, int32_t n) { return fromInteger(result, n); }

decSext *decSextFromUInt32(decSext *result, uint32_t n) { return fromInteger(result, n); }

int64_t decSextToInt64(const decSext *value, decContext *set, enum rounding rounding) {
    uint64_t magnitude;
    bool negative;
    if (!integerMagnitude(value, set, rounding, &magnitude, &negative)) return 0;
    const uint64_t limit = uint64_t(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
    if (magnitude > limit) {
        decContextSetStatus(set, DEC_Invalid_operation);
        return 0;
    }
    return negative ? int64_t(0 - magnitude) : int64_t(magnitude);
}

uint32_t decSextToUInt32(const decSext *value, decContext *set, enum rounding rounding) {
    uint64_t magnitude;
    bool negative;
    if (!integerMagnitude(value, set, rounding, &magnitude, &negative)) return 0;
    if (magnitude > std::numeric_limits<uint32_t>::max() || (negative && magnitude != 0)) {
        decContextSetStatus(set, DEC_Invalid_operation);
        return 0;
    }
    return uint32_t(magnitude);
}

decSext *decSextFromDouble(decSext *result, double d, decContext *set) {
    if (std::isnan(d)) return decSextNaN(result);
    char text[32];  // the longest shortest form is 24 characters
    *std::to_chars(text, text + sizeof text - 1, d, std::chars_format::scientific).ptr = '\0';
    return decSextFromString(result, text, set);
}

double decSextToDouble(const decSext *value, decContext *set) {
    decNumber n;
    decimal192ToNumber(value, &n);
    const bool negative = decNumberIsNegative(&n);
    if (decNumberIsNaN(&n)) return std::numeric_limits<double>::quiet_NaN();
    if (decNumberIsInfinite(&n))
        return negative ? -std::numeric_limits<double>::infinity()
                        : std::numeric_limits<double>::infinity();
    char text[DECIMAL192_String];
    decNumberToString(&n, text);
    double d = 0;
    if (std::from_chars(text, text + std::strlen(text), d).ec == std::errc::result_out_of_range) {
        const bool overflow = n.exponent + n.digits - 1 > 0;
        d = overflow ? std::numeric_limits<double>::infinity() : 0.0;
        if (negative) d = -d;
        decContextSetStatus(set, DEC_Inexact | (overflow ? DEC_Overflow : DEC_Underflow));
    }
    return d;
}

decSext *decSextReduce(decSext *result, const decSext *value, decContext *set) {
    if (ownReduction(value, set)) return decSextCopy(result, value);
    if (reduceSmall(result, value, set) || reduceFast(result, value, set)) return result;
    return unary(result, value, set, decNumberReduce);
}

decSext *decSextAdd(decSext *result, const decSext *lhs, const decSext *rhs, decContext *set) {
    if (addSmall(result, lhs, rhs, false, set) || addFast(result, lhs, rhs, false, set))
        return result;
    return binary(result, lhs, rhs, set, decNumberAdd);
}

decSext *decSextSubtract(decSext *result, const decSext *lhs, const decSext *rhs,
                         decContext *set) {
    if (addSmall(result, lhs, rhs, true, set) || addFast(result, lhs, rhs, true, set))
        return result;
    return binary(result, lhs, rhs, set, decNumberSubtract);
}

decSext *decSextMultiply(decSext *result, const decSext *lhs, const decSext *rhs,
                         decContext *set) {
    if (multiplySmall(result, lhs, rhs, set) || multiplyFast(result, lhs, rhs, set))
        return result;
    return binary(result, lhs, rhs, set, decNumberMultiply);
}

decSext *decSextDivide(decSext *result, const decSext *lhs, const decSext *rhs, decContext *set) {
    if (divideSmall(result, lhs, rhs, set) || divideFast(result, lhs, rhs, set)) return result;
    return binary(result, lhs, rhs, set, decNumberDivide);
}

decSext *decSextRemainder(decSext *result, const decSext *lhs, const decSext *rhs,
                          decContext *set) {
    return binary(result, lhs, rhs, set, decNumberRemainder);
}

decSext *decSextRemainderNear(decSext *result, const decSext *lhs, const decSext *rhs,
                              decContext *set) {
    return binary(result, lhs, rhs, set, decNumberRemainderNear);
}

decSext *decSextDivideInteger(decSext *result, const decSext *lhs, const decSext *rhs,
                              decContext *set) {
    return binary(result, lhs, rhs, set, decNumberDivideInteger);
}

decSext *decSextQuantize(decSext *result, const decSext *value, const decSext *pattern,
                         decContext *set) {
    return binary(result, value, pattern, set, decNumberQuantize);
}

decSext *decSextQuantizeExponent(decSext *result, const decSext *value, int32_t exponent,
                                 decContext *set) {
    decNumber n, pattern, r;
    decNumberFromInt32(&pattern, 1);
    pattern.exponent = clampedExponent(exponent);
    decNumberQuantize(&r, decimal192ToNumber(value, &n), &pattern, set);
    return decimal192FromNumber(result, &r, set);
}

decSext *decSextCompare(decSext *result, const decSext *lhs, const decSext *rhs,
                        decContext *set) {
    Finite a, b;
    if (unpack(lhs, &a) && unpack(rhs, &b)) return fromInteger(result, compareFinite(a, b));
    return binary(result, lhs, rhs, set, decNumberCompare);
}

decSext *decSextFMA(decSext *result, const decSext *a, const decSext *b, const decSext *c,
                    decContext *set) {
    decNumber na, nb, nc, r;
    decNumberFMA(&r, decimal192ToNumber(a, &na), decimal192ToNumber(b, &nb),
                 decimal192ToNumber(c, &nc), set);
    return decimal192FromNumber(result, &r, set);
}

decSext *decSextSquareRoot(decSext *result, const decSext *value, decContext *set) {
    if (squareRootFast(result, value, set)) return result;
    return unary(result, value, set, decNumberSquareRoot);
}

decSext *decSextMinus(decSext *result, const decSext *value, decContext *set) {
    return unary(result, value, set, decNumberMinus);
}

decSext *decSextAbs(decSext *result, const decSext *value, decContext *set) {
    return unary(result, value, set, decNumberAbs);
}

decSext *decSextToIntegralValue(decSext *result, const decSext *value, decContext *set,
                                enum rounding rounding) {
    decNumber n, r;
    decContext rounded = withRounding(set, rounding);
    decNumberToIntegralValue(&r, decimal192ToNumber(value, &n), &rounded);
    decContextSetStatus(set, rounded.status);
    return decimal192FromNumber(result, &r, set);
}
