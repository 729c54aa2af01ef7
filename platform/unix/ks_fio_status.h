// The file library's status record from the system's.
#ifndef KS_FIO_STATUS_H
#define KS_FIO_STATUS_H

#include "ks_fio.h"

#include <sys/stat.h>

inline void ks_fio_fill_status(const struct stat &info, ks_fio_status *status) {
    const unsigned long long bytes = (unsigned long long)info.st_size;
    status->size64 = bytes;
    status->size = bytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : (unsigned int)bytes;
    const bool fits = info.st_mtime >= 0 && (unsigned long long)info.st_mtime <= 0xFFFFFFFFull;
    status->mtime = fits ? (unsigned int)info.st_mtime : 0u;
    status->type = S_ISDIR(info.st_mode)   ? KS_FIO_TYPE_DIRECTORY
                   : S_ISREG(info.st_mode) ? KS_FIO_TYPE_FILE
                                           : KS_FIO_TYPE_OTHER;
}

#endif
