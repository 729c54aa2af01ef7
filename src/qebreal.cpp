#include <qeb/qebreal.h>

#include "decimal192.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

struct Context : decContext {
    Context() { decContextDefault(this, DEC_INIT_DECIMAL192); }
};

// The conditions that make an operation fail. Clamped, Rounded and
// Subnormal alone come with exact results and are not failures.
const uint32_t kFailures = DEC_Errors;

void report(bool *failed, bool value) {
    if (failed) *failed = value;
}

// Characters of an exponent suffix in the width-limited text: none when the
// digits reach the point, otherwise "E+" or "E-" and the exponent's digits.
int suffixLength(int exponent, int digits) {
    if (exponent <= 0 && digits >= -exponent) return 0;
    const int magnitude = exponent < 0 ? -exponent : exponent;
    int length = 3;
    for (int limit = 9; magnitude > limit && length < 7; limit = limit * 10 + 9) ++length;
    return length;
}

QebString toText(const decSext &value) {
    char text[DECIMAL192_String];
    return QebString(decSextToString(&value, text));
}

using Arithmetic = decSext *(*)(decSext *, const decSext *, const decSext *, decContext *);

}  // namespace

// Moves values between the object's words and the decimal module.
struct QebRealImpl {
    static decSext load(const QebReal &x) {
        decSext value;
        std::memcpy(value.words, x.mValue, sizeof value.words);
        return value;
    }

    static void store(QebReal &x, const decSext &value) {
        std::memcpy(x.mValue, value.words, sizeof x.mValue);
    }

    // A new number with a clear flags word.
    static QebReal make(const decSext &value) {
        QebReal result;
        store(result, value);
        return result;
    }

    static QebReal basic(QebReal &left, const QebReal &right, bool *failed, Arithmetic operation) {
        left.mFlags = 0;
        report(failed, false);
        Context ctx;
        const decSext a = load(left), b = load(right);
        decSext r;
        operation(&r, &a, &b, &ctx);
        // The status word is read directly: this is the hot path of every
        // basic operation.
        if (ctx.status & DEC_Inexact)
            left.mFlags |= QebReal::kTruncated;
        else if (ctx.status & kFailures)
            report(failed, true);
        return make(r);
    }

    static QebReal compound(QebReal &left, const QebReal &right, Arithmetic operation) {
        const QebReal result = basic(left, right, nullptr, operation);
        left = result;
        return result;
    }

    // Trailing zeros removed, then exponent 0 where 52 digits allow it; -0
    // becomes +0.
    static decSext normalise(QebReal &x) {
        Context ctx;
        decSext value = load(x), zero;
        decSextReduce(&value, &value, &ctx);
        // Adding zero leaves a non-zero number with exponent 0 or below as it is.
        if (decSextGetExponent(&value) > 0 || decSextIsZero(&value))
            decSextAdd(&value, &value, decSextZero(&zero), &ctx);
        store(x, value);
        return value;
    }

    static QebReal unary(const QebReal &x,
                         decSext *(*operation)(decSext *, const decSext *, decContext *)) {
        Context ctx;
        const decSext value = load(x);
        decSext r;
        return make(*operation(&r, &value, &ctx));
    }

    static QebReal integral(const QebReal &x, enum rounding rounding) {
        Context ctx;
        const decSext value = load(x);
        decSext r;
        return make(*decSextToIntegralValue(&r, &value, &ctx, rounding));
    }
};

using Impl = QebRealImpl;

QebReal::QebReal() : mFlags(0) {
    decSext value;
    Impl::store(*this, *decSextNaN(&value));
}

QebReal::QebReal(const QebReal &other) : mFlags(other.mFlags) {
    std::memcpy(mValue, other.mValue, sizeof mValue);
}

QebReal::QebReal(long long n) : mFlags(0) {
    Context ctx;
    decSext value;
    Impl::store(*this, *decSextFromInt64(&value, n, &ctx));
}

QebReal::QebReal(int n) : QebReal(static_cast<long long>(n)) {}

QebReal::QebReal(double d) : mFlags(0) {
    Context ctx;
    decSext value;
    Impl::store(*this, *decSextFromDouble(&value, d, &ctx));
}

const QebReal &QebReal::operator=(const QebReal &other) {
    mFlags = other.mFlags;
    std::memmove(mValue, other.mValue, sizeof mValue);
    return *this;
}

const QebReal &QebReal::operator=(double d) { return *this = QebReal(d); }

const QebReal &QebReal::assign(const char *text) {
    mFlags = 0;
    if (!text) {
        setNull();
        return *this;
    }
    Context ctx;
    decSext value;
    // Dropping zeros is exact, so Inexact can only come from the reading.
    decSextFromStringReduced(&value, text, &ctx);
    if (decContextTestStatus(&ctx, DEC_Inexact)) mFlags |= kTruncated;
    Impl::store(*this, value);
    return *this;
}

const QebReal &QebReal::assign(long long n) { return *this = QebReal(n); }

const QebReal &QebReal::assign(int n) { return *this = QebReal(n); }

const QebReal &QebReal::assign(double d) { return *this = QebReal(d); }

const QebReal &QebReal::assign(const unsigned long long (*words)[3]) {
    mFlags = 0;
    decSext value;
    if (words) std::memcpy(value.words, *words, sizeof value.words);
    if (!words || decSextIsNaN(&value)) decSextNaN(&value);
    Impl::store(*this, value);
    return *this;
}

const QebReal &QebReal::assign(const QE_SQL_NUMERIC_STRUCT *in) {
    mFlags = 0;
    if (!in) {
        setNull();
        return *this;
    }
    Context ctx;
    decSext value, word, radix;
    decSextZero(&value);
    decSextFromInt64(&radix, 1LL << 32, &ctx);
    bool started = false;
    for (int i = 3; i >= 0; --i) {
        const unsigned char *bytes = in->val + 4 * i;
        const uint32_t w = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                           uint32_t(bytes[3]) << 24;
        if (started)
            decSextFMA(&value, &value, &radix, decSextFromUInt32(&word, w), &ctx);
        else if (w != 0)
            decSextFromUInt32(&value, w);
        started = started || w != 0;
    }
    if (in->scale != 0) decSextSetExponent(&value, &ctx, -in->scale);
    if (in->sign == 0) decSextMinus(&value, &value, &ctx);
    Impl::store(*this, value);
    return *this;
}

void QebReal::asFD(unsigned long long (*words)[3]) {
    Impl::normalise(*this);
    if (words) std::memcpy(*words, mValue, sizeof mValue);
}

QebString QebReal::asString() {
    if (isNull()) return QebString();
    return toText(Impl::normalise(*this));
}

QebString QebReal::asString(int width) {
    if (width >= DECIMAL192_Pmax) return asString();
    const decSext value = Impl::load(*this);
    // Nothing, not even one digit, fits a width below 1.
    if (width < 1 || decSextIsNaN(&value)) return QebString();
    if (decSextIsInfinite(&value)) {
        const char *text = decSextIsSigned(&value) ? "-Infinity" : "Infinity";
        return int(std::strlen(text)) <= width ? QebString(text) : QebString();
    }
    // The text's own digits are reduced and rounded on the number itself:
    // encoding it would fold zeros back into the coefficient near the top
    // exponent and lengthen the text.
    Context ctx;
    ctx.clamp = 0;
    decNumber n;
    decNumberReduce(&n, decimal192ToNumber(&value, &n), &ctx);
    // A negative zero is written without its sign.
    const int sign = decNumberIsNegative(&n) && !decNumberIsZero(&n) ? 1 : 0;
    int digits = n.digits, exponent = n.exponent;
    if (exponent >= 0 ? exponent + digits + sign <= width
                      : -exponent <= digits && digits + sign + 1 <= width)
        return asString();
    const int point = exponent >= 0 ? 0 : 1;
    bool shifted = false;
    for (;;) {
        const int suffix = suffixLength(exponent, digits);
        const int total = suffix + point + digits + sign;
        if (total <= width) break;
        exponent += total - width;
        digits -= total - width;
        shifted = true;
        if (digits <= 0) return QebString();
        if (suffixLength(exponent, digits) <= suffix) break;
    }
    if (shifted) {
        decNumber pattern;
        decNumberFromInt32(&pattern, 1);
        pattern.exponent = exponent;
        decNumberQuantize(&n, &n, &pattern, &ctx);
    }
    char text[DECIMAL192_String];
    return QebString(decNumberToString(&n, text));
}

long long QebReal::asInt64(bool *failed) const {
    report(failed, isNull());
    if (isNull()) return 0;
    const decSext value = Impl::load(*this);
    Context ctx;
    const long long n = decSextToInt64(&value, &ctx, DEC_ROUND_FLOOR);
    if (decContextTestStatus(&ctx, DEC_Invalid_operation)) {
        report(failed, true);
        return 0;
    }
    return n;
}

double QebReal::asDouble(bool *failed) const {
    report(failed, isNull());
    if (isNull()) return 0.0;
    const decSext value = Impl::load(*this);
    Context ctx;
    return decSextToDouble(&value, &ctx);
}

void QebReal::asSQLNumeric(QE_SQL_NUMERIC_STRUCT *out, bool *failed, int precision,
                           int scale) const {
    QE_SQL_NUMERIC_STRUCT result = {0, 0, 1, {0}};
    report(failed, false);
    const decSext value = Impl::load(*this);
    const bool fits = [&] {
        if (decSextIsZero(&value)) return true;
        if (precision < 0) precision = 38;
        if (scale < 0) scale = 10;
        Context ctx;
        long long digits = decSextDigits(&value), exponent = decSextGetExponent(&value);
        if (scale > precision || scale > SCHAR_MAX || exponent + digits + scale > precision)
            return false;
        decSext q = value;
        if (exponent != -scale) {
            decSextQuantizeExponent(&q, &value, int32_t(-scale), &ctx);
            digits = decSextDigits(&q);
        }
        if (decSextIsNaN(&q) || digits > precision || decSextIsZero(&q)) return false;
        result.sign = decSextIsSigned(&q) ? 0 : 1;
        result.precision = static_cast<unsigned char>(digits);
        result.scale = static_cast<signed char>(scale);
        // The integer |q| × 10^scale, 32 bits at a time from the least
        // significant; the last word must hold whatever is left.
        decSext m, radix, part;
        decSextSetExponent(decSextAbs(&m, &q, &ctx), &ctx, 0);
        decSextFromInt64(&radix, 1LL << 32, &ctx);
        for (int i = 0; i < 4 && !decSextIsZero(&m); ++i) {
            if (i < 3) decSextRemainder(&part, &m, &radix, &ctx);
            const uint32_t word = decSextToUInt32(i < 3 ? &part : &m, &ctx, DEC_ROUND_FLOOR);
            if (decContextTestStatus(&ctx, DEC_Invalid_operation)) return false;
            for (int b = 0; b < 4; ++b) result.val[4 * i + b] = static_cast<unsigned char>(word >> 8 * b);
            if (i < 3) decSextDivideInteger(&m, &m, &radix, &ctx);
        }
        return true;
    }();
    if (!fits) {
        result = {0, 0, 1, {0}};
        report(failed, true);
    }
    if (out) *out = result;
    else report(failed, true);
}

bool QebReal::isNull() const {
    const decSext value = Impl::load(*this);
    return decSextIsNaN(&value) != 0;
}

void QebReal::setNull() {
    decSext value;
    Impl::store(*this, *decSextNaN(&value));
}

int QebReal::compare(const QebReal &other) const {
    Context ctx;
    const decSext a = Impl::load(*this), b = Impl::load(other);
    decSext r;
    decSextCompare(&r, &a, &b, &ctx);
    if (decSextIsZero(&r)) return 0;
    return decSextIsSigned(&r) ? -1 : 1;
}

QebReal QebReal::add(const QebReal &other, bool *failed) {
    return Impl::basic(*this, other, failed, decSextAdd);
}

QebReal QebReal::subtract(const QebReal &other, bool *failed) {
    return Impl::basic(*this, other, failed, decSextSubtract);
}

QebReal QebReal::multiply(const QebReal &other, bool *failed) {
    return Impl::basic(*this, other, failed, decSextMultiply);
}

QebReal QebReal::divide(const QebReal &other, bool *failed) {
    return Impl::basic(*this, other, failed, decSextDivide);
}

QebReal QebReal::operator+(const QebReal &other) { return add(other); }
QebReal QebReal::operator-(const QebReal &other) { return subtract(other); }
QebReal QebReal::operator*(const QebReal &other) { return multiply(other); }
QebReal QebReal::operator/(const QebReal &other) { return divide(other); }
QebReal QebReal::operator+(double d) { return add(QebReal(d)); }
QebReal QebReal::operator-(double d) { return subtract(QebReal(d)); }
QebReal QebReal::operator*(double d) { return multiply(QebReal(d)); }
QebReal QebReal::operator/(double d) { return divide(QebReal(d)); }

QebReal QebReal::operator+=(const QebReal &other) { return Impl::compound(*this, other, decSextAdd); }
QebReal QebReal::operator-=(const QebReal &other) {
    return Impl::compound(*this, other, decSextSubtract);
}
QebReal QebReal::operator*=(const QebReal &other) {
    return Impl::compound(*this, other, decSextMultiply);
}
QebReal QebReal::operator/=(const QebReal &other) {
    return Impl::compound(*this, other, decSextDivide);
}
QebReal QebReal::operator+=(double d) { return *this += QebReal(d); }
QebReal QebReal::operator-=(double d) { return *this -= QebReal(d); }
QebReal QebReal::operator*=(double d) { return *this *= QebReal(d); }
QebReal QebReal::operator/=(double d) { return *this /= QebReal(d); }

bool QebReal::operator==(const QebReal &other) const { return compare(other) == 0; }
bool QebReal::operator!=(const QebReal &other) const { return compare(other) != 0; }
bool QebReal::operator>(const QebReal &other) const { return compare(other) > 0; }
bool QebReal::operator>=(const QebReal &other) const { return compare(other) >= 0; }
bool QebReal::operator<=(const QebReal &other) const { return compare(other) <= 0; }
bool QebReal::operator<(const QebReal &other) { return compare(other) < 0; }
bool QebReal::operator==(double d) const { return compare(QebReal(d)) == 0; }
bool QebReal::operator!=(double d) const { return compare(QebReal(d)) != 0; }
bool QebReal::operator>(double d) const { return compare(QebReal(d)) > 0; }
bool QebReal::operator<(double d) { return compare(QebReal(d)) < 0; }
bool QebReal::operator>=(double d) const { return compare(QebReal(d)) >= 0; }
bool QebReal::operator<=(double d) const { return compare(QebReal(d)) <= 0; }

bool operator<(const QebReal &a, const QebReal &b) { return a.compare(b) < 0; }

QebReal QebReal::modulo(const QebReal &other) const {
    Context ctx;
    const decSext a = Impl::load(*this), b = Impl::load(other);
    decSext r;
    decSextRemainderNear(&r, &a, &b, &ctx);
    if (decContextTestStatus(&ctx, kFailures)) decSextNaN(&r);
    return Impl::make(r);
}

QebReal QebReal::negative() const { return Impl::unary(*this, decSextMinus); }

QebReal QebReal::absolute() const { return Impl::unary(*this, decSextAbs); }

QebReal QebReal::floor() const { return Impl::integral(*this, DEC_ROUND_FLOOR); }

QebReal QebReal::ceiling() const { return Impl::integral(*this, DEC_ROUND_CEILING); }

QebReal QebReal::round(int places) const {
    if (places == 0) return Impl::make(Impl::load(*this));
    Context ctx;
    // -INT_MIN does not fit an int; any exponent that large rounds alike.
    const decSext value = Impl::load(*this);
    decSext r;
    return Impl::make(*decSextQuantizeExponent(
        &r, &value, int32_t(std::min(-static_cast<long long>(places), static_cast<long long>(INT32_MAX))), &ctx));
}

QebReal QebReal::sqrt(bool *failed) const {
    QebReal result;
    report(failed, isNull());
    if (isNull()) return result;
    const decSext value = Impl::load(*this);
    Context ctx;
    decSext r;
    decSextSquareRoot(&r, &value, &ctx);
    if (decContextTestStatus(&ctx, DEC_Invalid_operation)) {
        report(failed, true);
        return result;
    }
    Impl::store(result, r);
    if (decContextTestStatus(&ctx, DEC_Inexact | DEC_Overflow | DEC_Underflow)) result.mFlags = kTruncated;
    return result;
}
