// File library: opening and writing byte files, error texts and temporary
// names, alike on every system.
#include "ks_fio_system.h"

#include <errno.h>

const char *ks_fio_errdesc(int code) {
    switch (code) {
    case KS_FIO_ERR_ENCODING: return "The text is not valid in its encoding, or the encoding is not supported";
    case KS_FIO_ERR_BUFFER: return "The buffer cannot hold a single character";
    }
    return ks_fio_system_errdesc(code);
}

int ks_fio_open(const char *path, int mode, ks_fio_handle *handle) {
    if (path == nullptr || (handle == nullptr) != (mode == KS_FIO_MODE_WRITABLE)) return EINVAL;
    ks_fio_handle opened;
    const int code = ks_fio_open_file(path, mode, &opened);
    if (code != 0) return code;
    // The writable mode only asks whether the file opens.
    if (handle == nullptr) ks_fio_close(opened);
    else *handle = opened;
    return 0;
}

int ks_fio_putb(ks_fio_handle handle, const void *buffer, int n) {
    if (n < 0) return ks_fio_fail(EINVAL);
    const char *p = static_cast<const char *>(buffer);
    for (int left = n; left > 0;) {
        const int put = ks_fio_write_some(handle, p, left);
        if (put < 0) return -1;
        p += put;
        left -= put;
    }
    return n;
}

int ks_fio_stat(const char *path, ks_fio_status *status) { return ks_fio_stat64(path, status); }

int ks_fio_tmpname(const char *directory, const char *prefix, char *name, int nameSize) {
    const int room = nameSize - kKsFioUniqueLength;
    if (room <= 0 || ks_fio_pcat(directory, prefix ? prefix : "", name, room) != 0) {
        name[0] = '\0';
        return ENAMETOOLONG;
    }
    return 0;
}
