// QebString: a reference-counted, copy-on-write UTF-8 string with a null state.
//
// A string is null (isNull(), distinct from empty), borrowed (it points at a
// constant text that the caller keeps alive and unchanged, e.g. a literal,
// and copies it on its first change) or owned (a text record shared between
// copies and copied before any change). Positions and counts are characters
// (UTF-8 sequences; see the character rules below), except cStrSize() and
// assignBytes(), which are bytes. Text is not validated: an ill-formed byte
// sequence counts as one character per maximal subpart.
//
// Failures are lack of memory only, and never throw: assignments leave the
// string null, appends and in-place edits leave it unchanged and say so.
// Reference counts are not atomic: a string and every copy sharing its text
// must be used by one thread at a time.
#ifndef QEB_QEBSTRING_H
#define QEB_QEBSTRING_H

#include <qeb/qebexport.h>

class QeUtf8ToUC;

class QEB_API QebString {
public:
    // A null string.
    QebString();
    // isStatic false: copies text (null text gives a null string).
    // isStatic true: borrows text, which must outlive the string unchanged.
    QebString(const char *text, bool isStatic = false);
    QebString(const QebString &other);
    virtual ~QebString();

    // Shares other's text (or borrows the same pointer).
    const QebString &operator=(const QebString &other);
    void setNull();
    [[nodiscard]] bool isNull() const;

    // Never a null pointer: a null string gives "".
    [[nodiscard]] const char *asCstr() const;
    // Characters; 0 when null.
    [[nodiscard]] unsigned int length() const;
    // Bytes including the NUL; 1 when null.
    [[nodiscard]] unsigned int cStrSize() const;

    // Copy text (not null); the string is null afterwards only for lack of
    // memory. Assigning a string's own text, or a part of it, is safe.
    const QebString &assign(const char *text);
    // The first `chars` characters; negative or too large: the whole text.
    const QebString &assign(const char *text, int chars);
    // The longest run of whole characters from the start whose byte size is
    // at most maxBytes; stops early at an ill-formed sequence.
    const QebString &assignBytes(const char *text, int maxBytes);

    // Decimal text: "%d", signed and unsigned 64-bit, and "%.15g" for double,
    // always with a full stop whatever the locale.
    const QebString &assign(int value);
    const QebString &assign(long long value);
    const QebString &assign(unsigned long long value);
    const QebString &assign(double value);

    // Appends; *failed (when given) is set true only when memory ran out,
    // and then the string is unchanged. A null string takes over a
    // QebString (so null + null stays null) but becomes non-null when given
    // any char text, even an empty one.
    QebString &append(const QebString &other, bool *failed = nullptr);
    // The first `chars` characters of text; negative: all of it.
    QebString &append(const char *text, int chars, bool *failed = nullptr);
    QebString &append(const char *text, bool *failed = nullptr);

    // Null sorts before everything; case-sensitive is byte order giving -1,
    // 0 or 1; case-insensitive compares by Unicode case folding (sign only).
    [[nodiscard]] int compare(const char *other, bool caseSensitive = true) const;
    [[nodiscard]] int compare(const QebString &other, bool caseSensitive = true) const;

    // First occurrence at or after character `start` (negative: 0), or -1.
    // An empty or null needle is never found.
    [[nodiscard]] int find(const QebString &needle, int start = 0) const;
    // Last occurrence, overlapping ones included ("aa" in "aaa" is at 1).
    [[nodiscard]] int rfind(const QebString &needle) const;
    // Up to `count` characters from `start` (negative count: the rest). Null
    // for a null string; empty when start is past the end.
    [[nodiscard]] QebString mid(unsigned int start, int count = -1) const;
    // The last n characters (all when n is larger, none when negative).
    [[nodiscard]] QebString right(int n) const;
    // A copy with the occurrences of `from` at or after `start` replaced by
    // `to`, left to right without overlap: all of them when count is
    // negative, at most `count` otherwise. Null for a null string or when
    // memory ran out.
    [[nodiscard]] QebString replace(const QebString &from, const QebString &to,
                      unsigned int start = 0, int count = -1) const;

    // In-place edits (copy on write). trim removes white space, trimChar the
    // code point ch, from the chosen ends, returning the characters removed
    // (0 and unchanged when memory ran out).
    int trim(bool left = true, bool right = true);
    int trimChar(int ch, bool left = true, bool right = true);
    // Unicode case mapping; false only when memory ran out (then unchanged).
    bool lowercase();
    bool uppercase();
    // Keeps the first n characters; the string becomes null when the copy
    // it needs cannot be made.
    void truncate(unsigned int n);

    // Parsing by the string library's syntax (optional blanks and sign,
    // digits; doubles with fraction and exponent). On failure the result is
    // 0 and *failed (when given) is true; a null string always fails.
    [[nodiscard]] int asInt(bool *failed = nullptr) const;
    [[nodiscard]] long long asInt64(bool *failed = nullptr) const;
    [[nodiscard]] double asDouble(bool *failed = nullptr) const;

    // Wide text (see <qeb/qebconvert.h>). asUCS2 returns a new converter
    // holding the text as UTF-16 (a null string gives one 0 unit), to be
    // given back with its release(); null when memory ran out.
    [[nodiscard]] QeUtf8ToUC *asUCS2() const;
    // Assigns the UTF-8 form of the 0-terminated wide text, as assign(const
    // char *) does; unchanged when memory for the conversion ran out. A null
    // wide makes the string null.
    const QebString &fromUCS2(const unsigned short *wide);

private:
    struct InternalString {
        char *text;
        int refCount;
        unsigned int capacity;    // buffer bytes, the NUL included
        unsigned int byteLength;  // without the NUL
        unsigned int charLength;
        // [0, checkedBytes) is known to be well-formed and to hold
        // checkedChars characters, so positions there are found by counting
        // lead bytes. Grows as positions are sought; appends keep it,
        // truncation cuts it back, other changes clear it.
        unsigned int checkedBytes;
        unsigned int checkedChars;
    };

    // Where a short text sits: in the record's block, right after it.
    static char *inlineTextOf(InternalString *record) { return reinterpret_cast<char *>(record + 1); }
    static InternalString *newString(unsigned int size);
    static void releaseString(InternalString *record);
    static void freeString(InternalString *record);
    static bool moveToRoom(InternalString *record, unsigned int newLength);
    bool appendUnshared(const char *text);
    QebString &appendText(const char *text, int chars, int bytes, bool *failed);
    void replaceString(InternalString *record);
    bool doAssign(const char *text, int chars, int bytes);
    bool doAppend(const char *text, int chars, int bytes);
    bool convertStatic();
    bool prepWrite();
    bool changeCase(int (*convert)(const char *, char *, int));
    int trimWhere(bool left, bool right, bool (*isTrimmed)(const char *, int *, int), int ch);
    // The start of character n (the NUL when n is the length), null beyond.
    const char *seekChar(unsigned int n) const;
    // Characters in [from, to), both character boundaries of the text.
    int charsBetween(const char *from, const char *to) const;

    InternalString *mString;
    const char *mStatic;
    unsigned int mStaticLength;
    unsigned int mStaticSize;

    friend class QebStringTestAccess;
};

// Copying and destroying only count references: inline, so that sharing a
// text costs no call.
inline QebString::QebString(const QebString &other)
    : mString(other.mString), mStatic(other.mStatic), mStaticLength(other.mStaticLength),
      mStaticSize(other.mStaticSize) {
    if (mString) ++mString->refCount;
}

inline QebString::~QebString() {
    if (mString && --mString->refCount < 1) freeString(mString);
}

[[nodiscard]] QEB_API bool operator<(const QebString &a, const QebString &b);

struct QEB_API QebStringLess {
    [[nodiscard]] bool operator()(const QebString &a, const QebString &b) const;
};

struct QEB_API QebStringLessInsensitive {
    [[nodiscard]] bool operator()(const QebString &a, const QebString &b) const;
};

// A new unique identifier text of at most 23 characters (URL-safe base64 of
// 128 random bits); empty only when the system gives no random bits.
[[nodiscard]] QEB_API QebString qebGetUUID();

#endif
