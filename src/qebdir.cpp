#include <qeb/qebdir.h>
#include <qeb/qebmessage.h>

#include "ks_fio.h"
#include "qes_date.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

const char kSource[] = "src/qebdir";
const char kDomain[] = "Base Services";

// Room for a path text: on the stack up to 256 bytes, so that the common
// short path costs no allocation, on the heap beyond.
class ScratchText {
public:
    explicit ScratchText(size_t size)
        : mHeap(size > sizeof mStack ? new (std::nothrow) char[size] : nullptr),
          mText(size > sizeof mStack ? mHeap.get() : mStack) {}
    ScratchText(const ScratchText &) = delete;
    ScratchText &operator=(const ScratchText &) = delete;

    // Null when the heap refused.
    char *get() const { return mText; }

private:
    char mStack[256];
    std::unique_ptr<char[]> mHeap;
    char *mText;
};

// Splits path (size bytes with its NUL) as the file library does into the
// parts wanted (null pointers: not wanted). False, with nothing assigned,
// when the library refuses or memory ran out.
bool splitPath(const char *path, size_t size, QebString *directory, QebString *name) {
    ScratchText directoryText(directory ? size : 0), nameText(name ? size : 0);
    char *directoryBuffer = directory ? directoryText.get() : nullptr;
    char *nameBuffer = name ? nameText.get() : nullptr;
    if ((directory && !directoryBuffer) || (name && !nameBuffer)) return false;
    if (ks_fio_pparse(path, directoryBuffer, directory ? int(size) : 0, nameBuffer, name ? int(size) : 0) != 0)
        return false;
    if (directory) directory->assign(directoryBuffer);
    if (name) name->assign(nameBuffer);
    return true;
}

QebString openFailure(int code, const char *path) {
    switch (code) {
    case 2: return qeb_get_message(kSource, __LINE__, kDomain, 445, path);
    case 3: return qeb_get_message(kSource, __LINE__, kDomain, 446, path);
    case 4: return qeb_get_message(kSource, __LINE__, kDomain, 447, path);
    }
    return qeb_get_message(kSource, __LINE__, kDomain, 467, path, code);
}

}  // namespace

QebString qebConcatPath(const QebString &first, const QebString &second) {
    // Both texts with their NULs: room for a separator and one NUL.
    const size_t size = size_t(first.cStrSize()) + second.cStrSize();
    ScratchText joined(size);
    if (!joined.get() || ks_fio_pcat(first.asCstr(), second.asCstr(), joined.get(), int(size)) != 0)
        return QebString();
    return QebString(joined.get());
}

QebString qebParsePath(const QebString &path, QebString *fileName) {
    const QebString text(path);  // path may be *fileName
    if (fileName) fileName->setNull();
    QebString directory;
    splitPath(text.asCstr(), text.cStrSize(), &directory, fileName);
    return directory;
}

struct QebDirectoryListing::State {
    ~State() { ks_dir_close(dirHandle); }

    ks_dir_handle dirHandle = nullptr;
    std::unique_ptr<char[]> pathBuffer;  // ks_dir_pathlen bytes; "" before the first entry
    QebString name;
    bool isDirectory = false;
    QebDate timestamp;
    unsigned long timestampLong = 0;
};

QebDirectoryListing::QebDirectoryListing() : mState(nullptr) {}

QebDirectoryListing::QebDirectoryListing(const QebDirectoryListing &other)
    : mState(nullptr), mErrorMessage(other.mErrorMessage) {}

QebDirectoryListing &QebDirectoryListing::operator=(const QebDirectoryListing &other) {
    if (this != &other) {
        delete mState;
        mState = nullptr;
        mErrorMessage = other.mErrorMessage;
    }
    return *this;
}

QebDirectoryListing::~QebDirectoryListing() { delete mState; }

bool QebDirectoryListing::init(const QebString &path, int options) {
    if (mState) return false;
    std::unique_ptr<State> state(new (std::nothrow) State);
    if (state) state->pathBuffer.reset(new (std::nothrow) char[ks_dir_pathlen]);
    if (!state || !state->pathBuffer) {
        mErrorMessage = qeb_get_message(kSource, __LINE__, kDomain, 444);
        return false;
    }
    state->pathBuffer[0] = '\0';
    const int mode = KS_DIR_FILES | KS_DIR_HIDDEN | ((options & 1) ? KS_DIR_DIRECTORIES : 0) |
                     ((options & 2) ? KS_DIR_RECURSIVE : 0);
    const int code = ks_dir_open(path.asCstr(), mode, &state->dirHandle);
    if (code != 0) {
        mErrorMessage = openFailure(code, path.asCstr());
        return false;
    }
    mState = state.release();
    return true;
}

bool QebDirectoryListing::next() {
    if (!mState) return false;
    char *path = mState->pathBuffer.get();
    ks_fio_status status;
    if (ks_dir_next_stat(mState->dirHandle, path, ks_dir_pathlen, &status) != 0) return false;
    mState->isDirectory = status.type == KS_FIO_TYPE_DIRECTORY;
    mState->timestampLong = status.mtime;
    int year, month, day, hour, minute, second;
    if (qes_local_elements(status.mtime, &year, &month, &day, &hour, &minute, &second))
        mState->timestamp.assign(year, month, day, hour, minute, second);
    else
        mState->timestamp.setNull();
    mState->name.setNull();
    splitPath(path, std::strlen(path) + 1, nullptr, &mState->name);
    return true;
}

QebString QebDirectoryListing::getName() const { return mState ? mState->name : QebString(); }

QebString QebDirectoryListing::getFullPathName() const {
    return mState ? QebString(mState->pathBuffer.get()) : QebString();
}

bool QebDirectoryListing::isDir() const { return mState && mState->isDirectory; }

QebDate QebDirectoryListing::getTimestamp() const { return mState ? mState->timestamp : QebDate(); }

unsigned long QebDirectoryListing::getTimestampLong() const { return mState ? mState->timestampLong : 0; }

bool QebDirectoryListing::isReadOnly() const {
    const char *path = mState ? mState->pathBuffer.get() : "";
    return path[0] != '\0' && ks_fio_open(path, KS_FIO_MODE_WRITABLE, nullptr) != 0;
}

QebString QebDirectoryListing::getErrorMessage() const { return mErrorMessage; }
