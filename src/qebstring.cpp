#include <qeb/qebstring.h>

#include <qeb/qebmempool.h>

#include "ks_uchar.h"
#include "ks_uniq.h"
#include "qebstring_parse.h"
#include "qes_num.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

const char kEmptyText[] = "";

// Texts stay below 2 GiB so that every position fits an int.
constexpr size_t kMaxBytes = INT_MAX - 1;

void *poolAlloc(size_t size) {
    void *p = nullptr;
    if (size > UINT_MAX) return nullptr;
    QebMemPool::getBytes(static_cast<unsigned int>(size), &p);
    return p;
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Where the last character of text[0, end) starts, end > 0: a byte that is
// no trail byte always starts one, and a character takes at most three
// trail bytes, so a trail byte four places after any other byte stands
// alone.
unsigned int lastCharStart(const char *text, unsigned int end) {
    for (unsigned int p = end; p > 0 && end - p < 4;)
        if (!isContinuationByte(text[--p])) return p;
    return end - 1;
}

// The byte count of (text, chars, bytes), counted only where unknown; chars
// becomes unknown when the text has fewer characters.
size_t settleBytes(const char *text, int &chars, int bytes) {
    if (bytes >= 0) return size_t(bytes);
    if (chars >= 0) {
        if (const char *end = ks_uchar_seek(text, chars)) return size_t(end - text);
        chars = -1;
    }
    return std::strlen(text);
}

// The smallest power of two above n: the capacity that doubling from a
// one-byte buffer reaches.
size_t capacityAbove(size_t n) {
    size_t capacity = 1;
    while (capacity <= n) capacity *= 2;
    return capacity;
}

int byteCompare(const char *a, const char *b) {
    const int r = std::strcmp(a, b);
    return (r > 0) - (r < 0);
}

// The first occurrence of needle in [from, end), or null. The standard
// library's search skips to candidates with memchr, which strstr, having
// to watch for the NUL as well, does not.
const char *findIn(const char *from, const char *end, const QebString &needle) {
    const std::string_view text(from, size_t(end - from));
    const size_t at = text.find(std::string_view(needle.asCstr(), needle.cStrSize() - 1));
    return at == std::string_view::npos ? nullptr : from + at;
}

bool isSpaceAt(const char *p, int *len, int) { return ks_uchar_isspace(p, len) != 0; }
// The character library reads the NUL as code point 0; it ends the text and
// is never trimmed.
bool isCodePointAt(const char *p, int *len, int ch) { return *p != '\0' && ks_uchar_toint(p, len) == ch; }

template <class T, class Parser>
T parseOrZero(const QebString &s, bool *failed, Parser parse) {
    T value{};
    const bool ok = !s.isNull() && parse(s.asCstr(), &value);
    if (failed) *failed = !ok;
    return ok ? value : T{};
}

}  // namespace

// ---- records -------------------------------------------------------------

// A text of up to this many bytes (its NUL included) lives in its record's
// block: one allocation instead of two for the many short strings.
constexpr size_t kInlineTextBytes = 32;

QebString::InternalString *QebString::newString(unsigned int size) {
    const size_t textBytes = size_t(size) + 1;
    const bool inlineText = textBytes <= kInlineTextBytes;
    auto *record = static_cast<InternalString *>(poolAlloc(sizeof(InternalString) + (inlineText ? textBytes : 0)));
    if (!record) return nullptr;
    record->text = inlineText ? inlineTextOf(record) : static_cast<char *>(poolAlloc(textBytes));
    if (!record->text) {
        QebMemPool::freeBytes(record);
        return nullptr;
    }
    record->refCount = 1;
    record->capacity = size + 1;
    record->byteLength = 0;
    record->charLength = 0;
    record->checkedBytes = 0;
    record->checkedChars = 0;
    return record;
}

void QebString::releaseString(InternalString *record) {
    if (record && --record->refCount < 1) freeString(record);
}

void QebString::freeString(InternalString *record) {
    if (record->text != inlineTextOf(record)) QebMemPool::freeBytes(record->text);
    QebMemPool::freeBytes(record);
}

void QebString::replaceString(InternalString *record) {
    InternalString *old = mString;
    mString = record;
    mStatic = nullptr;
    mStaticLength = 0;
    mStaticSize = 0;
    releaseString(old);
}

bool QebString::doAssign(const char *text, int chars, int bytes) {
    InternalString *kept = mString;
    mString = nullptr;
    mStatic = nullptr;
    mStaticLength = 0;
    mStaticSize = 0;
    // The new text is copied before the kept one is released, so a string
    // may be assigned its own text or a part of it.
    const size_t size = settleBytes(text, chars, bytes);
    InternalString *record =
        size <= kMaxBytes ? newString(unsigned(capacityAbove(size) - 1)) : nullptr;
    if (record) {
        std::memcpy(record->text, text, size);
        record->text[size] = '\0';
        record->byteLength = static_cast<unsigned int>(size);
        record->charLength = chars >= 0 ? unsigned(chars) : unsigned(ks_uchar_length(record->text));
        mString = record;
    }
    releaseString(kept);
    return record != nullptr;
}

// Gives an unshared record a buffer, doubled from its capacity, for newLength
// bytes and the NUL, holding its text; the old buffer is the caller's to free.
bool QebString::moveToRoom(InternalString *record, unsigned int newLength) {
    size_t capacity = record->capacity;
    while (capacity <= newLength) capacity *= 2;
    char *buffer = static_cast<char *>(poolAlloc(capacity));
    if (!buffer) return false;
    std::memcpy(buffer, record->text, record->byteLength);
    record->text = buffer;
    record->capacity = static_cast<unsigned int>(capacity);
    return true;
}

bool QebString::doAppend(const char *text, int chars, int bytes) {
    const size_t size = settleBytes(text, chars, bytes);
    InternalString *record = mString;
    if (size > kMaxBytes - record->byteLength) return false;
    const unsigned int oldLength = record->byteLength;
    const unsigned int newLength = oldLength + static_cast<unsigned int>(size);
    // A text starting with a trail byte may complete a sequence left open at
    // the end, so the characters from the last one that starts near the end
    // are counted again (the whole text would make a loop of appends
    // quadratic).
    if (size > 0 && oldLength > 0 && isContinuationByte(text[0])) chars = -1;
    unsigned int recountFrom = oldLength, charsBefore = record->charLength;
    if (chars < 0 && oldLength > 0) {
        // The old text's last bytes, counted on their own: at most four,
        // and the text need not end in a NUL before the append writes one.
        recountFrom = lastCharStart(record->text, oldLength);
        char oldTail[5] = {};
        std::memcpy(oldTail, record->text + recountFrom, oldLength - recountFrom);
        charsBefore -= unsigned(ks_uchar_length(oldTail));
    }

    if (record->refCount > 1) {
        InternalString *copy = newString(newLength);
        if (!copy) return false;
        std::memcpy(copy->text, record->text, oldLength);
        std::memcpy(copy->text + oldLength, text, size);
        copy->charLength = record->charLength;
        replaceString(copy);
        record = copy;
    } else if (newLength >= record->capacity) {
        // The old buffer goes only after the copy, as text may point into it.
        char *old = record->text;
        if (!moveToRoom(record, newLength)) return false;
        std::memcpy(record->text + oldLength, text, size);
        if (old != inlineTextOf(record)) QebMemPool::freeBytes(old);
    } else {
        std::memmove(record->text + oldLength, text, size);
    }
    record->text[newLength] = '\0';
    record->byteLength = newLength;
    record->charLength = chars >= 0 ? record->charLength + unsigned(chars)
                                    : charsBefore + unsigned(ks_uchar_length(record->text + recountFrom));
    return true;
}

bool QebString::convertStatic() {
    const char *text = mStatic;
    const unsigned int chars = mStaticLength, bytes = mStaticSize;
    if (doAssign(text, int(chars), int(bytes))) return true;
    mStatic = text;
    mStaticLength = chars;
    mStaticSize = bytes;
    return false;
}

bool QebString::prepWrite() {
    if (mStatic) return convertStatic();
    if (!mString) return doAssign(kEmptyText, 0, 0);
    if (mString->refCount == 1) return true;
    InternalString *copy = newString(mString->byteLength);
    if (!copy) return false;
    std::memcpy(copy->text, mString->text, size_t(mString->byteLength) + 1);
    copy->byteLength = mString->byteLength;
    copy->charLength = mString->charLength;
    replaceString(copy);
    return true;
}

// ---- construction and access ---------------------------------------------

QebString::QebString() : mString(nullptr), mStatic(nullptr), mStaticLength(0), mStaticSize(0) {}

QebString::QebString(const char *text, bool isStatic) : QebString() {
    if (!text) return;
    if (isStatic) {
        mStatic = text;
        mStaticSize = unsigned(std::strlen(text));
        mStaticLength = unsigned(ks_uchar_tell(text, text + mStaticSize));
    } else {
        doAssign(text, -1, -1);
    }
}

const QebString &QebString::operator=(const QebString &other) {
    const bool same = (mStatic || other.mStatic) ? mStatic == other.mStatic : mString == other.mString;
    if (same) return *this;
    InternalString *old = mString;
    mString = other.mString;
    mStatic = other.mStatic;
    mStaticLength = other.mStaticLength;
    mStaticSize = other.mStaticSize;
    if (mString) ++mString->refCount;
    releaseString(old);
    return *this;
}

void QebString::setNull() { replaceString(nullptr); }

bool QebString::isNull() const { return !mString && !mStatic; }

const char *QebString::asCstr() const {
    if (mStatic) return mStatic;
    return mString ? mString->text : kEmptyText;
}

unsigned int QebString::length() const {
    if (mStatic) return mStaticLength;
    return mString ? mString->charLength : 0;
}

unsigned int QebString::cStrSize() const {
    if (mStatic) return mStaticSize + 1;
    return mString ? mString->byteLength + 1 : 1;
}

// ---- assignment and appending ----------------------------------------------

const QebString &QebString::assign(const char *text) {
    if (text)
        doAssign(text, -1, -1);
    else
        setNull();
    return *this;
}

const QebString &QebString::assign(const char *text, int chars) {
    if (text)
        doAssign(text, chars, -1);
    else
        setNull();
    return *this;
}

const QebString &QebString::assignBytes(const char *text, int maxBytes) {
    if (!text) {
        setNull();
        return *this;
    }
    int total = 0, chars = 0, len = 0;
    for (const char *p = text; *p; p += len) {
        if (ks_uchar_toint(p, &len) < 0 || len > maxBytes - total) break;
        total += len;
        ++chars;
    }
    doAssign(text, chars, total);
    return *this;
}

QebString &QebString::append(const QebString &other, bool *failed) {
    bool ok = true;
    if (mStatic && !convertStatic()) {
        ok = false;
    } else if (!mString) {
        *this = other;
    } else if (other.mStatic) {
        ok = doAppend(other.mStatic, int(other.mStaticLength), int(other.mStaticSize));
    } else if (other.mString) {
        ok = doAppend(other.mString->text, int(other.mString->charLength), int(other.mString->byteLength));
    }
    if (failed) *failed = !ok;
    return *this;
}

// Appends (text, chars, bytes): a borrowed string is copied first, a null one
// takes the text as its own. A null text appends nothing.
QebString &QebString::appendText(const char *text, int chars, int bytes, bool *failed) {
    bool ok = true;
    if (!text) {
        // Nothing to append.
    } else if (mStatic && !convertStatic()) {
        ok = false;
    } else if (!mString) {
        ok = doAssign(text, chars, bytes);
    } else if (chars != 0) {
        ok = doAppend(text, chars, bytes);
    }
    if (failed) *failed = !ok;
    return *this;
}

QebString &QebString::append(const char *text, int chars, bool *failed) {
    return appendText(text, chars, -1, failed);
}

// The common case of appending to an unshared text with room to spare,
// done in one pass over a short text; false when it does not apply.
bool QebString::appendUnshared(const char *text) {
    InternalString *record = mString;
    if (!record || record->refCount != 1) return false;
    const unsigned int room = record->capacity - record->byteLength;  // the NUL's byte included
    // Copies while it measures; the NUL goes back if it turns out otherwise.
    char *end = record->text + record->byteLength;
    unsigned int bytes = 0;
    unsigned char high = 0;
    for (; bytes < room; ++bytes) {
        const char c = text[bytes];
        end[bytes] = c;
        if (!c) break;
        high |= static_cast<unsigned char>(c);
    }
    if (bytes == room || high >= 0x80) {  // no room, or characters to count
        end[0] = '\0';
        return false;
    }
    record->byteLength += bytes;
    record->charLength += bytes;
    return true;
}

QebString &QebString::append(const char *text, bool *failed) {
    if (!text) return appendText(text, 0, 0, failed);
    if (appendUnshared(text)) {
        if (failed) *failed = false;
        return *this;
    }
    // Counting with the end known settles the bytes in the same walk.
    const size_t bytes = std::strlen(text);
    return appendText(text, ks_uchar_tell(text, text + bytes), int(bytes), failed);
}

// ---- comparison --------------------------------------------------------------

int QebString::compare(const char *other, bool caseSensitive) const {
    if (isNull()) return other ? -1 : 0;
    if (!other) return 1;
    return caseSensitive ? byteCompare(asCstr(), other) : ks_uchar_icomp(asCstr(), other);
}

int QebString::compare(const QebString &other, bool caseSensitive) const {
    return compare(other.isNull() ? nullptr : other.asCstr(), caseSensitive);
}

bool operator<(const QebString &a, const QebString &b) { return a.compare(b, true) < 0; }

bool QebStringLess::operator()(const QebString &a, const QebString &b) const {
    return a.compare(b, true) < 0;
}

bool QebStringLessInsensitive::operator()(const QebString &a, const QebString &b) const {
    return a.compare(b, false) < 0;
}

// ---- search and extraction ----------------------------------------------------

int QebString::find(const QebString &needle, int start) const {
    if (needle.length() == 0 || isNull()) return -1;
    if (start < 0) start = 0;
    const char *origin = seekChar(unsigned(start));
    if (!origin) return -1;
    const char *match = findIn(origin, asCstr() + cStrSize() - 1, needle);
    return match ? charsBetween(origin, match) + start : -1;
}

int QebString::rfind(const QebString &needle) const {
    if (needle.length() == 0 || isNull()) return -1;
    const char *text = asCstr();
    const char *last = nullptr;
    for (const char *match = std::strstr(text, needle.asCstr()); match;) {
        last = match;
        const char *next = ks_uchar_seek(match, 1);
        match = next ? std::strstr(next, needle.asCstr()) : nullptr;
    }
    return last ? charsBetween(text, last) : -1;
}

const char *QebString::seekChar(unsigned int n) const {
    const char *text = asCstr();
    const unsigned int bytes = cStrSize() - 1, chars = length();
    if (n > chars) return nullptr;
    if (n == chars) return text + bytes;
    if (chars == bytes) return text + n;  // every character a byte: a position is an offset
    if (!mString) return ks_uchar_seek_bounded(text, text + bytes, int(n), nullptr);
    InternalString &record = *mString;
    if (n <= record.checkedChars) return ks_uchar_seek_wellformed(text, text + record.checkedBytes, int(n));
    bool wellFormed = false;
    const char *at = ks_uchar_seek_bounded(text + record.checkedBytes, text + bytes, int(n - record.checkedChars),
                                           &wellFormed);
    // Written by a reading call, which is safe: a text and its copies are
    // used by one thread at a time.
    if (at && wellFormed) {
        record.checkedBytes = unsigned(at - text);
        record.checkedChars = n;
    }
    return at;
}

int QebString::charsBetween(const char *from, const char *to) const {
    if (length() == cStrSize() - 1) return int(to - from);
    if (mString && to <= mString->text + mString->checkedBytes) return ks_uchar_count_wellformed(from, to);
    return ks_uchar_tell(from, to);
}

QebString QebString::mid(unsigned int start, int count) const {
    QebString result;
    if (isNull()) return result;
    const char *origin = seekChar(start);
    if (!origin) {
        result.doAssign(kEmptyText, 0, 0);
        return result;
    }
    // The rest of the text has known counts; only a shorter piece is sought,
    // from its start, at a cost in proportion to the piece, and not at all
    // when every character is a byte.
    const char *end = asCstr() + cStrSize() - 1;
    const unsigned int rest = length() - start;
    const unsigned int chars = count < 0 || unsigned(count) >= rest ? rest : unsigned(count);
    if (chars < rest)
        end = length() == cStrSize() - 1 ? origin + chars : ks_uchar_seek_bounded(origin, end, int(chars), nullptr);
    result.doAssign(origin, int(chars), int(end - origin));
    return result;
}

QebString QebString::right(int n) const {
    long long start = (long long)length() - n;
    if (start < 0) start = 0;
    if (start > length()) start = length();
    return mid(unsigned(start), -1);
}

QebString QebString::replace(const QebString &from, const QebString &to, unsigned int start,
                             int count) const {
    QebString result;
    if (isNull()) return result;
    const char *text = asCstr();
    const char *cursor = seekChar(start);
    if (!cursor) return mid(0, -1);  // nothing at or after start

    // One pass with a byte cursor: each search resumes where the last
    // occurrence ended instead of seeking its position from the start.
    bool ok = result.doAssign(text, int(start), int(cursor - text));
    const char *end = text + cStrSize() - 1;
    // Room for the text as it stands, all a replacement no longer than what
    // it replaces needs: the appends below then never move it.
    if (ok && to.cStrSize() <= from.cStrSize() && result.mString->capacity <= cStrSize() - 1) {
        char *old = result.mString->text;
        ok = moveToRoom(result.mString, cStrSize() - 1);
        if (ok && old != inlineTextOf(result.mString)) QebMemPool::freeBytes(old);
    }
    const size_t fromBytes = from.cStrSize() - 1;
    const char *toText = to.asCstr();
    const int toChars = int(to.length()), toBytes = int(to.cStrSize() - 1);
    for (const char *match; ok && count != 0 && fromBytes > 0 && (match = findIn(cursor, end, from));) {
        ok = result.doAppend(cursor, charsBetween(cursor, match), int(match - cursor)) &&
             result.doAppend(toText, toChars, toBytes);
        cursor = match + fromBytes;
        if (count > 0) --count;
    }
    if (ok) ok = result.doAppend(cursor, charsBetween(cursor, end), int(end - cursor));
    if (!ok) result.setNull();
    return result;
}

// ---- in-place editing ------------------------------------------------------------

int QebString::trimWhere(bool left, bool right, bool (*isTrimmed)(const char *, int *, int), int ch) {
    if (!(left || right) || isNull()) return 0;
    const char *text = asCstr();
    const char *p = text;
    int len = 0, leading = 0, trailing = 0;
    if (left) {
        for (; isTrimmed(p, &len, ch); p += len) ++leading;
    }
    const char *keptStart = p;
    const char *keptEnd = text + (cStrSize() - 1);
    if (right) {
        const char *run = nullptr;
        for (; *p; p += len) {
            if (!isTrimmed(p, &len, ch)) {
                run = nullptr;
            } else if (!run) {
                run = p;
                trailing = 1;
            } else {
                ++trailing;
            }
        }
        if (run)
            keptEnd = run;
        else
            trailing = 0;
    }
    if (leading == 0 && trailing == 0) return 0;
    const size_t from = size_t(keptStart - text), to = size_t(keptEnd - text);
    if (!prepWrite()) return 0;
    char *writable = mString->text;
    std::memmove(writable, writable + from, to - from);
    writable[to - from] = '\0';
    mString->byteLength = unsigned(to - from);
    mString->charLength -= unsigned(leading + trailing);
    mString->checkedBytes = mString->checkedChars = 0;
    return leading + trailing;
}

int QebString::trim(bool left, bool right) { return trimWhere(left, right, isSpaceAt, 0); }

int QebString::trimChar(int ch, bool left, bool right) {
    return trimWhere(left, right, isCodePointAt, ch);
}

bool QebString::changeCase(int (*convert)(const char *, char *, int)) {
    if (isNull()) return true;
    const int size = convert(asCstr(), nullptr, -1);
    if (size == 0) return true;
    if (size < 0 || size_t(size) > kMaxBytes) return false;
    InternalString *record = newString(unsigned(size));
    if (!record) return false;
    convert(asCstr(), record->text, size + 1);
    record->byteLength = unsigned(size);
    record->charLength = unsigned(ks_uchar_length(record->text));
    replaceString(record);
    return true;
}

bool QebString::lowercase() { return changeCase(ks_uchar_lower); }

bool QebString::uppercase() { return changeCase(ks_uchar_upper); }

void QebString::truncate(unsigned int n) {
    if (isNull() || length() <= n) return;
    // Found before the copy that writing may need: it has the same bytes.
    const unsigned int kept = unsigned(seekChar(n) - asCstr());
    if (!prepWrite()) {
        setNull();
        return;
    }
    InternalString &record = *mString;
    record.text[kept] = '\0';
    record.byteLength = kept;
    record.charLength = n;
    if (record.checkedBytes > kept) {  // a well-formed prefix stays well-formed
        record.checkedBytes = kept;
        record.checkedChars = n;
    }
}

// ---- numbers --------------------------------------------------------------------

namespace {
// Formats with the C locale's rules, so the decimal separator is always a
// full stop.
template <class... Format>
int formatNumber(char (&buffer)[32], Format... format) {
    return int(std::to_chars(buffer, buffer + sizeof buffer, format...).ptr - buffer);
}
}  // namespace

const QebString &QebString::assign(int value) {
    char buffer[32];
    const int size = formatNumber(buffer, value);
    doAssign(buffer, size, size);
    return *this;
}

const QebString &QebString::assign(long long value) {
    char buffer[32];
    const int size = formatNumber(buffer, value);
    doAssign(buffer, size, size);
    return *this;
}

const QebString &QebString::assign(unsigned long long value) {
    char buffer[32];
    const int size = formatNumber(buffer, value);
    doAssign(buffer, size, size);
    return *this;
}

const QebString &QebString::assign(double value) {
    char buffer[32];
    const int size = formatNumber(buffer, value, std::chars_format::general, 15);
    doAssign(buffer, size, size);
    return *this;
}

bool parseIntText(const char *text, int *result) { return qes_numparse(text, result, 0, 0) > 0; }

bool parseInt64Text(const char *text, long long *result) {
    return qes_numparse64(text, result, 0, 0) > 0;
}

bool parseDoubleText(const char *text, double *result) { return qes_numparsedbl(text, result) > 0; }

int QebString::asInt(bool *failed) const { return parseOrZero<int>(*this, failed, parseIntText); }

long long QebString::asInt64(bool *failed) const {
    return parseOrZero<long long>(*this, failed, parseInt64Text);
}

double QebString::asDouble(bool *failed) const {
    return parseOrZero<double>(*this, failed, parseDoubleText);
}

QebString qebGetUUID() {
    char text[KS_UNIQ_S64_SIZE];
    ks_uniq_s64(text);
    return QebString(text);
}
