// File library on POSIX: byte files, status, temporary files.
#include "ks_fio_status.h"
#include "ks_fio_system.h"
#include "ks_retry.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

const ks_fio_path_syntax ks_fio_syntax = {"/", 0};

namespace {

// A byte handle is the descriptor plus one, so that 0 stays "none".
int descriptorOf(ks_fio_handle handle) { return handle == 0 ? -1 : (int)(handle - 1); }
ks_fio_handle handleOf(int fd) { return (ks_fio_handle)fd + 1; }

// The system's error number as a code of this library.
int codeOf(int error) {
    if (error == 0 || error == KS_FIO_ERR_ENCODING || error == KS_FIO_ERR_BUFFER) return EIO;
    return error;
}

int openFlags(int mode) {
    switch (mode) {
    case KS_FIO_MODE_READ: return O_RDONLY;
    case KS_FIO_MODE_UPDATE: return O_RDWR | O_CREAT;
    case KS_FIO_MODE_REPLACE: return O_RDWR | O_CREAT | O_TRUNC;
    // Non-blocking, so that a FIFO without a reader does not hold the caller.
    case KS_FIO_MODE_WRITABLE: return O_WRONLY | O_NONBLOCK;
    }
    return -1;
}

int openDescriptor(const char *path, int flags) {
    return ks_retry([&] { return open(path, flags | O_CLOEXEC | O_NOCTTY, 0666); });
}

}  // namespace

const char *ks_fio_system_errdesc(int code) {
    thread_local char text[256];
    // The GNU strerror_r may give its own static text instead of filling ours.
    return strerror_r(code, text, sizeof text);
}

int ks_fio_lasterror(void) { return codeOf(errno); }

int ks_fio_fail(int code) {
    errno = code;
    return -1;
}

int ks_fio_open_file(const char *path, int mode, ks_fio_handle *handle) {
    const int flags = openFlags(mode);
    if (flags < 0) return EINVAL;
    const int fd = openDescriptor(path, flags);
    if (fd < 0) return codeOf(errno);
    *handle = handleOf(fd);
    return 0;
}

int ks_fio_getb(ks_fio_handle handle, void *buffer, int n) {
    if (n < 0) return ks_fio_fail(EINVAL);
    const ssize_t got = ks_retry([&] { return read(descriptorOf(handle), buffer, (size_t)n); });
    return got < 0 ? -1 : (int)got;
}

int ks_fio_write_some(ks_fio_handle handle, const char *bytes, int n) {
    const ssize_t put = ks_retry([&] { return write(descriptorOf(handle), bytes, (size_t)n); });
    return put < 0 ? -1 : (int)put;
}

long long ks_fio_seek64(ks_fio_handle handle, long long offset, int origin) {
    if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END) return ks_fio_fail(EINVAL);
    const off_t at = lseek(descriptorOf(handle), (off_t)offset, origin);
    return at < 0 ? -1 : (long long)at;
}

int ks_fio_trunc(ks_fio_handle handle) {
    const int fd = descriptorOf(handle);
    const off_t at = lseek(fd, 0, SEEK_CUR);
    if (at < 0) return codeOf(errno);
    return ks_retry([&] { return ftruncate(fd, at); }) < 0 ? codeOf(errno) : 0;
}

int ks_fio_close(ks_fio_handle handle) {
    if (handle == 0) return 0;
    // The descriptor is gone whatever close reports, so it is never retried.
    return close(descriptorOf(handle)) < 0 && errno != EINTR ? codeOf(errno) : 0;
}

int ks_fio_stat64(const char *path, ks_fio_status *status) {
    struct stat info;
    if (path == nullptr || status == nullptr) return EINVAL;
    if (stat(path, &info) < 0) return codeOf(errno);
    ks_fio_fill_status(info, status);
    return 0;
}

int ks_fio_unlink(const char *path) {
    if (path == nullptr) return EINVAL;
    return unlink(path) < 0 ? codeOf(errno) : 0;
}

int ks_fio_tmpfile(const char *directory, const char *prefix, char *name, int nameSize,
                   ks_fio_handle *handle) {
    if (name == nullptr || nameSize <= 0 || handle == nullptr) return EINVAL;
    if (directory == nullptr || *directory == '\0') {
        directory = getenv("TMPDIR");
        if (directory == nullptr || *directory == '\0') directory = "/tmp";
    }
    if (const int code = ks_fio_tmpname(directory, prefix, name, nameSize)) return code;
    static const char kUnique[kKsFioUniqueLength + 1] = "XXXXXX";
    strcat(name, kUnique);
    // mkostemp makes the file with mode 0600.
    const int fd = mkostemp(name, O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        name[0] = '\0';
        return codeOf(error);
    }
    *handle = handleOf(fd);
    return 0;
}
