// QebDatavar: a typed value holding null or one boolean, 64-bit integer,
// QebReal, UTF-8 string or QebDate, convertible to every other kind.
//
// Copies share one reference-counted body and every change first takes a
// body of its own, so a change never shows through a copy. The counts are
// not atomic: values sharing a body are used by one thread at a time.
// Nothing throws. Lack of memory during an assignment or truncate leaves the
// value null, except when the new body itself cannot be had, which leaves
// the value as it was.
#ifndef QEB_QEBDATAVAR_H
#define QEB_QEBDATAVAR_H

#include <qeb/qebdate.h>
#include <qeb/qebexport.h>
#include <qeb/qebreal.h>
#include <qeb/qebstring.h>
#include <qeb/qebtype.h>

class QEB_API QebDatavar {
public:
    // Null.
    QebDatavar();
    QebDatavar(const QebDatavar &other);
    virtual ~QebDatavar();
    // Shares other's body.
    const QebDatavar &operator=(const QebDatavar &other);

    // qebTypeUnknown when null.
    [[nodiscard]] qebType type() const;
    // No value; also a Real whose number is null. An empty String is not.
    [[nodiscard]] bool isNull() const;
    void setNull();
    // Characters of a String; -1 for every other type and for null.
    [[nodiscard]] int length() const;

    // The value's bytes: 1 byte 0/1 for Boolean, the 8 bytes of the 64-bit
    // integer or of the date's double, the 24 bytes (three 64-bit words) of a
    // Real's encoding, a String's text with its NUL, an Unknown's bytes as
    // stored. Null with size 0 for a null value. size may be null. Valid
    // until the value is next changed or released.
    [[nodiscard]] const void *getRaw(unsigned int *size) const;
    // The raw size a type requires: Boolean 1, Integer 8, Real 24, Date 8;
    // 0 (no fixed size) for the others.
    [[nodiscard]] static int getRawSizeReq(qebType type);

    // String values. text must not be null (a null text gives null).
    const QebDatavar &assign(const char *text);
    // The first `chars` characters (all when the text is shorter).
    const QebDatavar &assign(const char *text, unsigned int chars);
    // The longest run of whole characters of at most maxBytes bytes; stops
    // early at an ill-formed sequence.
    const QebDatavar &assignBytes(const char *text, unsigned int maxBytes);
    // A null string gives null.
    const QebDatavar &assign(const QebString &text);
    // Real values; a null QebReal gives null. A double becomes the shortest
    // decimal that reads back as the same double; a float is widened to a
    // double first (0.1f gives 0.10000000149011612).
    const QebDatavar &assign(const QebReal &value);
    const QebDatavar &assign(float value);
    const QebDatavar &assign(double value);
    // Integer values.
    const QebDatavar &assign(int value);
    const QebDatavar &assign(long long value);
    // Boolean value.
    const QebDatavar &assign(bool value);
    // Date value; a null date gives null.
    const QebDatavar &assign(const QebDate &value);
    // Rebuilds a value from the form getRaw gives. No data or size 0 gives
    // null. A size other than the type's fixed size keeps the zero value
    // (false, 0, date 0.0; a null number for Real). A String's bytes end
    // with its NUL (the last byte is made one).
    const QebDatavar &assign(qebType type, const void *data, unsigned int size);

    // Shortens a String to at most maxChars characters and, unless maxBytes
    // is -1, at most maxBytes bytes, cutting at whole characters. No effect
    // on other types.
    void truncate(int maxChars, int maxBytes);

    // Conversions. failed (when given) is set false, and true where the
    // conversion makes no sense; the result is then 0, false or null. A null
    // value converts to 0, false or null without failing.
    //   Boolean: 1/0. Integer: asInt takes the low 32 bits. Real: rounded
    //   toward minus infinity; asInt fails outside 32 bits. String: parsed
    //   (blanks, sign, digits; doubles with point and exponent). Date: the
    //   day count (truncated toward zero) or the double.
    [[nodiscard]] int asInt(bool *failed = nullptr) const;
    [[nodiscard]] long long asInt64(bool *failed = nullptr) const;
    [[nodiscard]] double asDouble(bool *failed = nullptr) const;
    [[nodiscard]] float asFloat(bool *failed = nullptr) const;
    // Integer and Real: non-zero (Real rounded down first). String: "true",
    // "yes", "false", "no" in any case, else by a first digit '0' or '1'-'9'.
    // Date and Unknown fail.
    [[nodiscard]] bool asBool(bool *failed = nullptr) const;
    // Date; String read as a date; Real as a day count. Others: null.
    [[nodiscard]] QebDate asDate() const;
    // "true"/"false", decimal integer, the Real's text (which puts the held
    // number into normal form, seen in getRaw), a copy of the text, or the
    // date in the locale's form. Unknown: null.
    QebString asString();
    // Boolean 1 or 0, Integer exactly, a copy of a Real, a String read as a
    // number (fails when unreadable), a Date's double. Unknown fails.
    [[nodiscard]] QebReal asReal(bool *failed = nullptr) const;

    // Converts the value in place by the conversions above. False for a null
    // value or an Unknown target (nothing changes), and when the conversion
    // failed (the value then holds the fallback: false, 0 or null).
    bool setType(qebType type);
    // -1, 0 or 1, a strict weak ordering. Null first; values of different
    // types by type number; then Booleans by truth value (any non-zero raw
    // byte is true; false first), integers and dates by value, Reals as
    // QebReal::compare, Strings by unsigned bytes; Unknowns are all equal.
    // A Real whose number is null, or a Date whose raw value is not a
    // number, comes before the other values of its type and equals the
    // others like it.
    [[nodiscard]] int compare(const QebDatavar &other) const;

private:
    struct InternalDatavar {
        unsigned int charLength;
        void *data;
        int refCount;
        qebType type;
        unsigned int dataSize;
    };

    static void releaseBody(InternalDatavar *body);
    static void destroyBody(InternalDatavar *body);
    bool ownBody();
    bool setStorage(qebType type, unsigned int size);
    bool newInstance(bool copy);
    bool storesInOwnBody(const void *p) const;
    QebReal *real() const;
    const QebDatavar &assignString(const char *text, unsigned int bytes, int chars);

    InternalDatavar *mData;
};

// Copying and destroying only count references: inline, so that sharing a
// value costs no call.
inline QebDatavar::QebDatavar(const QebDatavar &other) : mData(other.mData) {
    if (mData) ++mData->refCount;
}

inline QebDatavar::~QebDatavar() {
    if (mData && --mData->refCount < 1) destroyBody(mData);
}

// Orders values for sorted containers: a.compare(b) < 0.
struct QEB_API QebDatavarLess {
    [[nodiscard]] bool operator()(const QebDatavar &a, const QebDatavar &b) const;
};

#endif
