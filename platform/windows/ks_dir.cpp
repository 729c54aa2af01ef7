// File library on Windows: the directory searches of listings.
//
// Links and junctions, which the search marks as reparse points, are never
// entered; should one be swapped in after the search looked, the bound on
// the path's length still ends the descent.
#include "ks_dir_stream.h"
#include "ks_fio_error.h"
#include "ks_fio_status.h"
#include "ks_fio_wide_path.h"
#include "ks_uchar.h"

#include <errno.h>
#include <stdlib.h>
#include <windows.h>

struct KsDirStream {
    HANDLE search;            // INVALID_HANDLE_VALUE for a directory without entries
    bool pending;             // found is the first entry, which starting the search gave
    WIN32_FIND_DATAW found;
    char name[3 * MAX_PATH];  // found's name as UTF-8: three bytes at most per unit
};

constexpr int kPathLength = 4096;
const int ks_dir_pathlen = kPathLength;

namespace {

// Starts the search of the directory whose path, a separator after it, is
// directory: 0 with *stream set, or the system's error.
DWORD startSearch(const char *directory, KsDirStream **stream) {
    const KsWidePath pattern(directory, L"*");
    KsDirStream *started = static_cast<KsDirStream *>(malloc(sizeof(KsDirStream)));
    // The path is valid UTF-8 of a bounded length: only memory can lack.
    if (pattern.get() == nullptr || started == nullptr) {
        free(started);
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    started->search = FindFirstFileExW(pattern.get(), FindExInfoBasic, &started->found, FindExSearchNameMatch,
                                       nullptr, FIND_FIRST_EX_LARGE_FETCH);
    // Nothing found, not even "." (an empty drive's root): a stream without entries.
    if (started->search == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_NOT_FOUND) {
        const DWORD error = GetLastError();
        free(started);
        return error;
    }
    started->pending = started->search != INVALID_HANDLE_VALUE;
    *stream = started;
    return 0;
}

// Moves the stream to its next entry; false at its end or on a failure to
// read on.
bool advance(KsDirStream *stream) {
    if (stream->pending) {
        stream->pending = false;
        return true;
    }
    return stream->search != INVALID_HANDLE_VALUE && FindNextFileW(stream->search, &stream->found) != 0;
}

// Whether the name has a UTF-8 form that names the entry again: one without
// unpaired surrogates.
bool isWellFormed(const wchar_t *name) {
    for (; *name != L'\0'; ++name) {
        if (IS_LOW_SURROGATE(name[0])) return false;
        if (IS_HIGH_SURROGATE(name[0]) && !IS_LOW_SURROGATE(*++name)) return false;
    }
    return true;
}

// A link or junction: a reparse point that stands for another name. Where
// the system gives no tag, any reparse point is taken for one.
bool isLink(const WIN32_FIND_DATAW &found) {
    return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (found.dwReserved0 == 0 || IsReparseTagNameSurrogate(found.dwReserved0));
}

KsDirEntryType typeOf(const WIN32_FIND_DATAW &found) {
    if (isLink(found)) return KsDirEntryType::Link;
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? KsDirEntryType::Directory
                                                              : KsDirEntryType::NotDirectory;
}

}  // namespace

int ks_dir_stream_open(const char *path, KsDirStream **stream) {
    const KsWidePath wide(path);
    if (wide.get() == nullptr) return wide.error();
    ks_fio_status status = {};
    const DWORD error = ks_fio_read_status(wide.get(), false, &status);
    if (error != 0) return ks_fio_error_code(error);
    if (status.type != KS_FIO_TYPE_DIRECTORY) return ENOTDIR;
    // The path and a separator, unless it already ends with one.
    char directory[kPathLength];
    if (const int code = ks_fio_pcat(path, "", directory, kPathLength)) return code;
    const DWORD found = startSearch(directory, stream);
    return found == 0 ? 0 : ks_fio_error_code(found);
}

KsDirStream *ks_dir_stream_open_below(KsDirStream *, const char *, const char *path) {
    KsDirStream *stream = nullptr;
    startSearch(path, &stream);
    return stream;
}

bool ks_dir_stream_next(KsDirStream *stream, KsDirEntry *entry) {
    while (advance(stream)) {
        const wchar_t *name = stream->found.cFileName;
        if (!isWellFormed(name)) continue;
        const int nameBytes = ks_uchar_utf16_to_utf8(reinterpret_cast<const unsigned short *>(name), stream->name,
                                                     (int)sizeof stream->name);
        *entry = KsDirEntry{stream->name, (size_t)nameBytes, typeOf(stream->found)};
        return true;
    }
    return false;
}

bool ks_dir_stream_status(KsDirStream *, const KsDirEntry &, const char *path, ks_fio_status *status) {
    const KsWidePath wide(path);
    return wide.get() != nullptr && ks_fio_read_status(wide.get(), true, status) == 0;
}

void ks_dir_stream_close(KsDirStream *stream) {
    if (stream->search != INVALID_HANDLE_VALUE) FindClose(stream->search);
    free(stream);
}
