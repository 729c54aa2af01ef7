// File library on Windows: byte files, status, temporary files.
#include "ks_fio_error.h"
#include "ks_fio_status.h"
#include "ks_fio_system.h"
#include "ks_fio_wide_path.h"
#include "ks_uchar.h"

#include <windows.h>
// After windows.h, which these need.
#include <ntsecapi.h>
#include <sddl.h>

#include <errno.h>
#include <limits.h>
#include <stdint.h>
#include <string.h>

const ks_fio_path_syntax ks_fio_syntax = {"\\/", 1};

namespace {

HANDLE systemHandle(ks_fio_handle handle) { return reinterpret_cast<HANDLE>((uintptr_t)handle); }
ks_fio_handle handleOf(HANDLE file) { return (ks_fio_handle)reinterpret_cast<uintptr_t>(file); }

thread_local int lastFailure = 0;

int fail(int code) {
    lastFailure = code;
    return -1;
}

int failWithSystemError() { return fail(ks_fio_error_code(GetLastError())); }

// As on POSIX, others may read, write and delete a file held open here: a
// started command writes its output into the temporary file its caller holds.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A null security record makes a handle that programs started later do not
// inherit.
HANDLE openFile(const wchar_t *path, DWORD access, DWORD disposition, SECURITY_ATTRIBUTES *security = nullptr) {
    return CreateFileW(path, access, kShareAll, security, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

struct OpenRequest {
    DWORD access;
    DWORD disposition;
};

bool requestFor(int mode, OpenRequest *request) {
    switch (mode) {
    case KS_FIO_MODE_READ: *request = {GENERIC_READ, OPEN_EXISTING}; return true;
    case KS_FIO_MODE_UPDATE:
    case KS_FIO_MODE_REPLACE: *request = {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS}; return true;
    case KS_FIO_MODE_WRITABLE: *request = {GENERIC_WRITE, OPEN_EXISTING}; return true;
    }
    return false;
}

bool isDirectory(const wchar_t *path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The code of a failed open or delete: a directory is refused as one, as on
// POSIX, where Windows only denies access.
int refusalCode(const wchar_t *path) {
    const DWORD error = GetLastError();
    return error == ERROR_ACCESS_DENIED && isDirectory(path) ? EISDIR : ks_fio_error_code(error);
}

// Windows keeps a read-only file from being deleted, POSIX does not: the mark
// is taken off for the delete and put back when it fails all the same.
int deleteReadOnly(const wchar_t *path) {
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY) ||
        !SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY))
        return EACCES;
    if (DeleteFileW(path)) return 0;
    const DWORD error = GetLastError();
    SetFileAttributesW(path, attributes);
    return ks_fio_error_code(error);
}

// The system's temporary directory into out (size bytes): 0 or an error code.
int temporaryDirectory(char *out, int size) {
    wchar_t path[MAX_PATH + 2];  // the longest GetTempPathW gives, and a NUL
    const DWORD units = GetTempPathW(MAX_PATH + 2, path);
    if (units == 0 || units >= MAX_PATH + 2) return units == 0 ? ks_fio_error_code(GetLastError()) : ENAMETOOLONG;
    const int bytes = ks_uchar_utf16_to_utf8(reinterpret_cast<const unsigned short *>(path), nullptr, 0);
    if (bytes < 0 || bytes >= size) return ENAMETOOLONG;
    ks_uchar_utf16_to_utf8(reinterpret_cast<const unsigned short *>(path), out, size);
    return 0;
}

// A security record that lets the file's owner alone in, and is not
// inherited.
class OwnerOnly {
public:
    OwnerOnly() {
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;OW)", SDDL_REVISION_1,
                                                                  &mDescriptor, nullptr))
            mError = ks_fio_error_code(GetLastError());
        mAttributes = {sizeof mAttributes, mDescriptor, FALSE};
    }
    ~OwnerOnly() { LocalFree(mDescriptor); }
    OwnerOnly(const OwnerOnly &) = delete;
    OwnerOnly &operator=(const OwnerOnly &) = delete;

    SECURITY_ATTRIBUTES *get() { return &mAttributes; }
    int error() const { return mError; }

private:
    PSECURITY_DESCRIPTOR mDescriptor = nullptr;
    SECURITY_ATTRIBUTES mAttributes;
    int mError = 0;
};

// kKsFioUniqueLength random characters at out (no NUL); false when the system
// has no random bytes to give.
bool writeUniquePart(char *out) {
    // Names that differ in case only are one name here: one case.
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[kKsFioUniqueLength];
    if (!RtlGenRandom(bytes, sizeof bytes)) return false;
    for (int i = 0; i < kKsFioUniqueLength; ++i) out[i] = kAlphabet[bytes[i] % (sizeof kAlphabet - 1)];
    return true;
}

// Whether an exclusive create failed because the name is taken (by a file,
// a directory or a file being deleted), so that another name may succeed.
bool nameTaken(DWORD error, const wchar_t *path) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
           (error == ERROR_ACCESS_DENIED && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES);
}

}  // namespace

const char *ks_fio_system_errdesc(int code) {
    switch (code) {
    // Numbers the C runtime gives no text for.
    case ELOOP: return "Too many levels of symbolic links";
    case EOVERFLOW: return "Value too large for defined data type";
    }
    thread_local char text[256];
    if (strerror_s(text, sizeof text, code) != 0) return "Unknown error";
    return text;
}

int ks_fio_lasterror(void) { return lastFailure; }

int ks_fio_fail(int code) { return fail(code); }

int ks_fio_open_file(const char *path, int mode, ks_fio_handle *handle) {
    OpenRequest request;
    if (!requestFor(mode, &request)) return EINVAL;
    const KsWidePath wide(path);
    if (wide.get() == nullptr) return wide.error();
    const HANDLE file = openFile(wide.get(), request.access, request.disposition);
    if (file == INVALID_HANDLE_VALUE) return refusalCode(wide.get());
    // Emptied here, not by CREATE_ALWAYS, which refuses hidden and system
    // files; only a file on disk has an end to set (a pipe or a device has
    // none, as O_TRUNC ignores them on POSIX).
    if (mode == KS_FIO_MODE_REPLACE && GetFileType(file) == FILE_TYPE_DISK && !SetEndOfFile(file)) {
        const int code = ks_fio_error_code(GetLastError());
        CloseHandle(file);
        return code;
    }
    *handle = handleOf(file);
    return 0;
}

int ks_fio_getb(ks_fio_handle handle, void *buffer, int n) {
    if (n < 0) return fail(EINVAL);
    DWORD got;
    if (ReadFile(systemHandle(handle), buffer, (DWORD)n, &got, nullptr)) return (int)got;
    // A pipe whose writer has gone is at its end, as on POSIX.
    return GetLastError() == ERROR_BROKEN_PIPE ? 0 : failWithSystemError();
}

int ks_fio_write_some(ks_fio_handle handle, const char *bytes, int n) {
    DWORD put;
    if (!WriteFile(systemHandle(handle), bytes, (DWORD)n, &put, nullptr)) return failWithSystemError();
    return put > 0 ? (int)put : fail(EIO);  // no progress: no end to waiting for it
}

long long ks_fio_seek64(ks_fio_handle handle, long long offset, int origin) {
    if (origin != FILE_BEGIN && origin != FILE_CURRENT && origin != FILE_END) return fail(EINVAL);
    LARGE_INTEGER distance, at;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(systemHandle(handle), distance, &at, (DWORD)origin)) return failWithSystemError();
    return at.QuadPart;
}

int ks_fio_trunc(ks_fio_handle handle) {
    return SetEndOfFile(systemHandle(handle)) ? 0 : ks_fio_error_code(GetLastError());
}

int ks_fio_close(ks_fio_handle handle) {
    if (handle == 0) return 0;
    return CloseHandle(systemHandle(handle)) ? 0 : ks_fio_error_code(GetLastError());
}

int ks_fio_stat64(const char *path, ks_fio_status *status) {
    if (path == nullptr || status == nullptr) return EINVAL;
    const KsWidePath wide(path);
    if (wide.get() == nullptr) return wide.error();
    const DWORD error = ks_fio_read_status(wide.get(), false, status);
    return error == 0 ? 0 : ks_fio_error_code(error);
}

int ks_fio_unlink(const char *path) {
    if (path == nullptr) return EINVAL;
    const KsWidePath wide(path);
    if (wide.get() == nullptr) return wide.error();
    if (DeleteFileW(wide.get())) return 0;
    const int code = refusalCode(wide.get());
    return code == EACCES ? deleteReadOnly(wide.get()) : code;
}

int ks_fio_tmpfile(const char *directory, const char *prefix, char *name, int nameSize,
                   ks_fio_handle *handle) {
    if (name == nullptr || nameSize <= 0 || handle == nullptr) return EINVAL;
    char systemDirectory[3 * (MAX_PATH + 2)];  // three UTF-8 bytes at most per unit
    if (directory == nullptr || *directory == '\0') {
        const int code = temporaryDirectory(systemDirectory, sizeof systemDirectory);
        if (code != 0) {
            name[0] = '\0';
            return code;
        }
        directory = systemDirectory;
    }
    if (const int code = ks_fio_tmpname(directory, prefix, name, nameSize)) return code;
    OwnerOnly security;
    int code = security.error();
    char *unique = name + strlen(name);
    unique[kKsFioUniqueLength] = '\0';
    // Collisions are rare; a bound keeps a directory that refuses every name
    // from holding the caller for ever.
    for (int attempt = 0; code == 0 && attempt < 100; ++attempt) {
        if (!writeUniquePart(unique)) {
            code = EIO;
            break;
        }
        const KsWidePath wide(name);
        if (wide.get() == nullptr) {
            code = wide.error();
            break;
        }
        const HANDLE file = openFile(wide.get(), GENERIC_READ | GENERIC_WRITE, CREATE_NEW, security.get());
        if (file != INVALID_HANDLE_VALUE) {
            *handle = handleOf(file);
            return 0;
        }
        const DWORD error = GetLastError();
        if (!nameTaken(error, wide.get())) code = ks_fio_error_code(error);
    }
    name[0] = '\0';
    return code != 0 ? code : EEXIST;
}
