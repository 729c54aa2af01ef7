// QebReal: a 52-digit decimal floating-point number held inline as the
// 24-byte IEEE 754-2008 decimal192 interchange value (three 64-bit words).
//
// Values: finite numbers with 52 digits of coefficient and exponents from
// -98354 to 98253 (so magnitudes up to 9.99...E+98304), positive and
// negative zero and infinity, and null. A QebReal is null exactly when its
// value is a NaN; the default value is null. A number keeps its exponent
// ('1.50' and '1.5' are different representations of one number) until an
// operation brings it into normal form.
//
// Rounding is always to 52 digits, half to even. The truncated flag records
// that the last conversion from text, or the last arithmetic operation with
// this object as its left operand, had to round; it stays set until the
// next converting assignment or arithmetic operation on this object.
//
// Nothing throws or allocates, except the QebString that text conversions
// return. Objects are plain values: copying copies the flag and the words.
// An object must not be used from two threads at once when either call
// writes it; note that asString() and asFD() normalise the stored value and
// that arithmetic writes the left operand's truncated flag.
#ifndef QEB_QEBREAL_H
#define QEB_QEBREAL_H

#include <qeb/qebexport.h>
#include <qeb/qebstring.h>

#include <cstdint>

// The layout of the ODBC numeric structure, 19 bytes: the value is
// val × 10^-scale with val an unsigned 128-bit little-endian integer.
struct QE_SQL_NUMERIC_STRUCT {
    unsigned char precision;  // decimal digits of val
    signed char scale;        // digits after the point
    unsigned char sign;       // 1 positive, 0 negative (on input: non-zero positive)
    unsigned char val[16];    // the magnitude, least significant byte first
};

class QEB_API QebReal {
public:
    // Null, truncated flag clear.
    QebReal();
    QebReal(const QebReal &other);
    // Exact; truncated flag clear.
    QebReal(long long n);
    QebReal(int n);
    // The shortest decimal that reads back as the same double (so 0.1 gives
    // exactly 0.1); a NaN gives null, infinities give infinities.
    QebReal(double d);
    // Nothing to release; defined here so that a temporary costs no call.
    virtual ~QebReal() {}

    // Copies the value and the truncated flag.
    const QebReal &operator=(const QebReal &other);
    // As assign(double).
    const QebReal &operator=(double d);

    // Reads a number in the General Decimal Arithmetic syntax: sign, digits,
    // optional point and exponent, "Inf"/"Infinity", "NaN", "sNaN" (no blanks;
    // case does not matter). More than 52 significant digits are rounded and
    // set the truncated flag, as does an exponent beyond the range that gives
    // an infinity or loses digits. The value is kept without trailing zeros
    // ('1.500' as 1.5, '100' as 1E+2). Unreadable text, a NaN or a null
    // pointer give null with the flag clear.
    const QebReal &assign(const char *text);
    // Exact; truncated flag clear.
    const QebReal &assign(long long n);
    const QebReal &assign(int n);
    // As QebReal(double); truncated flag clear.
    const QebReal &assign(double d);
    // Takes three words as asFD() gives them (word 0 first); any NaN becomes
    // the canonical null, every other pattern is kept as it is. Truncated
    // flag clear.
    const QebReal &assign(const unsigned long long (*words)[3]);
    // From the SQL numeric structure (precision byte ignored, any scale,
    // sign 0 negative); exact. Truncated flag clear.
    const QebReal &assign(const QE_SQL_NUMERIC_STRUCT *in);

    // Brings the value into normal form in place (below) and copies its
    // three words to *words, word 0 (the least significant 64 bits of the
    // encoding) first.
    void asFD(unsigned long long (*words)[3]);
    // The three words as stored, without normalising; valid until this
    // object is next written or destroyed.
    [[nodiscard]] const unsigned long long *rawWords() const { return mValue; }

    // Null string for null. Otherwise brings the value into normal form in
    // place (trailing zeros removed; exponent 0 where 52 digits allow it;
    // -0 becomes 0) and gives its scientific text: plain digits from 1E-6
    // below 1E+52 ('1.5', '100', '-0.25', '0.000001'); an exponent below
    // that ('1E-7', '1.23E-58'); from 1E+52 up, all 52 digits of the
    // coefficient with an exponent (1.234E+60 is
    // '1.234000000000000000000000000000000000000000000000000E+60');
    // "Infinity" and "-Infinity".
    QebString asString();
    // About `width` characters, rounding away digits half to even and
    // switching to an exponent form when that is shorter ('123.456' at 5 is
    // '123.5', 100000 at 5 is '1E+5'). A leading "0" before the point does
    // not count. The text may exceed width: by one for the point of the
    // exponent form, which is not counted, and by one more when rounding up
    // adds a digit (12345678901234567890 at 7 is '1.23E+19', 999.96 at 5 is
    // '1000.0', 9.9999999E+200 at 6 is '1.0E+201'). A width of 52 or more,
    // or a value that fits, is asString().
    // "Infinity" and "-Infinity" when they fit. Null string for null, and
    // when not even one digit fits.
    QebString asString(int width);
    // Rounded toward minus infinity (2.7 gives 2, -2.7 gives -3). 0 with
    // *failed true for null, infinities and values outside 64 bits.
    [[nodiscard]] long long asInt64(bool *failed = nullptr) const;
    // The nearest double; beyond the double range an infinity or zero (not
    // reported). 0.0 with *failed true for null.
    [[nodiscard]] double asDouble(bool *failed = nullptr) const;
    // The value rounded half to even to `scale` digits after the point as
    // an SQL numeric structure. A negative precision means 38 and a negative
    // scale 10. Fails, leaving the structure as zero (precision 0, scale 0,
    // sign 1) and *failed true, when the value is null or infinite, when
    // scale > precision or scale > 127, when the digits before the point and
    // the scale need more than `precision` digits (also after rounding),
    // when it rounds to zero, when the magnitude does not fit 128 bits, or
    // when out is null. A zero gives the zero structure without failing.
    void asSQLNumeric(QE_SQL_NUMERIC_STRUCT *out, bool *failed = nullptr, int precision = -1,
                      int scale = -1) const;

    [[nodiscard]] bool isNull() const;
    // Makes the value the canonical null; the truncated flag is kept.
    void setNull();
    [[nodiscard]] bool truncated() const { return (mFlags & kTruncated) != 0; }

    // -1, 0 or 1 by value (1.50 equals 1.5). With a null on either side the
    // result is 1, or -1 when the left null (or the only one) was read from
    // "-NaN".
    [[nodiscard]] int compare(const QebReal &other) const;

    // The basic operations, rounded to 52 digits. Each clears this object's
    // truncated flag and sets it again when the result is inexact (which
    // includes an overflow to infinity and an underflow). *failed (when
    // given) is set true when an exact operation divided by zero (result an
    // infinity) or was invalid, as 0/0 or Infinity-Infinity (result null).
    // A null operand gives null, no failure.
    [[nodiscard]] QebReal add(const QebReal &other, bool *failed = nullptr);
    [[nodiscard]] QebReal subtract(const QebReal &other, bool *failed = nullptr);
    [[nodiscard]] QebReal multiply(const QebReal &other, bool *failed = nullptr);
    [[nodiscard]] QebReal divide(const QebReal &other, bool *failed = nullptr);

    // The basic operations without the failure report; like them they set
    // this object's truncated flag when the result is inexact.
    [[nodiscard]] QebReal operator+(const QebReal &other);
    [[nodiscard]] QebReal operator-(const QebReal &other);
    [[nodiscard]] QebReal operator*(const QebReal &other);
    [[nodiscard]] QebReal operator/(const QebReal &other);
    // The right operand as QebReal(double) first.
    [[nodiscard]] QebReal operator+(double d);
    [[nodiscard]] QebReal operator-(double d);
    [[nodiscard]] QebReal operator*(double d);
    [[nodiscard]] QebReal operator/(double d);

    // This object becomes the result, its truncated flag clear even when the
    // operation rounded; returns a copy of the new value.
    QebReal operator+=(const QebReal &other);
    QebReal operator-=(const QebReal &other);
    QebReal operator*=(const QebReal &other);
    QebReal operator/=(const QebReal &other);
    QebReal operator+=(double d);
    QebReal operator-=(double d);
    QebReal operator*=(double d);
    QebReal operator/=(double d);

    // By value (1.50 == 1.5). A null on either side (or both) makes ==, <
    // and <= false and !=, > and >= true, unless the left null, or the only
    // one, was read from "-NaN" (then it orders below). The forms with a
    // double convert it as QebReal(double) first.
    [[nodiscard]] bool operator==(const QebReal &other) const;
    [[nodiscard]] bool operator!=(const QebReal &other) const;
    [[nodiscard]] bool operator>(const QebReal &other) const;
    [[nodiscard]] bool operator>=(const QebReal &other) const;
    [[nodiscard]] bool operator<=(const QebReal &other) const;
    [[nodiscard]] bool operator==(double d) const;
    [[nodiscard]] bool operator!=(double d) const;
    [[nodiscard]] bool operator>(double d) const;
    [[nodiscard]] bool operator>=(double d) const;
    [[nodiscard]] bool operator<=(double d) const;
    // Non-const, so that they never compete with the free operator< below,
    // which serves a const left operand with the same result.
    [[nodiscard]] bool operator<(const QebReal &other);
    [[nodiscard]] bool operator<(double d);

    // The results below have a clear truncated flag; a null operand gives
    // null.
    // this - other × n with n the integer nearest this ÷ other, ties to even
    // (7 modulo 4 is -1, 10 modulo 3 is 1). Null for a zero divisor, an
    // infinite dividend, or a quotient of more than 52 digits.
    [[nodiscard]] QebReal modulo(const QebReal &other) const;
    [[nodiscard]] QebReal negative() const;
    [[nodiscard]] QebReal absolute() const;
    // Integers, toward minus / plus infinity; never inexact.
    [[nodiscard]] QebReal floor() const;
    [[nodiscard]] QebReal ceiling() const;
    // Half to even at `places` digits after the point (2.345 gives 2.34 at
    // 2; negative places round to tens, hundreds, ...). round(0) returns the
    // value unchanged. Null when the result would need more than 52 digits
    // or the value is infinite.
    [[nodiscard]] QebReal round(int places) const;
    // Correctly rounded square root; its truncated flag is set when it is
    // inexact. Null with *failed true for a negative or null operand.
    [[nodiscard]] QebReal sqrt(bool *failed = nullptr) const;

private:
    static const std::uint32_t kTruncated = 1;
    friend struct QebRealImpl;  // the implementation's helpers

    std::uint32_t mFlags;
    unsigned long long mValue[3];
};

// True when a.compare(b) is negative. Nulls are neither below nor above
// anything, so sorted containers must hold numbers only.
[[nodiscard]] QEB_API bool operator<(const QebReal &a, const QebReal &b);

#endif
