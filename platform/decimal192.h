// The 192-bit decimal module: IEEE 754-2008 decimal192 values (52 digits,
// exponents -98354 to 98253 for the coefficient read as an integer, bias
// 98354), worked on through decNumber's arbitrary-precision numbers, in the
// shape of decNumber's 64- and 128-bit modules.
//
// Encoding: densely packed decimal, 1 sign bit, a 21-bit combination field,
// 17 declets of trailing significand. The three 64-bit words hold the 192
// bits least significant word first (the sign is bit 63 of words[2]).
// Results are always canonical; every encoding the standard admits is
// read, non-canonical declets included.
//
// Operations follow decNumber's conventions: the result pointer comes
// first and is returned, conditions are added to the context's status, and
// a context of kind DEC_INIT_DECIMAL192 (52 digits, round-half-even, clamp)
// gives the decimal192 arithmetic. Operands may alias the result.
#ifndef QEB_PLATFORM_DECIMAL192_H
#define QEB_PLATFORM_DECIMAL192_H

#ifndef DECNUMDIGITS
#define DECNUMDIGITS 52
#endif
#include <decNumber.h>
#if DECNUMDIGITS < 52
#error "decimal192.h must be included before decNumber.h, or with DECNUMDIGITS >= 52"
#endif

#include <cstdint>

#define DECIMAL192_Bytes 24
#define DECIMAL192_Pmax 52
#define DECIMAL192_Emax 98304
#define DECIMAL192_Emin (-98303)
#define DECIMAL192_Bias 98354
// A buffer of this many characters holds any decSextToString text.
#define DECIMAL192_String 64

struct decimal192 {
    uint64_t words[3];
};
typedef decimal192 decSext;

// decNumber's own decContextDefault refuses kind 192; this overload, picked
// by the enumerator, gives 52 digits, emax 98304, emin -98303,
// round-half-even, clamp 1, no traps and a clear status.
enum decInit192 { DEC_INIT_DECIMAL192 = 192 };
// Inline: every operation of the number class starts from a fresh one.
inline decContext *decContextDefault(decContext *set, decInit192) {
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

// dn must hold 52 digits (a decNumber as declared here does). A NaN keeps
// its payload, an infinity reads as coefficient 0.
decNumber *decimal192ToNumber(const decimal192 *d192, decNumber *dn);
// Rounds with set's rounding when dn has more than 52 digits or an exponent
// beyond the format (overflow to infinity, underflow to a subnormal or
// zero), and pads the coefficient when the exponent is too large for it
// (DEC_Clamped); a NaN keeps the low 51 digits of its payload.
decimal192 *decimal192FromNumber(decimal192 *d192, const decNumber *dn, decContext *set);

// Quiet NaN, sign clear, no payload: the canonical NaN.
inline decSext *decSextNaN(decSext *result) {
    result->words[0] = result->words[1] = 0;
    result->words[2] = uint64_t(0x1F) << 58;  // the combination field's NaN
    return result;
}
// +0 with exponent 0.
decSext *decSextZero(decSext *result);
decSext *decSextCopy(decSext *result, const decSext *value);

uint32_t decSextIsNaN(const decSext *value);
uint32_t decSextIsInfinite(const decSext *value);
uint32_t decSextIsZero(const decSext *value);
// The sign bit, for NaNs and zeros too.
uint32_t decSextIsSigned(const decSext *value);
// Digits of the coefficient (1 for zero and infinity; of the payload for a
// NaN).
uint32_t decSextDigits(const decSext *value);
// The exponent of a finite value; DECSEXT_Inf, DECSEXT_NaN or DECSEXT_sNaN
// (all above any finite exponent) for the special values.
int32_t decSextGetExponent(const decSext *value);
#define DECSEXT_Inf 0x78000000
#define DECSEXT_NaN 0x7c000000
#define DECSEXT_sNaN 0x7e000000
// Keeps the coefficient and sets the exponent, rounding or clamping under
// set when it is beyond the format; special values are left as they are.
decSext *decSextSetExponent(decSext *value, decContext *set, int32_t exponent);

// The General Decimal Arithmetic to-number conversion, rounded under set;
// text that does not follow its syntax gives a NaN and
// DEC_Conversion_syntax. text must not be null.
decSext *decSextFromString(decSext *result, const char *text, decContext *set);
// decSextFromString, then decSextReduce, in one pass where it can.
decSext *decSextFromStringReduced(decSext *result, const char *text, decContext *set);
// To-scientific-string, NUL-terminated, at most DECIMAL192_String bytes.
char *decSextToString(const decSext *value, char *text);

// Exact conversions from integers.
decSext *decSextFromInt64(decSext *result, int64_t n, decContext *set);
decSext *decSextFromInt32(decSext *result, int32_t n);
decSext *decSextFromUInt32(decSext *result, uint32_t n);
// The value rounded to an integer with `rounding`; 0 and
// DEC_Invalid_operation when it is not finite or the integer does not fit.
int64_t decSextToInt64(const decSext *value, decContext *set, enum rounding rounding);
uint32_t decSextToUInt32(const decSext *value, decContext *set, enum rounding rounding);

// The shortest decimal that converts back to the same double (0.1 gives
// 0.1, not the binary value's 55 digits). A NaN gives the canonical NaN.
decSext *decSextFromDouble(decSext *result, double d, decContext *set);
// The nearest double (ties to even) whatever the context's rounding;
// beyond the double range an infinity or a zero with DEC_Overflow or
// DEC_Underflow (and DEC_Inexact). A NaN gives a quiet NaN.
double decSextToDouble(const decSext *value, decContext *set);

// Trailing zeros of the coefficient removed; a zero gets exponent 0.
decSext *decSextReduce(decSext *result, const decSext *value, decContext *set);
decSext *decSextAdd(decSext *result, const decSext *lhs, const decSext *rhs, decContext *set);
decSext *decSextSubtract(decSext *result, const decSext *lhs, const decSext *rhs,
                         decContext *set);
decSext *decSextMultiply(decSext *result, const decSext *lhs, const decSext *rhs,
                         decContext *set);
decSext *decSextDivide(decSext *result, const decSext *lhs, const decSext *rhs, decContext *set);
// Truncating remainder, IEEE remainder, and the integer part of the quotient.
decSext *decSextRemainder(decSext *result, const decSext *lhs, const decSext *rhs,
                          decContext *set);
decSext *decSextRemainderNear(decSext *result, const decSext *lhs, const decSext *rhs,
                              decContext *set);
decSext *decSextDivideInteger(decSext *result, const decSext *lhs, const decSext *rhs,
                              decContext *set);
// a × b + c with one rounding.
decSext *decSextFMA(decSext *result, const decSext *a, const decSext *b, const decSext *c,
                    decContext *set);
// The square root as decNumber gives it: correctly rounded, exact roots as
// near the ideal exponent (half the operand's, rounded down) as their zeros
// allow.
decSext *decSextSquareRoot(decSext *result, const decSext *value, decContext *set);
decSext *decSextMinus(decSext *result, const decSext *value, decContext *set);
decSext *decSextAbs(decSext *result, const decSext *value, decContext *set);
// Rounded to an integer with `rounding`, without DEC_Inexact.
decSext *decSextToIntegralValue(decSext *result, const decSext *value, decContext *set,
                                enum rounding rounding);
// value rounded with set's rounding to the exponent of pattern.
decSext *decSextQuantize(decSext *result, const decSext *value, const decSext *pattern,
                         decContext *set);
// value quantized to `exponent` as an unclamped pattern 1E+exponent would
// do it, then encoded (clamping may then fold the result's exponent down).
// A pattern of this format cannot hold an exponent above
// DECIMAL192_Emax - DECIMAL192_Pmax + 1 without folding it, so quantizing by
// such a pattern would not round there.
decSext *decSextQuantizeExponent(decSext *result, const decSext *value, int32_t exponent,
                                 decContext *set);
// -1, 0 or 1; a NaN when either operand is one.
decSext *decSextCompare(decSext *result, const decSext *lhs, const decSext *rhs,
                        decContext *set);

#endif
