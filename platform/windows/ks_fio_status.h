// File library on Windows: the status record from the system's.
#ifndef KS_FIO_STATUS_H
#define KS_FIO_STATUS_H

#include "ks_fio.h"

#include <windows.h>

inline void ks_fio_fill_status(DWORD attributes, FILETIME lastWrite, DWORD sizeHigh, DWORD sizeLow,
                               ks_fio_status *status) {
    const unsigned long long bytes = (unsigned long long)sizeHigh << 32 | sizeLow;
    status->size64 = bytes;
    status->size = bytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : (unsigned int)bytes;
    // FILETIME counts 100 ns from 1601-01-01 00:00 UTC.
    const unsigned long long ticks = (unsigned long long)lastWrite.dwHighDateTime << 32 | lastWrite.dwLowDateTime;
    const long long seconds = (long long)(ticks / 10000000) - 11644473600LL;
    status->mtime = seconds >= 0 && seconds <= 0xFFFFFFFFLL ? (unsigned int)seconds : 0u;
    status->type = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? KS_FIO_TYPE_DIRECTORY : KS_FIO_TYPE_FILE;
}

// The status of the file a link leads to: 0 or the system's error.
inline DWORD ks_fio_read_target_status(const wchar_t *path, ks_fio_status *status) {
    // No access asked for: the attributes come with any handle, and backup
    // semantics let a directory be opened.
    const HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    BY_HANDLE_FILE_INFORMATION info;
    const DWORD error = GetFileInformationByHandle(file, &info) ? 0 : GetLastError();
    CloseHandle(file);
    if (error == 0)
        ks_fio_fill_status(info.dwFileAttributes, info.ftLastWriteTime, info.nFileSizeHigh, info.nFileSizeLow, status);
    return error;
}

// The status of the file path names, links followed; with ownWhenBroken a
// link whose target cannot be read gives its own. 0 or the system's error.
inline DWORD ks_fio_read_status(const wchar_t *path, bool ownWhenBroken, ks_fio_status *status) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return GetLastError();
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        const DWORD error = ks_fio_read_target_status(path, status);
        if (error == 0 || !ownWhenBroken) return error;
    }
    ks_fio_fill_status(data.dwFileAttributes, data.ftLastWriteTime, data.nFileSizeHigh, data.nFileSizeLow, status);
    return 0;
}

#endif
