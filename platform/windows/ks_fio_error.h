// File library on Windows: the system's errors as the library's error codes,
// the errno values that callers and descriptions share with POSIX.
#ifndef KS_FIO_ERROR_H
#define KS_FIO_ERROR_H

#include <errno.h>
#include <windows.h>

inline int ks_fio_error_code(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DELETE_PENDING:  // gone for good once the last handle closes
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_INVALID_HANDLE:
    case ERROR_INVALID_TARGET_HANDLE:
        return EBADF;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_NAME:  // wildcards, ':' and the like, which no name holds
    case ERROR_NEGATIVE_SEEK:
    case ERROR_INVALID_FUNCTION:
        return EINVAL;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
        return ENAMETOOLONG;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NOT_ENOUGH_QUOTA:
        return ENOMEM;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
        return EPIPE;
    case ERROR_SEEK_ON_DEVICE:
        return ESPIPE;
    case ERROR_NOACCESS:
        return EFAULT;
    case ERROR_CANT_RESOLVE_FILENAME:  // a loop of links
        return ELOOP;
    }
    return EIO;
}

#endif
