#include <qeb/qebdatavar.h>

#include <qeb/qebmempool.h>

#include "ks_uchar.h"
#include "qebstring_parse.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <new>

namespace {

void *poolAlloc(unsigned int size) {
    void *p = nullptr;
    QebMemPool::getBytes(size, &p);
    return p;
}

int signOf(long long difference) { return (difference > 0) - (difference < 0); }

template <class T>
int compareValues(T a, T b) {
    return a < b ? -1 : (a == b ? 0 : 1);
}

// Within a type, a null number or date orders before every other value and
// equal to the others like it, so that the ordering stays a strict weak one.
int nullsFirst(bool aNull, bool bNull) { return int(bNull) - int(aNull); }

}  // namespace

// ---- bodies --------------------------------------------------------------------

void QebDatavar::releaseBody(InternalDatavar *body) {
    if (body && --body->refCount < 1) destroyBody(body);
}

void QebDatavar::destroyBody(InternalDatavar *body) {
    if (body->type == qebTypeReal)
        delete static_cast<QebReal *>(body->data);
    else
        QebMemPool::freeBytes(body->data);
    QebMemPool::freeBytes(body);
}

// A body not shared with any other value, its old content left for
// setStorage. The new body is taken before the shared one is let go, so a
// failure leaves the value as it was.
bool QebDatavar::ownBody() {
    if (mData && mData->refCount < 2) return true;
    auto *body = static_cast<InternalDatavar *>(poolAlloc(sizeof(InternalDatavar)));
    if (!body) return false;
    *body = InternalDatavar{0, nullptr, 1, qebTypeUnknown, 0};
    releaseBody(mData);
    mData = body;
    return true;
}

// Gives the own body the type and `size` zeroed bytes of storage (a QebReal
// for Real); on failure the caller makes the value null.
bool QebDatavar::setStorage(qebType type, unsigned int size) {
    InternalDatavar *body = mData;
    const bool wasReal = body->type == qebTypeReal;
    if (wasReal && type != qebTypeReal) {
        delete static_cast<QebReal *>(body->data);
        body->data = nullptr;
    }
    if (type == qebTypeReal) {
        if (!wasReal) {
            QebMemPool::freeBytes(body->data);
            body->data = nullptr;
            body->dataSize = 0;
        }
        body->type = qebTypeReal;
        if (!body->data) body->data = new (std::nothrow) QebReal();
        return body->data != nullptr;
    }
    body->type = type;
    const int fixedSize = getRawSizeReq(type);
    if (fixedSize > 0) size = unsigned(fixedSize);
    if (size == 0) return false;
    if (size != body->dataSize) {
        void *block = poolAlloc(size);
        if (!block) return false;
        QebMemPool::freeBytes(body->data);
        body->data = block;
        body->dataSize = size;
    }
    std::memset(body->data, 0, size);
    return true;
}

bool QebDatavar::newInstance(bool copy) {
    if (mData && mData->refCount <= 1) return true;
    auto *body = static_cast<InternalDatavar *>(poolAlloc(sizeof(InternalDatavar)));
    if (!body) return false;
    *body = InternalDatavar{0, nullptr, 1, qebTypeUnknown, 0};
    if (copy && mData) {
        body->type = mData->type;
        body->dataSize = mData->dataSize;
        body->charLength = mData->charLength;
        if (mData->data) {
            body->data = poolAlloc(mData->dataSize);
            if (!body->data) {
                QebMemPool::freeBytes(body);
                return false;
            }
            std::memcpy(body->data, mData->data, mData->dataSize);
        }
    }
    releaseBody(mData);
    mData = body;
    return true;
}

// Whether p points into this value's own storage, which an assignment
// zero-fills before it copies.
bool QebDatavar::storesInOwnBody(const void *p) const {
    if (!mData || !mData->data || !p) return false;
    const char *start = static_cast<const char *>(mData->data);
    const char *end = mData->type == qebTypeReal ? start + sizeof(QebReal) : start + mData->dataSize;
    const char *q = static_cast<const char *>(p);
    return q >= start && q < end;
}

QebReal *QebDatavar::real() const {
    return mData && mData->type == qebTypeReal ? static_cast<QebReal *>(mData->data) : nullptr;
}

// ---- construction and state ---------------------------------------------------

QebDatavar::QebDatavar() : mData(nullptr) {}

const QebDatavar &QebDatavar::operator=(const QebDatavar &other) {
    if (mData == other.mData) return *this;
    if (other.mData) ++other.mData->refCount;
    releaseBody(mData);
    mData = other.mData;
    return *this;
}

qebType QebDatavar::type() const { return mData ? mData->type : qebTypeUnknown; }

bool QebDatavar::isNull() const {
    if (!mData) return true;
    if (mData->type != qebTypeReal) return false;
    return !real() || real()->isNull();
}

void QebDatavar::setNull() {
    releaseBody(mData);
    mData = nullptr;
}

int QebDatavar::length() const {
    return mData && mData->type == qebTypeString ? int(mData->charLength) : -1;
}

const void *QebDatavar::getRaw(unsigned int *size) const {
    unsigned int bytes = 0;
    const void *raw = nullptr;
    if (QebReal *number = real()) {
        raw = number->rawWords();
        bytes = 24;
    } else if (mData) {
        raw = mData->data;
        bytes = mData->dataSize;
    }
    if (size) *size = bytes;
    return raw;
}

int QebDatavar::getRawSizeReq(qebType type) {
    switch (type) {
        case qebTypeBoolean: return 1;
        case qebTypeInteger: return 8;
        case qebTypeReal: return 24;
        case qebTypeDate: return 8;
        default: return 0;
    }
}

// ---- assignment -------------------------------------------------------------------

// Stores `bytes` bytes of text and a NUL; chars < 0 counts them.
const QebDatavar &QebDatavar::assignString(const char *text, unsigned int bytes, int chars) {
    if (storesInOwnBody(text)) {
        QebDatavar copy;
        copy.assignString(text, bytes, chars);
        return *this = copy;
    }
    if (bytes == UINT_MAX || !ownBody()) return *this;
    if (!setStorage(qebTypeString, bytes + 1)) {
        setNull();
        return *this;
    }
    char *stored = static_cast<char *>(mData->data);
    std::memcpy(stored, text, bytes);
    mData->charLength = chars >= 0 ? unsigned(chars) : unsigned(ks_uchar_length(stored));
    return *this;
}

const QebDatavar &QebDatavar::assign(const char *text) {
    if (!text) {
        setNull();
        return *this;
    }
    const size_t bytes = std::strlen(text);
    if (bytes >= UINT_MAX) return *this;
    return assignString(text, unsigned(bytes), -1);
}

const QebDatavar &QebDatavar::assign(const char *text, unsigned int chars) {
    if (!text) {
        setNull();
        return *this;
    }
    const char *end = chars > unsigned(INT_MAX) ? nullptr : ks_uchar_seek(text, int(chars));
    if (!end) return assign(text);
    return assignString(text, unsigned(end - text), int(chars));
}

const QebDatavar &QebDatavar::assignBytes(const char *text, unsigned int maxBytes) {
    if (!text) {
        setNull();
        return *this;
    }
    unsigned int total = 0;
    int chars = 0, len = 0;
    for (const char *p = text; *p; p += len) {
        if (ks_uchar_toint(p, &len) < 0 || unsigned(len) > maxBytes - total) break;
        total += unsigned(len);
        ++chars;
    }
    return assignString(text, total, chars);
}

const QebDatavar &QebDatavar::assign(const QebString &text) {
    if (text.isNull()) {
        setNull();
        return *this;
    }
    return assignString(text.asCstr(), text.cStrSize() - 1, int(text.length()));
}

const QebDatavar &QebDatavar::assign(const QebReal &value) {
    if (value.isNull()) {
        setNull();
        return *this;
    }
    const QebReal copy(value);  // value may be the number this body holds
    if (!ownBody()) return *this;
    if (!setStorage(qebTypeReal, 0)) {
        setNull();
        return *this;
    }
    *real() = copy;
    return *this;
}

const QebDatavar &QebDatavar::assign(float value) { return assign(double(value)); }

const QebDatavar &QebDatavar::assign(double value) {
    if (!ownBody()) return *this;
    if (!setStorage(qebTypeReal, 0)) {
        setNull();
        return *this;
    }
    real()->assign(value);
    return *this;
}

const QebDatavar &QebDatavar::assign(int value) { return assign(static_cast<long long>(value)); }

const QebDatavar &QebDatavar::assign(long long value) {
    return assign(qebTypeInteger, &value, sizeof value);
}

const QebDatavar &QebDatavar::assign(bool value) {
    const unsigned char byte = value ? 1 : 0;
    return assign(qebTypeBoolean, &byte, 1);
}

const QebDatavar &QebDatavar::assign(const QebDate &value) {
    if (value.isNull()) {
        setNull();
        return *this;
    }
    const double days = value.asDouble();
    return assign(qebTypeDate, &days, sizeof days);
}

const QebDatavar &QebDatavar::assign(qebType type, const void *data, unsigned int size) {
    if (!data || size == 0) {
        setNull();
        return *this;
    }
    if (storesInOwnBody(data)) {
        QebDatavar copy;
        copy.assign(type, data, size);
        return *this = copy;
    }
    if (!ownBody()) return *this;
    if (!setStorage(type, size)) {
        setNull();
        return *this;
    }
    if (type == qebTypeReal) {
        if (size == 24) {
            unsigned long long words[3];  // the data need not be aligned
            std::memcpy(words, data, sizeof words);
            real()->assign(&words);
        }
        return *this;
    }
    if (size != mData->dataSize) return *this;
    std::memcpy(mData->data, data, size);
    if (type == qebTypeString) {
        // A text without its NUL must not run past the block.
        char *text = static_cast<char *>(mData->data);
        text[size - 1] = '\0';
        mData->charLength = unsigned(ks_uchar_length(text));
    }
    return *this;
}

void QebDatavar::truncate(int maxChars, int maxBytes) {
    if (!mData || mData->type != qebTypeString) return;
    if (maxChars < 0) maxChars = 0;
    if (maxBytes < -1) maxBytes = 0;
    const unsigned int bytes = mData->dataSize - 1;
    if (mData->charLength <= unsigned(maxChars) && (maxBytes == -1 || bytes <= unsigned(maxBytes)))
        return;
    if (!newInstance(true)) {
        setNull();
        return;
    }
    char *text = static_cast<char *>(mData->data);
    const int budget = maxBytes == -1 || unsigned(maxBytes) >= bytes ? int(mData->dataSize)
                                                                     : maxBytes + 1;
    const int kept = ks_uchar_bufncopy(text, text, budget, maxChars);
    mData->dataSize = unsigned(kept) + 1;
    mData->charLength = unsigned(ks_uchar_length(text));
}

// ---- conversions -------------------------------------------------------------------

namespace {

// Sets the optional failure flag and gives the fallback when failing.
template <class T>
T report(bool *failed, bool failing, T value) {
    if (failed) *failed = failing;
    return failing ? T{} : value;
}

bool textIs(const char *text, const char *word) { return ks_uchar_icomp(text, word) == 0; }

}  // namespace

long long QebDatavar::asInt64(bool *failed) const {
    if (!mData) return report(failed, false, 0LL);
    const void *data = mData->data;
    switch (mData->type) {
        case qebTypeBoolean: return report(failed, false, *static_cast<const unsigned char *>(data) ? 1LL : 0LL);
        case qebTypeInteger: return report(failed, false, *static_cast<const long long *>(data));
        case qebTypeReal: {
            bool realFailed = false;
            const long long value = real()->asInt64(&realFailed);
            return report(failed, realFailed, value);
        }
        case qebTypeString: {
            long long value = 0;
            const bool ok = parseInt64Text(static_cast<const char *>(data), &value);
            return report(failed, !ok, value);
        }
        case qebTypeDate: {
            // Beyond 64 bits (possible only for raw bytes) gives the smallest
            // value, as the processor's conversion does.
            const double days = std::trunc(*static_cast<const double *>(data));
            const bool fits = days >= -9223372036854775808.0 && days < 9223372036854775808.0;
            return report(failed, false, fits ? static_cast<long long>(days) : LLONG_MIN);
        }
        default: return report(failed, true, 0LL);
    }
}

int QebDatavar::asInt(bool *failed) const {
    if (!mData) return report(failed, false, 0);
    const void *data = mData->data;
    switch (mData->type) {
        case qebTypeInteger:
            // The low 32 bits, as a cast of the 64-bit value gives them.
            return report(failed, false, int(static_cast<unsigned int>(
                                             *static_cast<const unsigned long long *>(data))));
        case qebTypeReal: {
            bool realFailed = false;
            const long long value = real()->asInt64(&realFailed);
            return report(failed, realFailed || value < INT_MIN || value > INT_MAX, int(value));
        }
        case qebTypeString: {
            int value = 0;
            const bool ok = parseIntText(static_cast<const char *>(data), &value);
            return report(failed, !ok, value);
        }
        case qebTypeDate: {
            const double days = std::trunc(*static_cast<const double *>(data));
            return report(failed, false, days >= INT_MIN && days <= INT_MAX ? int(days) : INT_MIN);
        }
        default: return int(asInt64(failed));
    }
}

double QebDatavar::asDouble(bool *failed) const {
    if (!mData) return report(failed, false, 0.0);
    const void *data = mData->data;
    switch (mData->type) {
        case qebTypeBoolean: return report(failed, false, *static_cast<const unsigned char *>(data) ? 1.0 : 0.0);
        case qebTypeInteger: return report(failed, false, double(*static_cast<const long long *>(data)));
        case qebTypeReal: {
            bool realFailed = false;
            const double value = real()->asDouble(&realFailed);
            return report(failed, realFailed, value);
        }
        case qebTypeString: {
            double value = 0.0;
            const bool ok = parseDoubleText(static_cast<const char *>(data), &value);
            return report(failed, !ok, value);
        }
        case qebTypeDate: return report(failed, false, *static_cast<const double *>(data));
        default: return report(failed, true, 0.0);
    }
}

float QebDatavar::asFloat(bool *failed) const { return float(asDouble(failed)); }

bool QebDatavar::asBool(bool *failed) const {
    if (!mData) return report(failed, false, false);
    switch (mData->type) {
        case qebTypeBoolean: return report(failed, false, *static_cast<const unsigned char *>(mData->data) != 0);
        case qebTypeInteger:
        case qebTypeReal: {
            bool numberFailed = false;
            const long long value = asInt64(&numberFailed);
            if (failed) *failed = numberFailed;
            return value != 0;
        }
        case qebTypeString: {
            const char *text = static_cast<const char *>(mData->data);
            if (textIs(text, "TRUE") || textIs(text, "YES")) return report(failed, false, true);
            if (textIs(text, "FALSE") || textIs(text, "NO")) return report(failed, false, false);
            const bool digit = text[0] >= '0' && text[0] <= '9';
            return report(failed, !digit, text[0] != '0');
        }
        default: return report(failed, true, false);
    }
}

QebDate QebDatavar::asDate() const {
    if (!mData) return QebDate();
    switch (mData->type) {
        case qebTypeDate: return QebDate(*static_cast<const double *>(mData->data));
        case qebTypeString: return QebDate(static_cast<const char *>(mData->data));
        case qebTypeReal: {
            bool failed = false;
            const double days = real()->asDouble(&failed);
            return failed ? QebDate() : QebDate(days);
        }
        default: return QebDate();
    }
}

QebString QebDatavar::asString() {
    QebString text;
    if (!mData) return text;
    switch (mData->type) {
        case qebTypeBoolean:
            return QebString(*static_cast<const unsigned char *>(mData->data) ? "true" : "false");
        case qebTypeInteger: text.assign(*static_cast<const long long *>(mData->data)); break;
        case qebTypeReal: text = real()->asString(); break;
        case qebTypeString: text.assign(static_cast<const char *>(mData->data)); break;
        case qebTypeDate: text = asDate().asString(false); break;
        default: break;
    }
    return text;
}

QebReal QebDatavar::asReal(bool *failed) const {
    QebReal number;
    bool failing = false;
    if (mData) {
        switch (mData->type) {
            case qebTypeBoolean:
                number.assign(*static_cast<const unsigned char *>(mData->data) ? 1.0 : 0.0);
                break;
            case qebTypeInteger: number.assign(*static_cast<const long long *>(mData->data)); break;
            case qebTypeReal: number = *real(); break;
            case qebTypeString:
                number.assign(static_cast<const char *>(mData->data));
                failing = number.isNull();
                break;
            case qebTypeDate: number.assign(*static_cast<const double *>(mData->data)); break;
            default: failing = true; break;
        }
    }
    if (failed) *failed = failing;
    return number;
}

bool QebDatavar::setType(qebType type) {
    if (!mData) return false;
    if (mData->type == type) return true;
    bool failed = false;
    switch (type) {
        case qebTypeBoolean: assign(asBool(&failed)); break;
        case qebTypeInteger: assign(asInt64(&failed)); break;
        case qebTypeReal: assign(asReal(&failed)); break;
        case qebTypeString: assign(asString()); break;
        case qebTypeDate: assign(asDate()); break;
        default: return false;
    }
    return !failed;
}

int QebDatavar::compare(const QebDatavar &other) const {
    if (!mData || !other.mData) return int(other.mData == nullptr) - int(mData == nullptr);
    if (mData->type != other.mData->type) return mData->type < other.mData->type ? -1 : 1;
    const void *a = mData->data;
    const void *b = other.mData->data;
    switch (mData->type) {
        case qebTypeBoolean: {
            const bool x = *static_cast<const unsigned char *>(a) != 0;
            const bool y = *static_cast<const unsigned char *>(b) != 0;
            return x == y ? 0 : (x ? 1 : -1);
        }
        case qebTypeInteger:
            return compareValues(*static_cast<const long long *>(a), *static_cast<const long long *>(b));
        case qebTypeReal: {
            const QebReal *x = real(), *y = other.real();
            const bool xNull = !x || x->isNull(), yNull = !y || y->isNull();
            return xNull || yNull ? nullsFirst(xNull, yNull) : x->compare(*y);
        }
        case qebTypeString:
            return signOf(std::strcmp(static_cast<const char *>(a), static_cast<const char *>(b)));
        case qebTypeDate: {
            const double x = *static_cast<const double *>(a), y = *static_cast<const double *>(b);
            return std::isnan(x) || std::isnan(y) ? nullsFirst(std::isnan(x), std::isnan(y)) : compareValues(x, y);
        }
        default: return 0;
    }
}

bool QebDatavarLess::operator()(const QebDatavar &a, const QebDatavar &b) const {
    return a.compare(b) < 0;
}
