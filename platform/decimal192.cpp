#include "decimal192.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

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
    uint16_t toDeclet[1000];
};

constexpr DecletTables makeDecletTables() {
    DecletTables tables{};
    for (unsigned code = 0; code < 1024; ++code) tables.toBinary[code] = uint16_t(decodeDeclet(code));
    for (unsigned n = 0; n < 1000; ++n) tables.toDeclet[n] = uint16_t(encodeDeclet(n));
    return tables;
}

constexpr DecletTables kDeclets = makeDecletTables();

// Layout of words[2] above the trailing significand's top 42 bits.
constexpr int kCombinationShift = 42;
constexpr int kTopShift = 58;  // the five leading bits of the combination field
constexpr unsigned kTopInfinity = 0x1E, kTopNaN = 0x1F;
constexpr uint64_t kSignalingBit = uint64_t(1) << 57;
constexpr uint64_t kTrailingHigh = (uint64_t(1) << kCombinationShift) - 1;
constexpr int kDeclets192 = 17;
constexpr int kUnits = kDeclets192 + 1;  // one 3-digit unit per declet, then the leading digit
constexpr int32_t kExponentHigh = DECIMAL192_Emax - DECIMAL192_Pmax + 1;
constexpr int32_t kExponentTiny = DECIMAL192_Emin - DECIMAL192_Pmax + 1;

// Beyond these bounds every coefficient overflows or rounds to zero, as it
// does at them; decNumber needs its exponents kept far from int range.
int32_t clampedExponent(int32_t exponent) {
    return std::min(std::max(exponent, kExponentTiny - 2 * DECIMAL192_Pmax), int32_t(DECIMAL192_Emax + 1));
}

static_assert(DECDPUN == 3, "one decNumber unit must hold exactly one declet");

unsigned topBits(const decimal192 *d) { return unsigned(d->words[2] >> kTopShift) & 0x1F; }

// Declet K of the trailing significand (bits 10K to 10K+9); unrolled with
// constant shifts, only declets 6 and 12 straddle two words.
template <size_t K>
unsigned getDeclet(const uint64_t *words) {
    constexpr int bit = 10 * K, i = bit / 64, shift = bit % 64;
    if constexpr (shift > 54)
        return unsigned((words[i] >> shift | words[i + 1] << (64 - shift)) & 0x3FF);
    else
        return unsigned(words[i] >> shift & 0x3FF);
}

template <size_t K>
void putDeclet(uint64_t *words, unsigned declet) {
    constexpr int bit = 10 * K, i = bit / 64, shift = bit % 64;
    words[i] |= uint64_t(declet) << shift;
    if constexpr (shift > 54) words[i + 1] |= uint64_t(declet) >> (64 - shift);
}

// The first `count` declets to decNumber units and back.
template <size_t... K>
void decodeDeclets(const uint64_t *words, int count, decNumberUnit *lsu, std::index_sequence<K...>) {
    (void)(... && (int(K) < count && (lsu[K] = kDeclets.toBinary[getDeclet<K>(words)], true)));
}

template <size_t... K>
void encodeDeclets(uint64_t *words, int count, const decNumberUnit *lsu, std::index_sequence<K...>) {
    (void)(... && (int(K) < count && (putDeclet<K>(words, kDeclets.toDeclet[lsu[K]]), true)));
}

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

int32_t unitDigits(unsigned unit) { return unit >= 100 ? 3 : unit >= 10 ? 2 : 1; }

// Sets dn->digits from its first `units` units.
void countDigits(decNumber *dn, int units) {
    int top = units - 1;
    while (top > 0 && dn->lsu[top] == 0) --top;
    dn->digits = 3 * top + unitDigits(dn->lsu[top]);
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

// Fast paths for the common case of short numbers: finite values whose
// coefficient has at most 18 digits (all its declets in words[0]), and
// exact results that the encoding holds without clamping and that are not
// subnormal, so that decNumber would raise no condition either.
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
    // Two halves of three declets keep the dependency chain short.
    const uint64_t low = d->words[0];
    const auto declet = [low](int k) -> uint64_t { return kDeclets.toBinary[low >> 10 * k & 0x3FF]; };
    const uint64_t lowHalf = (declet(2) * 1000 + declet(1)) * 1000 + declet(0);
    const uint64_t highHalf = (declet(5) * 1000 + declet(4)) * 1000 + declet(3);
    small->coefficient = highHalf * 1000000000 + lowHalf;
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
    // At most 20 digits: six declets fill bits 0-59, a seventh straddles
    // into words[1].
    uint64_t low = 0, c = small.coefficient;
    for (int shift = 0; shift < 60 && c != 0; shift += 10, c /= 1000)
        low |= uint64_t(kDeclets.toDeclet[c % 1000]) << shift;
    const uint64_t seventh = kDeclets.toDeclet[c];
    d->words[0] = low | seventh << 60;
    d->words[1] = seventh >> 4;
    d->words[2] = uint64_t(small.negative) << 63 | uint64_t(biased >> 16 << 3) << kTopShift |
                  uint64_t(biased & 0xFFFF) << kCombinationShift;
    return true;
}

// The context of kind 192 with a rounding under which an exact zero sum is
// +0 (toward minus infinity it is -0).
bool plainContext(const decContext *set) {
    return set->digits == DECIMAL192_Pmax && set->emax == DECIMAL192_Emax &&
           set->emin == DECIMAL192_Emin && set->clamp == 1 && set->round != DEC_ROUND_FLOOR;
}

bool addSmall(decSext *result, const decSext *lhs, const decSext *rhs, bool subtract,
              const decContext *set) {
    Small a, b;
    if (!plainContext(set) || !readSmall(lhs, &a) || !readSmall(rhs, &b)) return false;
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
    if (!plainContext(set) || !readSmall(lhs, &a) || !readSmall(rhs, &b) ||
        a.coefficient >> 32 != 0 || b.coefficient >> 32 != 0)
        return false;
    return writeSmall(result, {a.coefficient * b.coefficient, a.exponent + b.exponent,
                               a.negative != b.negative});
}

bool reduceSmall(decSext *result, const decSext *value, const decContext *set) {
    Small a;
    if (!plainContext(set) || !readSmall(value, &a)) return false;
    if (a.coefficient == 0) a.exponent = 0;
    for (; a.coefficient != 0 && a.coefficient % 10 == 0; a.coefficient /= 10) ++a.exponent;
    return writeSmall(result, a);
}

// Every 64-bit integer has at most 20 digits: exact with exponent 0, so
// there is no condition for a context to take.
decSext *fromInteger(decSext *result, int64_t n) {
    writeSmall(result, {n < 0 ? 0 - uint64_t(n) : uint64_t(n), 0, n < 0});
    return result;
}

// [sign] digits [. digits] [E [sign] digits], with at most 52 digits and
// an exponent of at most 6 digits, for a number that the encoding holds
// exactly, unclamped and not subnormal, so that decNumber would report
// nothing either; other texts are left to decNumber.
bool parsePlain(const char *text, decimal192 *result) {
    const char *p = text;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    const char *first = p;
    int digits = 0, fraction = 0;
    uint64_t small = 0;  // the coefficient while it has at most 18 digits
    for (bool point = false;; ++p) {
        if (*p >= '0' && *p <= '9') {
            if (++digits <= kSmallDigits) small = small * 10 + unsigned(*p - '0');
            fraction += point;
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    const char *end = p;
    if (digits == 0 || digits > DECIMAL192_Pmax) return false;
    int32_t exponent = 0;
    if (*p == 'e' || *p == 'E') {
        const bool negativeExponent = *++p == '-';
        if (*p == '-' || *p == '+') ++p;
        int n = 0;
        for (; *p >= '0' && *p <= '9'; ++p) {
            if (++n > 6) return false;
            exponent = exponent * 10 + (*p - '0');
        }
        if (n == 0) return false;
        if (negativeExponent) exponent = -exponent;
    }
    if (*p != '\0') return false;
    exponent -= fraction;
    if (digits <= kSmallDigits) return writeSmall(result, {small, exponent, negative});
    // Units of three digits from the last one.
    decNumber n = {};
    int units = 0;
    unsigned unit = 0, scale = 1;
    for (const char *q = end; q-- != first;) {
        if (*q == '.') continue;
        unit += unsigned(*q - '0') * scale;
        scale *= 10;
        if (scale == 1000) {
            n.lsu[units++] = decNumberUnit(unit);
            unit = 0;
            scale = 1;
        }
    }
    if (scale != 1) n.lsu[units++] = decNumberUnit(unit);
    countDigits(&n, units);
    n.exponent = exponent;
    n.bits = negative ? DECNEG : 0;
    if (n.exponent > kExponentHigh || n.exponent + n.digits - 1 < DECIMAL192_Emin) return false;
    decContext set;
    decimal192FromNumber(result, &n, decContextDefault(&set, DEC_INIT_DECIMAL192));
    return true;
}

// The to-scientific-string form: plain digits when the exponent is at most
// 0 and the adjusted exponent at least -6, otherwise d.dddE+n.
char *formatSmall(const Small &small, char *text) {
    char reversed[20];
    int n = 0;
    uint64_t c = small.coefficient;
    do {
        reversed[n++] = char('0' + c % 10);
        c /= 10;
    } while (c != 0);
    char *p = text;
    if (small.negative) *p++ = '-';
    const int32_t adjusted = small.exponent + n - 1;
    if (small.exponent <= 0 && adjusted >= -6) {
        const int before = n + small.exponent;  // digits before the point
        if (before <= 0) {
            *p++ = '0';
            *p++ = '.';
            for (int i = before; i < 0; ++i) *p++ = '0';
        }
        for (int i = n - 1; i >= 0; --i) {
            if (i == n - 1 - before && before > 0) *p++ = '.';
            *p++ = reversed[i];
        }
    } else {
        *p++ = reversed[n - 1];
        if (n > 1) *p++ = '.';
        for (int i = n - 2; i >= 0; --i) *p++ = reversed[i];
        p += std::snprintf(p, 16, "E%+d", int(adjusted));
    }
    *p = '\0';
    return text;
}

}  // namespace

decContext *decContextDefault(decContext *set, decInit192) {
    set->digits = DECIMAL192_Pmax;
    set->emax = DECIMAL192_Emax;
    set->emin = DECIMAL192_Emin;
    set->round = DEC_ROUND_HALF_EVEN;
    set->traps = 0;
    set->status = 0;
    set->clamp = 1;
#if DECSUBSET
    set->extended = 1;
#endif
    return set;
}

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
    // Only the units up to the highest non-zero declet need decoding.
    const int units = msd != 0 ? kUnits : highestDeclet(d192->words) + 1;
    decodeDeclets(d192->words, units, dn->lsu, std::make_index_sequence<kDeclets192>());
    if (units == kUnits) dn->lsu[kDeclets192] = decNumberUnit(msd);
    countDigits(dn, units);
    return dn;
}

decimal192 *decimal192FromNumber(decimal192 *d192, const decNumber *dn, decContext *set) {
    uint32_t status = 0;
    decNumber work;
    uint64_t words[3] = {0, 0, 0};
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
    const int units = (dn->digits + DECDPUN - 1) / DECDPUN;
    if (decNumberIsInfinite(dn)) {
        words[2] = uint64_t(kTopInfinity) << kTopShift;
    } else {
        if (decNumberIsNaN(dn)) {
            // The payload keeps its low 51 digits: the 17 declets.
            words[2] = uint64_t(kTopNaN) << kTopShift | (decNumberIsSNaN(dn) ? kSignalingBit : 0);
        } else {
            const unsigned msd = units > kDeclets192 ? dn->lsu[kDeclets192] : 0;
            const uint32_t biased = uint32_t(dn->exponent + DECIMAL192_Bias);
            const unsigned exponentHigh = biased >> 16;
            const unsigned top = msd < 8 ? exponentHigh << 3 | msd : 0x18 | exponentHigh << 1 | (msd & 1);
            words[2] = uint64_t(top) << kTopShift | uint64_t(biased & 0xFFFF) << kCombinationShift;
        }
        encodeDeclets(words, units, dn->lsu, std::make_index_sequence<kDeclets192>());
    }
    if (decNumberIsNegative(dn)) words[2] |= uint64_t(1) << 63;
    // Word by word: one wide copy of the narrower stores just made would
    // stall on store forwarding.
    d192->words[0] = words[0];
    d192->words[1] = words[1];
    d192->words[2] = words[2];
    if (status != 0) decContextSetStatus(set, status);
    return d192;
}

decSext *decSextNaN(decSext *result) {
    result->words[0] = result->words[1] = 0;
    result->words[2] = uint64_t(kTopNaN) << kTopShift;
    return result;
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
    if (plainContext(set) && parsePlain(text, result)) return result;
    decNumber n;
    return decimal192FromNumber(result, decNumberFromString(&n, text, set), set);
}

char *decSextToString(const decSext *value, char *text) {
    Small small;
    if (readSmall(value, &small)) return formatSmall(small, text);
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
    if (reduceSmall(result, value, set)) return result;
    decNumber n, r;
    decimal192ToNumber(value, &n);
    // A normal number whose last digit is not 0 is its own reduction.
    if (plainContext(set) && decNumberIsFinite(&n) && n.lsu[0] % 10 != 0 &&
        n.exponent + n.digits - 1 >= DECIMAL192_Emin)
        return decimal192FromNumber(result, &n, set);
    return decimal192FromNumber(result, decNumberReduce(&r, &n, set), set);
}

decSext *decSextAdd(decSext *result, const decSext *lhs, const decSext *rhs, decContext *set) {
    if (addSmall(result, lhs, rhs, false, set)) return result;
    return binary(result, lhs, rhs, set, decNumberAdd);
}

decSext *decSextSubtract(decSext *result, const decSext *lhs, const decSext *rhs,
                         decContext *set) {
    if (addSmall(result, lhs, rhs, true, set)) return result;
    return binary(result, lhs, rhs, set, decNumberSubtract);
}

decSext *decSextMultiply(decSext *result, const decSext *lhs, const decSext *rhs,
                         decContext *set) {
    if (multiplySmall(result, lhs, rhs, set)) return result;
    return binary(result, lhs, rhs, set, decNumberMultiply);
}

decSext *decSextDivide(decSext *result, const decSext *lhs, const decSext *rhs, decContext *set) {
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
    return binary(result, lhs, rhs, set, decNumberCompare);
}

decSext *decSextFMA(decSext *result, const decSext *a, const decSext *b, const decSext *c,
                    decContext *set) {
    decNumber na, nb, nc, r;
    decNumberFMA(&r, decimal192ToNumber(a, &na), decimal192ToNumber(b, &nb),
                 decimal192ToNumber(c, &nc), set);
    return decimal192FromNumber(result, &r, set);
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
