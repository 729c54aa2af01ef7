// File library: what each system's byte files give the portable ks_fio.cpp,
// and what that gives them back.
#ifndef KS_FIO_SYSTEM_H
#define KS_FIO_SYSTEM_H

#include "ks_fio.h"

// Opens path in `mode`: 0 with *handle set, EINVAL for a mode that is not
// known, or another error code.
int ks_fio_open_file(const char *path, int mode, ks_fio_handle *handle);
// Writes some of the n bytes (n > 0): how many, or -1 with the failure
// recorded.
int ks_fio_write_some(ks_fio_handle handle, const char *bytes, int n);
// The system's text for an error number.
const char *ks_fio_system_errdesc(int code);

// The characters that make a temporary file's name unique.
constexpr int kKsFioUniqueLength = 6;
// The directory and the prefix joined into name, with room left after them
// for the unique part: 0, or ENAMETOOLONG with name emptied.
int ks_fio_tmpname(const char *directory, const char *prefix, char *name, int nameSize);

#endif
