// Fixed-width coefficients for the 192-bit decimal module: unsigned
// integers of up to 108 digits in limbs of nine decimal digits, least
// significant first. They hold a decimal192 coefficient (52 digits), the
// exact product of two, an exact sum of two aligned ones and a dividend
// scaled for a 54-digit quotient, so the common operations need no
// general-purpose number. Rounding stays with the caller: the operations
// that drop digits say how much they dropped.
#ifndef QEB_PLATFORM_DECIMAL192_COEFFICIENT_H
#define QEB_PLATFORM_DECIMAL192_COEFFICIENT_H

#include <cstdint>

namespace dec192 {

constexpr uint32_t kLimbBase = 1000000000;
constexpr int kLimbDigits = 9;
constexpr int kMaxDigits = 108;
constexpr int kMaxLimbs = kMaxDigits / kLimbDigits;

// Copy these rarely: a copy loads in wide words what was stored limb by
// limb, which stalls store forwarding.
struct Coefficient {
    int size;  // limbs in use: limb[size - 1] is not 0; 0 for the number 0
    // One limb beyond kMaxLimbs, where scaleUp and divide work for a
    // moment.
    uint32_t limb[kMaxLimbs + 1];
};

inline bool isZero(const Coefficient &c) { return c.size == 0; }

void fromUInt64(Coefficient &c, uint64_t n);

// Digits without leading zeros; 1 for 0.
int digits(const Coefficient &c);

// Zeros at the end of a non-zero coefficient.
int trailingZeros(const Coefficient &c);

// -1, 0 or 1.
int compare(const Coefficient &a, const Coefficient &b);

// c × 10^k; digits(c) + k must be at most kMaxDigits.
void scaleUp(Coefficient &c, int k);

// What scaleDown dropped, against half of the unit it dropped to.
enum Dropped { kNothing, kBelowHalf, kHalf, kAboveHalf };

// c / 10^k, truncated (k >= 0), and what the division dropped.
Dropped scaleDown(Coefficient &c, int k);

// a + b; the sum must have at most kMaxDigits digits.
void add(Coefficient &a, const Coefficient &b);

// c + 1; the sum must have at most kMaxDigits digits.
void increment(Coefficient &c);

// a - b; a must not be less than b.
void subtract(Coefficient &a, const Coefficient &b);

// product = a × b; each has at most six limbs (54 digits). product must
// not be a or b.
void multiply(Coefficient &product, const Coefficient &a, const Coefficient &b);

// The truncated quotient of dividend by a non-zero divisor; true when the
// division leaves a remainder. quotient must not be dividend or divisor.
bool divide(Coefficient &quotient, const Coefficient &dividend, const Coefficient &divisor);

// The truncated square root of n (at least 31 digits); true when it is
// inexact. root must not be n.
bool squareRoot(Coefficient &root, const Coefficient &n);

// How many ASCII digits run from the start of a 0-terminated text.
int digitRun(const char *text);

// The number written by `count` ASCII digits (at most kMaxDigits); one
// character after the first `point` of them, a decimal point, is skipped.
void fromDigits(Coefficient &c, const char *digits, int count, int point);

// Writes the digits without leading zeros ("0" for 0), with a decimal
// point after the first `point` of them when 0 < point < digits(c), and
// returns how many characters it wrote; text must have room for them.
int toDigits(const Coefficient &c, char *text, int point);

}  // namespace dec192

#endif
