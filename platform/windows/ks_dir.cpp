// File library on Windows: directory listings.
//
// A listing keeps one search per level it has descended into; the path of
// every entry is the directory's path and the names below it, kept in one
// prefix buffer that each level extends. Links and junctions, which the
// search marks as reparse points, are never entered; should one be swapped
// in after the search looked, the bound on the path's length still ends the
// descent.
#include "ks_fio.h"
#include "ks_fio_error.h"
#include "ks_fio_status.h"
#include "ks_fio_wide_path.h"
#include "ks_uchar.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

namespace {

constexpr int kPathLength = 4096;

struct Level {
    HANDLE search;
    size_t prefixLength;  // bytes of ks_dir::prefix that lead to this level's entries
    bool pending;         // entry is the first one, which starting the search gave
    WIN32_FIND_DATAW entry;
};

}  // namespace

struct ks_dir {
    int mode;
    int depth;  // levels open; the innermost is levels[depth - 1]
    int capacity;
    Level *levels;
    char prefix[kPathLength];  // the innermost level's path and a separator
};

const int ks_dir_pathlen = kPathLength;

namespace {

// Codes 2, 3 and 4 have their own meaning here.
int openCode(int code) {
    switch (code) {
    case ENOENT: return 2;
    case ENOTDIR: return 3;
    case EACCES: return 4;
    }
    return code;
}

// Starts the search of the directory whose path and separator are the
// prefix's first prefixLength bytes: 0 or the system's error.
DWORD startSearch(ks_dir *listing, size_t prefixLength, Level *level) {
    listing->prefix[prefixLength] = '\0';
    const KsWidePath pattern(listing->prefix, L"*");
    // A prefix is valid UTF-8 of a bounded length: only memory can lack.
    if (pattern.get() == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    level->search = FindFirstFileExW(pattern.get(), FindExInfoBasic, &level->entry, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH);
    if (level->search == INVALID_HANDLE_VALUE) return GetLastError();
    level->prefixLength = prefixLength;
    level->pending = true;
    return 0;
}

bool push(ks_dir *listing, const Level &level) {
    if (listing->depth == listing->capacity) {
        const int capacity = listing->capacity == 0 ? 8 : listing->capacity * 2;
        Level *levels = static_cast<Level *>(realloc(listing->levels, sizeof(Level) * (size_t)capacity));
        if (levels == nullptr) return false;
        listing->levels = levels;
        listing->capacity = capacity;
    }
    listing->levels[listing->depth++] = level;
    return true;
}

void pop(ks_dir *listing) { FindClose(listing->levels[--listing->depth].search); }

// Moves the level to its next entry; false at its end or on a failure to
// read on.
bool advance(Level *level) {
    if (level->pending) {
        level->pending = false;
        return true;
    }
    return FindNextFileW(level->search, &level->entry) != 0;
}

// Enters the subdirectory whose name takes nameBytes of the prefix after the
// innermost level's, if it can be searched and a path below it can fit;
// otherwise its entries are passed over.
void descend(ks_dir *listing, size_t nameBytes) {
    const size_t parentLength = listing->levels[listing->depth - 1].prefixLength;
    const size_t prefixLength = parentLength + nameBytes + 1;
    if (prefixLength + 2 > (size_t)kPathLength) return;  // no room for a name and the NUL
    listing->prefix[parentLength + nameBytes] = ks_fio_syntax.separators[0];
    Level level;
    if (startSearch(listing, prefixLength, &level) != 0) return;
    if (!push(listing, level)) FindClose(level.search);
}

bool isDotOrDotDot(const wchar_t *name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
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
bool isLink(const WIN32_FIND_DATAW &entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (entry.dwReserved0 == 0 || IsReparseTagNameSurrogate(entry.dwReserved0));
}

// Whether the entry may be listed in `mode` by what the search tells, so
// that entries surely left out cost no status.
bool mayBeListed(const WIN32_FIND_DATAW &entry, int mode) {
    if (isLink(entry)) return (mode & (KS_DIR_FILES | KS_DIR_DIRECTORIES)) != 0;
    return (mode & ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? KS_DIR_DIRECTORIES : KS_DIR_FILES)) != 0;
}

// The status of the entry at path, of a link's target where there is one;
// false when the entry is gone.
bool readStatus(const char *path, ks_fio_status *status) {
    const KsWidePath wide(path);
    return wide.get() != nullptr && ks_fio_read_status(wide.get(), true, status) == 0;
}

}  // namespace

int ks_dir_open(const char *path, int mode, ks_dir_handle *handle) {
    if (path == nullptr || handle == nullptr) return EINVAL;
    const KsWidePath wide(path);
    if (wide.get() == nullptr) return wide.error();
    ks_fio_status status = {};
    const DWORD error = ks_fio_read_status(wide.get(), false, &status);
    if (error != 0) return openCode(ks_fio_error_code(error));
    if (status.type != KS_FIO_TYPE_DIRECTORY) return 3;
    ks_dir *listing = static_cast<ks_dir *>(calloc(1, sizeof(ks_dir)));
    if (listing == nullptr) return ENOMEM;
    listing->mode = mode;
    // The path and a separator, unless it already ends with one.
    int code = ks_fio_pcat(path, "", listing->prefix, kPathLength);
    Level level;
    if (code == 0) {
        const DWORD found = startSearch(listing, strlen(listing->prefix), &level);
        // No file found: an empty drive's root, which has not even ".".
        if (found == 0 && !push(listing, level)) {
            FindClose(level.search);
            code = ENOMEM;
        } else if (found != 0 && found != ERROR_FILE_NOT_FOUND) {
            code = openCode(ks_fio_error_code(found));
        }
    }
    if (code != 0) {
        free(listing);
        return code;
    }
    *handle = listing;
    return 0;
}

int ks_dir_next_stat(ks_dir_handle listing, char *path, int pathSize, ks_fio_status *status) {
    if (listing == nullptr || path == nullptr || pathSize <= 0 || status == nullptr) return EINVAL;
    const int mode = listing->mode;
    // No path longer than ks_dir_pathlen promises, whatever the buffer.
    const size_t room = (size_t)(pathSize < kPathLength ? pathSize : kPathLength);
    while (listing->depth > 0) {
        Level &level = listing->levels[listing->depth - 1];
        if (!advance(&level)) {  // the end of this directory, or a failure to read on
            pop(listing);
            continue;
        }
        const WIN32_FIND_DATAW &entry = level.entry;
        const wchar_t *name = entry.cFileName;
        if (isDotOrDotDot(name) || (name[0] == L'.' && !(mode & KS_DIR_HIDDEN)) || !isWellFormed(name)) continue;
        const unsigned short *units = reinterpret_cast<const unsigned short *>(name);
        const int nameBytes = ks_uchar_utf16_to_utf8(units, nullptr, 0);
        const size_t pathBytes = level.prefixLength + (size_t)nameBytes;
        if (nameBytes < 0 || pathBytes >= room) continue;
        ks_uchar_utf16_to_utf8(units, listing->prefix + level.prefixLength, nameBytes + 1);

        ks_fio_status info;
        const bool needsStatus = mayBeListed(entry, mode);
        if (needsStatus && !readStatus(listing->prefix, &info)) continue;
        const bool listed =
            needsStatus && (mode & (info.type == KS_FIO_TYPE_DIRECTORY ? KS_DIR_DIRECTORIES : KS_DIR_FILES));
        if (listed) {
            memcpy(path, listing->prefix, pathBytes + 1);
            *status = info;
        }
        const bool directory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !isLink(entry);
        // descend may move the levels: level and entry are not used after it.
        if ((mode & KS_DIR_RECURSIVE) && directory) descend(listing, (size_t)nameBytes);
        if (listed) return 0;
    }
    return -1;
}

void ks_dir_close(ks_dir_handle listing) {
    if (listing == nullptr) return;
    while (listing->depth > 0) pop(listing);
    free(listing->levels);
    free(listing);
}
