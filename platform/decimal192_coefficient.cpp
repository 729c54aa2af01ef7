#include "decimal192_coefficient.h"

#include <cmath>
#include <cstring>

namespace dec192 {
namespace {

constexpr uint32_t kPowers[kLimbDigits + 1] = {1,      10,      100,      1000,      10000,
                                               100000, 1000000, 10000000, 100000000, 1000000000};

constexpr uint32_t kHalfLimb = kLimbBase / 2;

// Digits of a limb, at least 1.
int limbDigits(uint32_t limb) {
    if (limb < 10000) return limb < 100 ? 1 + (limb >= 10) : 3 + (limb >= 1000);
    if (limb < 10000000) return limb < 100000 ? 5 : 6 + (limb >= 1000000);
    return 8 + (limb >= 100000000);
}

void trim(Coefficient &c) {
    while (c.size > 0 && c.limb[c.size - 1] == 0) --c.size;
}

// out = c × m for m below kLimbBase, taking one limb more at most; out
// may be c.
void multiplySmall(Coefficient &out, const Coefficient &c, uint32_t m) {
    uint64_t carry = 0;
    out.size = c.size;
    for (int i = 0; i < c.size; ++i) {
        const uint64_t t = uint64_t(c.limb[i]) * m + carry;
        out.limb[i] = uint32_t(t % kLimbBase);
        carry = t / kLimbBase;
    }
    if (carry != 0) out.limb[out.size++] = uint32_t(carry);
}

// quotient = dividend / divisor for a one-limb divisor; returns the remainder.
uint32_t divideSmall(Coefficient &quotient, const Coefficient &dividend, uint32_t divisor) {
    uint64_t remainder = 0;
    quotient.size = dividend.size;
    for (int i = dividend.size - 1; i >= 0; --i) {
        const uint64_t t = remainder * kLimbBase + dividend.limb[i];
        quotient.limb[i] = uint32_t(t / divisor);
        remainder = t % divisor;
    }
    trim(quotient);
    return uint32_t(remainder);
}

// Subtracts q × v (n limbs) from the n + 1 limbs at u. When q was one too
// large, adds v back and returns false.
bool multiplySubtract(uint32_t *u, const uint32_t *v, int n, uint64_t q) {
    // Each product's halves (q <= kLimbBase, so both are below the base)
    // come off separately: only the borrow of 0, 1 or 2 runs from limb to
    // limb, not a division.
    constexpr int64_t base = kLimbBase;
    uint64_t high = 0;
    int64_t borrow = 0;
    for (int i = 0; i < n; ++i) {
        const uint64_t p = q * v[i];
        const int64_t t = int64_t(u[i]) - int64_t(p % kLimbBase) - int64_t(high) - borrow;
        high = p / kLimbBase;
        borrow = (t < 0) + (t < -base);
        u[i] = uint32_t(t + borrow * base);
    }
    const int64_t top = int64_t(u[n]) - int64_t(high) - borrow;
    if (top >= 0) {
        u[n] = uint32_t(top);
        return true;
    }
    // One v too many came off: add it back; the carry out cancels the borrow.
    uint32_t addCarry = 0;
    for (int i = 0; i < n; ++i) {
        const uint32_t s = u[i] + v[i] + addCarry;
        addCarry = s >= kLimbBase;
        u[i] = addCarry ? s - kLimbBase : s;
    }
    u[n] = uint32_t(top + addCarry);
    return false;
}

}  // namespace

void fromUInt64(Coefficient &c, uint64_t n) {
    c.size = 0;
    for (; n != 0; n /= kLimbBase) c.limb[c.size++] = uint32_t(n % kLimbBase);
}

int digits(const Coefficient &c) {
    if (c.size == 0) return 1;
    return (c.size - 1) * kLimbDigits + limbDigits(c.limb[c.size - 1]);
}

int trailingZeros(const Coefficient &c) {
    int i = 0;
    while (c.limb[i] == 0) ++i;
    int zeros = i * kLimbDigits;
    for (uint32_t limb = c.limb[i]; limb % 10 == 0; limb /= 10) ++zeros;
    return zeros;
}

int compare(const Coefficient &a, const Coefficient &b) {
    if (a.size != b.size) return a.size < b.size ? -1 : 1;
    for (int i = a.size - 1; i >= 0; --i)
        if (a.limb[i] != b.limb[i]) return a.limb[i] < b.limb[i] ? -1 : 1;
    return 0;
}

namespace {

// Moving a coefficient by r digits within limbs: each new limb takes one
// part of two old ones, so the limbs do not wait on each other as a carry
// chain would make them. R is a constant so the divisions become
// multiplications.
template <int R>
void shiftUp(Coefficient &c, int whole) {
    constexpr uint32_t split = kPowers[kLimbDigits - R], scale = kPowers[R];
    if constexpr (R == 0) {
        for (int i = c.size - 1; i >= 0; --i) c.limb[i + whole] = c.limb[i];
        c.size += whole;
    } else {
        const int size = c.size + whole + 1;
        for (int i = size - 1; i >= whole; --i) {
            const uint32_t high = i - whole < c.size ? c.limb[i - whole] % split * scale : 0;
            const uint32_t low = i - whole >= 1 ? c.limb[i - whole - 1] / split : 0;
            c.limb[i] = high + low;
        }
        c.size = size;
        trim(c);
    }
    for (int i = 0; i < whole; ++i) c.limb[i] = 0;
}

template <int R>
void shiftDown(Coefficient &c, int whole) {
    constexpr uint32_t scale = kPowers[R], rest = kPowers[kLimbDigits - R];
    const int size = c.size - whole;
    if constexpr (R == 0) {
        for (int i = 0; i < size; ++i) c.limb[i] = c.limb[i + whole];
    } else {
        for (int i = 0; i < size; ++i) {
            const uint32_t high = i + whole + 1 < c.size ? c.limb[i + whole + 1] % scale * rest : 0;
            c.limb[i] = c.limb[i + whole] / scale + high;
        }
    }
    c.size = size;
    trim(c);
}

template <template <int> class Shift>
void shiftBy(Coefficient &c, int whole, int r) {
    switch (r) {
    case 0: return Shift<0>::run(c, whole);
    case 1: return Shift<1>::run(c, whole);
    case 2: return Shift<2>::run(c, whole);
    case 3: return Shift<3>::run(c, whole);
    case 4: return Shift<4>::run(c, whole);
    case 5: return Shift<5>::run(c, whole);
    case 6: return Shift<6>::run(c, whole);
    case 7: return Shift<7>::run(c, whole);
    default: return Shift<8>::run(c, whole);
    }
}

template <int R>
struct Up {
    static void run(Coefficient &c, int whole) { shiftUp<R>(c, whole); }
};

template <int R>
struct Down {
    static void run(Coefficient &c, int whole) { shiftDown<R>(c, whole); }
};

}  // namespace

void scaleUp(Coefficient &c, int k) {
    if (c.size != 0) shiftBy<Up>(c, k / kLimbDigits, k % kLimbDigits);
}

Dropped scaleDown(Coefficient &c, int k) {
    if (k == 0 || c.size == 0) return kNothing;
    // The dropped part against half of 10^k: its top digit's limb, scaled
    // so that half is kHalfLimb, and whether anything lies below.
    const int whole = k / kLimbDigits, r = k % kLimbDigits;
    const int topIndex = r != 0 ? whole : whole - 1;
    const uint32_t topLimb = topIndex < c.size ? c.limb[topIndex] : 0;
    const uint32_t top = r != 0 ? topLimb % kPowers[r] * kPowers[kLimbDigits - r] : topLimb;
    bool below = false;
    for (int i = 0; i < topIndex && i < c.size; ++i) below |= c.limb[i] != 0;
    if (whole >= c.size)
        c.size = 0;
    else
        shiftBy<Down>(c, whole, r);
    if (top < kHalfLimb) return top == 0 && !below ? kNothing : kBelowHalf;
    return top == kHalfLimb && !below ? kHalf : kAboveHalf;
}

void add(Coefficient &a, const Coefficient &b) {
    const int common = a.size < b.size ? a.size : b.size;
    uint32_t carry = 0;
    const auto put = [&](int i, uint32_t sum) {
        carry = sum >= kLimbBase;
        a.limb[i] = carry ? sum - kLimbBase : sum;
    };
    int i = 0;
    for (; i < common; ++i) put(i, a.limb[i] + b.limb[i] + carry);
    for (; i < b.size; ++i) put(i, b.limb[i] + carry);
    for (; carry != 0 && i < a.size; ++i) put(i, a.limb[i] + carry);
    if (i > a.size) a.size = i;
    if (carry != 0) a.limb[a.size++] = 1;
}

void increment(Coefficient &c) {
    int i = 0;
    for (; i < c.size && c.limb[i] == kLimbBase - 1; ++i) c.limb[i] = 0;
    if (i == c.size) c.limb[c.size++] = 0;
    ++c.limb[i];
}

void subtract(Coefficient &a, const Coefficient &b) {
    uint32_t borrow = 0;
    for (int i = 0; i < b.size || (borrow != 0 && i < a.size); ++i) {
        const uint32_t t = (i < b.size ? b.limb[i] : 0) + borrow;
        borrow = a.limb[i] < t;
        a.limb[i] = borrow ? a.limb[i] + kLimbBase - t : a.limb[i] - t;
    }
    trim(a);
}

void multiply(Coefficient &product, const Coefficient &a, const Coefficient &b) {
    // Both padded with zeros to six limbs, so that the loops unroll
    // completely and no loop exit waits on a prediction. Column by column
    // in a register: a column of at most six products below 10^18, plus the
    // carry, stays below 2^64.
    constexpr int kLimbs = 6;
    uint64_t x[kLimbs] = {}, y[kLimbs] = {};
    for (int i = 0; i < a.size; ++i) x[i] = a.limb[i];
    for (int i = 0; i < b.size; ++i) y[i] = b.limb[i];
    uint64_t carry = 0;
#pragma GCC unroll 11
    for (int k = 0; k < 2 * kLimbs - 1; ++k) {
        uint64_t column = 0;
#pragma GCC unroll 6
        for (int i = k < kLimbs ? 0 : k - kLimbs + 1, last = k < kLimbs ? k : kLimbs - 1; i <= last; ++i)
            column += x[i] * y[k - i];
        column += carry;  // last: only this addition waits on the previous column
        product.limb[k] = uint32_t(column % kLimbBase);
        carry = column / kLimbBase;
    }
    product.limb[2 * kLimbs - 1] = uint32_t(carry);
    product.size = a.size + b.size;
    trim(product);
}

bool divide(Coefficient &quotient, const Coefficient &dividend, const Coefficient &divisor) {
    const int n = divisor.size;
    if (n == 1) return divideSmall(quotient, dividend, divisor.limb[0]) != 0;
    if (compare(dividend, divisor) < 0) {
        quotient.size = 0;
        return dividend.size != 0;
    }
    // Long division with each quotient limb estimated from the top limbs,
    // after scaling both so that the divisor's top limb is at least half
    // the base; the estimate is then at most one too large after the
    // usual correction.
    const uint32_t scale = kLimbBase / (divisor.limb[n - 1] + 1);
    Coefficient u, v;
    multiplySmall(u, dividend, scale);
    multiplySmall(v, divisor, scale);
    if (u.size == dividend.size) u.limb[u.size] = 0;
    const int m = dividend.size - n;
    const uint64_t vTop = v.limb[n - 1], vNext = v.limb[n - 2];
    quotient.size = m + 1;
    for (int j = m; j >= 0; --j) {
        const uint64_t top = uint64_t(u.limb[j + n]) * kLimbBase + u.limb[j + n - 1];
        uint64_t q = top / vTop, r = top % vTop;
        while (q >= kLimbBase || q * vNext > r * kLimbBase + u.limb[j + n - 2]) {
            --q;
            r += vTop;
            if (r >= kLimbBase) break;
        }
        if (!multiplySubtract(u.limb + j, v.limb, n, q)) --q;
        quotient.limb[j] = uint32_t(q);
    }
    trim(quotient);
    for (int i = 0; i < n; ++i)
        if (u.limb[i] != 0) return true;
    return false;
}

bool squareRoot(Coefficient &root, const Coefficient &n) {
    // A start at most a few units of 16 digits above the root, from a
    // double of n's top 17 or 18 digits; then Newton's iteration on
    // integers, which falls to the truncated root and stops.
    const int drop = (digits(n) - 17) & ~1;
    Coefficient top = n;
    scaleDown(top, drop);
    uint64_t head = 0;
    for (int i = top.size - 1; i >= 0; --i) head = head * kLimbBase + top.limb[i];
    constexpr int kStartDigits = 7;  // kept below the double's units
    const double start = std::sqrt(double(head + 1)) * double(kPowers[kStartDigits]);
    fromUInt64(root, uint64_t(start) + 10);
    scaleUp(root, drop / 2 - kStartDigits);
    Coefficient quotient, two;
    fromUInt64(two, 2);
    for (;;) {
        divide(quotient, n, root);
        add(quotient, root);
        Coefficient next;
        divide(next, quotient, two);
        if (compare(next, root) >= 0) break;
        root = next;
    }
    Coefficient square;
    multiply(square, root, root);
    return compare(square, n) != 0;
}

namespace {

// Eight bytes of text as one word, the first in the low byte.
uint64_t eightBytes(const char *text) {
    uint64_t v;
    std::memcpy(&v, text, sizeof v);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

constexpr uint64_t kEveryByte = 0x0101010101010101;

// Eight ASCII digits, the first in the low byte: pairs, then fours, a
// word at a time.
uint32_t eightDigits(uint64_t bytes) {
    uint64_t v = bytes - '0' * kEveryByte;
    v = v * 10 + (v >> 8);
    constexpr uint64_t kPairMask = 0x000000FF000000FF;
    v = ((v & kPairMask) * (100 + (uint64_t(1000000) << 32)) +
         (v >> 16 & kPairMask) * (1 + (uint64_t(10000) << 32))) >> 32;
    return uint32_t(v);
}

// The limb written by the nine digits at text; a decimal point at
// text[point], 0 < point < 9, is skipped.
uint32_t limbFromDigits(const char *text, int point) {
    uint64_t rest = eightBytes(text + 1);
    if (point > 0 && point < kLimbDigits) {
        const uint64_t before = (uint64_t(1) << 8 * (point - 1)) - 1;  // the bytes ahead of the point
        rest = (rest & before) | (rest >> 8 & ~before) | uint64_t(uint8_t(text[kLimbDigits])) << 56;
    }
    return uint32_t(text[0] - '0') * (kLimbBase / 10) + eightDigits(rest);
}

}  // namespace

int digitRun(const char *text) {
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const char *p = text;
    // Byte by byte at first: a short run needs no length.
    for (int n = 0; n < 16; ++n, ++p)
        if (!isDigit(*p)) return int(p - text);
    // A byte is a digit when its top half is 3 and adding 6 keeps it so; with
    // every top half 3 no addition carries into the next byte.
    constexpr uint64_t kTopHalves = 0xF0 * kEveryByte, kDigitTops = 0x30 * kEveryByte;
    const char *end = p + std::strlen(p);
    for (; end - p >= 8; p += 8) {
        const uint64_t v = eightBytes(p);
        if ((v & kTopHalves) != kDigitTops || ((v + 6 * kEveryByte) & kTopHalves) != kDigitTops) break;
    }
    while (isDigit(*p)) ++p;
    return int(p - text);
}

void fromDigits(Coefficient &c, const char *digits, int count, int point) {
    const auto digit = [&](int k) { return uint32_t(digits[k + (k >= point)] - '0'); };
    if (count <= 19) {  // within one machine word: one digit at a time is cheaper
        uint64_t n = 0;
        for (int k = 0; k < count; ++k) n = n * 10 + digit(k);
        fromUInt64(c, n);
        return;
    }
    c.size = (count + kLimbDigits - 1) / kLimbDigits;
    for (int i = 0; i < c.size; ++i) {
        const int first = count - kLimbDigits * (i + 1);  // the limb's first digit
        if (first >= 0) {
            c.limb[i] = limbFromDigits(digits + first + (first >= point), first < point ? point - first : 0);
        } else {
            uint32_t limb = 0;
            for (int k = 0; k < first + kLimbDigits; ++k) limb = limb * 10 + digit(k);
            c.limb[i] = limb;
        }
    }
    trim(c);
}

namespace {

// The nine digits of a limb, leading zeros included, in two halves so that
// the divisions do not wait on each other.
void nineDigits(uint32_t limb, char *out) {
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    const uint32_t high = limb / 10000, low = limb % 10000;
    out[0] = char('0' + high / 10000);
    std::memcpy(out + 1, kPairs + 2 * (high / 100 % 100), 2);
    std::memcpy(out + 3, kPairs + 2 * (high % 100), 2);
    std::memcpy(out + 5, kPairs + 2 * (low / 100), 2);
    std::memcpy(out + 7, kPairs + 2 * (low % 100), 2);
}

}  // namespace

int toDigits(const Coefficient &c, char *text, int point) {
    if (c.size == 0) {
        *text = '0';
        return 1;
    }
    const int count = digits(c);
    const bool withPoint = point > 0 && point < count;
    if (!withPoint) point = count;
    // Limb by limb from the last digit; a whole limb clear of the point
    // goes straight to its place, others digit by digit.
    int end = count;  // the digit index just past this limb
    for (int i = 0; i < c.size; ++i) {
        const int width = i + 1 < c.size ? kLimbDigits : limbDigits(c.limb[i]);
        const int start = end - width;
        if (width == kLimbDigits && (end <= point || start >= point)) {
            nineDigits(c.limb[i], text + start + (start >= point));
        } else {
            char nine[kLimbDigits];
            nineDigits(c.limb[i], nine);
            for (int k = start; k < end; ++k) text[k + (k >= point)] = nine[k - end + kLimbDigits];
        }
        end = start;
    }
    if (withPoint) text[point] = '.';
    return count + withPoint;
}

}  // namespace dec192
