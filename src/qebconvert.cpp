#include <qeb/qebconvert.h>

#include <qeb/qebmempool.h>
#include <qeb/qebstring.h>

#include "ks_uchar.h"

#include <climits>
#include <cstring>
#include <new>

namespace {

// A pool block for `count` elements of T, or null when it cannot be had (or
// its size does not fit the pool's request size).
template <class T>
T *poolArray(size_t count) {
    void *p = nullptr;
    if (count > UINT_MAX / sizeof(T)) return nullptr;
    QebMemPool::getBytes(static_cast<unsigned int>(count * sizeof(T)), &p);
    return static_cast<T *>(p);
}

// Units before the 0 terminator.
size_t unitCount(const unsigned short *wide) {
    for (size_t n = 0;; n += 4) {  // unrolled: it runs over whole texts
        if (!wide[n]) return n;
        if (!wide[n + 1]) return n + 1;
        if (!wide[n + 2]) return n + 2;
        if (!wide[n + 3]) return n + 3;
    }
}

// The UTF-8 form of 0-terminated wide text in a new pool block of `size`
// bytes, which must be enough for it; null when memory ran out (or size is
// 0 or beyond an int).
char *utf8Copy(const unsigned short *wide, size_t size) {
    char *text = size > 0 && size <= INT_MAX ? poolArray<char>(size) : nullptr;
    if (text) ks_uchar_utf16_to_utf8(wide, text, int(size));
    return text;
}

// Bytes enough for the UTF-8 form of 0-terminated wide text, the NUL
// included: three per unit (a surrogate pair gives four for two) unless that
// is beyond an int, then measured exactly; 0 when even that is.
size_t utf8SizeBound(const unsigned short *wide) {
    const size_t bound = unitCount(wide) * 3 + 1;
    if (bound <= INT_MAX) return bound;
    const int bytes = ks_uchar_utf16_to_utf8(wide, nullptr, 0);
    return bytes < 0 ? 0 : size_t(bytes) + 1;
}

}  // namespace

// ---- QeUCToUtf8 ----------------------------------------------------------------

QeUCToUtf8::QeUCToUtf8() : mUCBuffer(nullptr), mUtf8String(nullptr), mBufLength(0) {}

QeUCToUtf8::~QeUCToUtf8() { set(0); }

bool QeUCToUtf8::set(int n) {
    QebMemPool::freeBytes(mUCBuffer);
    QebMemPool::freeBytes(mUtf8String);
    mUCBuffer = nullptr;
    mUtf8String = nullptr;
    mBufLength = n > 0 ? n : 0;
    if (mBufLength == 0) return true;
    mUCBuffer = poolArray<unsigned short>(size_t(n) + 1);
    if (!mUCBuffer) {
        mBufLength = 0;
        return false;
    }
    // All zero, so that a caller writing fewer than n units leaves a
    // terminated text.
    std::memset(mUCBuffer, 0, (size_t(n) + 1) * sizeof(unsigned short));
    return true;
}

unsigned short *QeUCToUtf8::getUCBuffer() const { return mUCBuffer; }

int QeUCToUtf8::bufLength() const { return mBufLength; }

char *QeUCToUtf8::utf8String() {
    if (!mUtf8String && mUCBuffer) {
        // The text is kept, so it gets a block of exactly its size.
        const int bytes = ks_uchar_utf16_to_utf8(mUCBuffer, nullptr, 0);
        if (bytes >= 0) mUtf8String = utf8Copy(mUCBuffer, size_t(bytes) + 1);
    }
    return mUtf8String;
}

void QeUCToUtf8::release() {
    set(0);
    delete this;
}

// ---- QeUtf8ToUC ----------------------------------------------------------------

QeUtf8ToUC::QeUtf8ToUC() : mBufLength(0), mUCString(nullptr) {}

QeUtf8ToUC::~QeUtf8ToUC() { set(nullptr); }

bool QeUtf8ToUC::set(const char *text) {
    QebMemPool::freeBytes(mUCString);
    mUCString = nullptr;
    mBufLength = 0;
    if (!text) return true;
    const size_t bytes = std::strlen(text);
    if (bytes >= INT_MAX) return false;
    // One unit per byte is always enough (no character has more units than
    // bytes), so the text is converted in one pass, without measuring it
    // first, into a block at most twice the size of the UTF-8 text.
    mUCString = poolArray<unsigned short>(bytes + 1);
    if (!mUCString) return false;
    mBufLength = ks_uchar_utf8_to_utf16(text, mUCString, int(bytes) + 1) + 1;
    return true;
}

unsigned short *QeUtf8ToUC::ucString() const { return mUCString; }

int QeUtf8ToUC::bufLength() const { return mBufLength; }

void QeUtf8ToUC::release() {
    set(nullptr);
    delete this;
}

// ---- QebString -----------------------------------------------------------------

QeUtf8ToUC *QebString::asUCS2() const {
    QeUtf8ToUC *wide = new (std::nothrow) QeUtf8ToUC;
    if (wide && !wide->set(asCstr())) {
        delete wide;
        wide = nullptr;
    }
    return wide;
}

const QebString &QebString::fromUCS2(const unsigned short *wide) {
    if (!wide) {
        setNull();
    } else if (char *text = utf8Copy(wide, utf8SizeBound(wide))) {
        assign(text);
        QebMemPool::freeBytes(text);
    }
    return *this;
}

// ---- free functions ------------------------------------------------------------

void convertUCToUtf8(const unsigned short *wide, char *out, int outSize) {
    if (out) ks_uchar_utf16_to_utf8(wide, out, outSize);
}

void convertUtf8ToUC(const char *text, unsigned short *out, int outUnits) {
    if (out) ks_uchar_utf8_to_utf16(text, out, outUnits);
}
