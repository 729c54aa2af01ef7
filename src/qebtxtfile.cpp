#include <qeb/qebmessage.h>
#include <qeb/qebtxtfile.h>

#include "ks_fio.h"
#include "ks_uchar.h"
#include "qebshared_state.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

using qeb_internal::assignState;
using qeb_internal::releaseState;
using qeb_internal::shareState;

static_assert(int(qebEncodingUtf8) == KS_UCHAR_ENC_UTF8 && int(qebEncodingLatin1) == KS_UCHAR_ENC_ISO8859_1 &&
                  int(qebEncodingWindows1252) == KS_UCHAR_ENC_WINDOWS1252 &&
                  int(qebEncodingUtf16) == KS_UCHAR_ENC_UTF16 && int(qebEncodingUtf16LE) == KS_UCHAR_ENC_UTF16LE &&
                  int(qebEncodingUtf16BE) == KS_UCHAR_ENC_UTF16BE,
              "the public encodings are the character library's identifiers");

namespace {

template <class... Values>
QebString fileMessage(int line, int code, Values... values) {
    return qeb_get_message("src/qebtxtfile", line, "Base Services", code, values...);
}

// The library modes of the text open (and, for the record file, the byte
// open) for each Mode; 0 for a value that is none.
int textMode(int mode) {
    static const int kModes[] = {KS_FIO_MODE_READ, KS_FIO_MODE_REPLACE, KS_FIO_MODE_UPDATE};
    return mode >= 0 && mode < 3 ? kModes[mode] : 0;
}

int byteMode(int mode) { return mode == 0 ? KS_FIO_MODE_READ : KS_FIO_MODE_UPDATE; }

long long sizeOnDisk(const char *path) {
    ks_fio_status status;
    return path && ks_fio_stat64(path, &status) == 0 ? (long long)status.size64 : 0;
}

// Replaces an owned path by a copy of path; false when memory runs out.
bool keepPath(char **owned, const char *path) {
    char *copy = strdup(path);
    if (!copy) return false;
    std::free(*owned);
    *owned = copy;
    return true;
}

}  // namespace

// ---- QebTxtFile -----------------------------------------------------------

struct QebTxtFile::QebTxtFileState {
    int refCount = 1;
    ks_fio_handle handle = 0;
    bool isOpen = false;
    long long position = 0;
    char *path = nullptr;

    ~QebTxtFileState() {
        closeFile();
        std::free(path);
    }

    bool closeFile() {
        if (!isOpen) return true;
        const int code = ks_fio_text_close(handle);
        isOpen = false;
        handle = 0;
        position = 0;
        return code == 0;
    }

    // A count from the file library, added to the position; -1 for a
    // failure.
    int counted(int count) {
        if (count < 0) return -1;
        position += count;
        return count;
    }
};

QebTxtFile::QebTxtFile() : mState(new (std::nothrow) QebTxtFileState) {}

QebTxtFile::QebTxtFile(const QebTxtFile &other)
    : mState(shareState(other.mState)), mErrorMessage(other.mErrorMessage) {}

QebTxtFile &QebTxtFile::operator=(const QebTxtFile &other) {
    assignState(mState, other.mState);
    mErrorMessage = other.mErrorMessage;
    return *this;
}

QebTxtFile::~QebTxtFile() { releaseState(mState); }

bool QebTxtFile::open(const char *path, Mode mode, int encoding, int options) {
    if (!mState) return false;
    mState->closeFile();
    const int libraryMode = textMode(mode);
    if (libraryMode == 0) return false;
    ks_fio_handle handle = 0;
    int code = path ? ks_fio_text_open(path, libraryMode, encoding, options, &handle) : EINVAL;
    if (code == 0 && mode == Append && ks_fio_text_unwind(handle) != 0) {
        mErrorMessage = fileMessage(__LINE__, 336);
        ks_fio_text_close(handle);
        return false;
    }
    if (code == 0 && !keepPath(&mState->path, path)) {
        ks_fio_text_close(handle);
        code = ENOMEM;
    }
    if (code == KS_FIO_ERR_ENCODING) {
        mErrorMessage = fileMessage(__LINE__, 335);
        return false;
    }
    if (code != 0) {
        const char *description = ks_fio_errdesc(code);
        mErrorMessage = description && *description ? fileMessage(__LINE__, 1353, path, description)
                                                     : fileMessage(__LINE__, 1352, path, code);
        return false;
    }
    mState->handle = handle;
    mState->isOpen = true;
    return true;
}

bool QebTxtFile::close() { return !mState || mState->closeFile(); }

int QebTxtFile::getencoding() const {
    return mState && mState->isOpen ? ks_fio_text_getenc(mState->handle) : -1;
}

int QebTxtFile::read(char *buffer, unsigned int size) {
    if (!mState || !mState->isOpen) return -1;
    return mState->counted(ks_fio_text_read(mState->handle, -1, buffer, size));
}

int QebTxtFile::readln(char *buffer, unsigned int size, bool *lineComplete) {
    if (lineComplete) *lineComplete = false;
    if (!mState || !mState->isOpen) return -1;
    int ended = 0;
    const int n = ks_fio_text_readline(mState->handle, buffer, size, &ended);
    if (n < 0) {
        const int code = ks_fio_text_geterr(mState->handle);
        if (code == KS_FIO_ERR_ENCODING) mErrorMessage = fileMessage(__LINE__, 335);
        else if (code == KS_FIO_ERR_BUFFER) mErrorMessage = fileMessage(__LINE__, 337);
        else mErrorMessage = fileMessage(__LINE__, 471, ks_fio_errdesc(code));
        return -1;
    }
    if (n == 0 && !ended) return -2;
    mState->position += n;
    if (ended && lineComplete) *lineComplete = true;
    return n;
}

bool QebTxtFile::write(const char *text) {
    if (!mState || !mState->isOpen) return false;
    return mState->counted(ks_fio_text_write(mState->handle, text, -1)) >= 0;
}

bool QebTxtFile::writeln(const char *text) {
    if (!mState || !mState->isOpen) return false;
    return mState->counted(ks_fio_text_writeline(mState->handle, text)) >= 0;
}

int QebTxtFile::skip(int count) {
    if (!mState || !mState->isOpen) return -1;
    return mState->counted(ks_fio_text_skip(mState->handle, count));
}

int QebTxtFile::skipline() {
    if (!mState || !mState->isOpen) return -1;
    return mState->counted(ks_fio_text_skipline(mState->handle));
}

int QebTxtFile::rewind() {
    if (!mState || !mState->isOpen || ks_fio_text_rewind(mState->handle) != 0) return -1;
    mState->position = 0;
    return 0;
}

long long QebTxtFile::size() const {
    return mState && mState->isOpen ? sizeOnDisk(mState->path) : 0;
}

long long QebTxtFile::tell() const { return mState ? mState->position : 0; }

QebString QebTxtFile::getErrorMessage() const { return mErrorMessage; }

// ---- QebTxtFileFW ---------------------------------------------------------

namespace {

// Bytes pushed back, delivered from cursor on; the bytes follow the record.
struct PushedBack {
    const char *cursor;
    unsigned int remaining;
    PushedBack *next;
};

struct ByteOrderMark {
    size_t length;
    const char *bytes;
};

// UTF-8, UTF-16BE, UTF-16LE.
const ByteOrderMark kMarks[] = {{3, "\xEF\xBB\xBF"}, {2, "\xFE\xFF"}, {2, "\xFF\xFE"}};

}  // namespace

struct QebTxtFileFW::QebTxtFileFWState {
    int refCount = 1;
    ks_fio_handle handle = 0;
    int encoding = -1;
    bool markExpected = false;
    int markLength = 0;
    bool isOpen = false;
    long long position = 0;
    char *path = nullptr;
    PushedBack *pushBack = nullptr;

    ~QebTxtFileFWState() {
        closeFile();
        dropPushedBack();
        std::free(path);
    }

    void closeFile() {
        if (!isOpen) return;
        ks_fio_close(handle);
        isOpen = false;
        handle = 0;
        position = 0;
        markExpected = false;
        markLength = 0;
        dropPushedBack();
    }

    long long pendingBytes() const {
        long long pending = 0;
        for (const PushedBack *block = pushBack; block; block = block->next) pending += block->remaining;
        return pending;
    }

    void dropPushedBack() {
        while (pushBack) {
            PushedBack *next = pushBack->next;
            std::free(pushBack);
            pushBack = next;
        }
    }

    // Reads up to three bytes at the start and keeps the length of the mark
    // they begin with.
    void findMark() {
        char start[3];
        size_t got = 0;
        while (got < sizeof start && ks_fio_getb(handle, start + got, 1) == 1) ++got;
        markLength = 0;
        for (const ByteOrderMark &mark : kMarks) {
            if (got >= mark.length && std::memcmp(start, mark.bytes, mark.length) == 0) markLength = int(mark.length);
        }
    }
};

QebTxtFileFW::QebTxtFileFW() : mState(new (std::nothrow) QebTxtFileFWState) {}

QebTxtFileFW::QebTxtFileFW(const QebTxtFileFW &other)
    : mState(shareState(other.mState)), mErrorMessage(other.mErrorMessage) {}

QebTxtFileFW &QebTxtFileFW::operator=(const QebTxtFileFW &other) {
    assignState(mState, other.mState);
    mErrorMessage = other.mErrorMessage;
    return *this;
}

QebTxtFileFW::~QebTxtFileFW() { releaseState(mState); }

bool QebTxtFileFW::open(const char *path, Mode mode, int encoding, int options) {
    if (!mState) return false;
    QebTxtFileFWState &s = *mState;
    s.closeFile();
    s.dropPushedBack();
    const int libraryMode = textMode(mode);
    if (libraryMode == 0) return false;
    if (!path) {
        mErrorMessage = fileMessage(__LINE__, 471, ks_fio_errdesc(EINVAL));
        return false;
    }
    ks_fio_handle text = 0;
    int code = ks_fio_text_open(path, libraryMode, encoding, options, &text);
    if (code != 0 || text == 0) {
        mErrorMessage = fileMessage(__LINE__, 471, ks_fio_errdesc(code));
        return false;
    }
    s.encoding = ks_fio_text_getenc(text);
    ks_fio_text_close(text);
    s.markExpected = (options & (qebTextByteOrderMark | qebTextMarkDecides)) != 0;
    s.markLength = 0;
    code = ks_fio_open(path, byteMode(mode), &s.handle);
    if (code != 0) {
        mErrorMessage = fileMessage(__LINE__, 471, ks_fio_errdesc(code));
        return false;
    }
    if (mode == Append) {
        s.position = ks_fio_seek64(s.handle, 0, 2);
        if (s.position < 0) {
            mErrorMessage = fileMessage(__LINE__, 336);
            ks_fio_close(s.handle);
            s.handle = 0;
            s.position = 0;
            return false;
        }
    } else if (s.markExpected) {
        s.findMark();
        s.position = ks_fio_seek64(s.handle, s.markLength, 0);
    } else {
        s.position = 0;
    }
    if (s.position < 0 || !keepPath(&s.path, path)) {
        mErrorMessage = fileMessage(__LINE__, 471, ks_fio_errdesc(s.position < 0 ? ks_fio_lasterror() : ENOMEM));
        ks_fio_close(s.handle);
        s.handle = 0;
        s.position = 0;
        return false;
    }
    s.isOpen = true;
    return true;
}

bool QebTxtFileFW::close() {
    if (mState) mState->closeFile();
    return true;
}

int QebTxtFileFW::getencoding() const { return mState && mState->isOpen ? mState->encoding : -1; }

int QebTxtFileFW::read(char *buffer, unsigned int count) {
    if (!mState || !mState->isOpen || (!buffer && count > 0)) return -1;
    if (count > INT_MAX) count = INT_MAX;  // the result is an int
    QebTxtFileFWState &s = *mState;
    unsigned int total = 0;
    if (s.pushBack && count == 0) return 0;
    while (s.pushBack && count > 0) {
        PushedBack *block = s.pushBack;
        const unsigned int taken = count < block->remaining ? count : block->remaining;
        std::memcpy(buffer + total, block->cursor, taken);
        block->cursor += taken;
        block->remaining -= taken;
        s.position += taken;
        total += taken;
        count -= taken;
        if (count == 0) return int(total);
        s.pushBack = block->next;
        std::free(block);
    }
    if (count == 0) return int(total);
    const int n = ks_fio_getb(s.handle, buffer + total, int(count));
    if (n < 0) {
        mErrorMessage = fileMessage(__LINE__, 97, "");
        return -1;
    }
    s.position += n;
    return int(total) + n;
}

bool QebTxtFileFW::unread(const char *bytes, unsigned int count) {
    if (count == 0) return true;
    if (!mState || !bytes) return false;
    PushedBack *block = static_cast<PushedBack *>(std::malloc(sizeof(PushedBack) + count));
    if (!block) return false;
    char *copy = reinterpret_cast<char *>(block + 1);
    std::memcpy(copy, bytes, count);
    block->cursor = copy;
    block->remaining = count;
    block->next = mState->pushBack;
    mState->pushBack = block;
    mState->position -= count;
    return true;
}

bool QebTxtFileFW::write(const char *bytes, int count) {
    if (!mState || !mState->isOpen) return false;
    const int n = ks_fio_putb(mState->handle, bytes, count);
    if (n < 0) return false;
    mState->position += n;
    return true;
}

bool QebTxtFileFW::recseek(int record, int recordLength) {
    if (!mState || !mState->isOpen) return false;
    // 64-bit, so that records beyond 2 GiB are reached.
    long long offset = (long long)record * recordLength;
    if (mState->markExpected) offset += mState->markLength;
    const long long at = ks_fio_seek64(mState->handle, offset, 0);
    if (at < 0) return false;
    // Bytes pushed back still come first.
    mState->position = at - mState->pendingBytes();
    return true;
}

long long QebTxtFileFW::size() const {
    return mState && mState->isOpen ? sizeOnDisk(mState->path) : 0;
}

long long QebTxtFileFW::tell() const { return mState ? mState->position : 0; }

int QebTxtFileFW::encode(char *destination, int destinationSize, const char *source) const {
    return ks_uchar_encode(mState ? mState->encoding : -1, source, destination, destinationSize);
}

int QebTxtFileFW::decode(char *destination, int destinationSize, const char *source) const {
    return ks_uchar_decode(mState ? mState->encoding : -1, source, destination, destinationSize);
}

QebString QebTxtFileFW::getErrorMessage() const { return mErrorMessage; }
