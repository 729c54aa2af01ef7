// File library: directory listings, depth first over the system's streams.
//
// A listing keeps one open stream per level it has descended into; the path
// of every entry is the directory's path and the names below it, kept in one
// prefix buffer that each level extends.
#include "ks_dir_stream.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

namespace {

struct Level {
    KsDirStream *stream;
    size_t prefixLength;  // bytes of ks_dir::prefix that lead to this level's entries
};

}  // namespace

struct ks_dir {
    int mode;
    int depth;  // levels open; the innermost is levels[depth - 1]
    int capacity;
    Level *levels;
    char *prefix;  // ks_dir_pathlen bytes: the innermost level's path and a separator
};

namespace {

// Codes 2, 3 and 4 have their own meaning here; system numbers up to 4 that
// mean something else are reported as EIO.
int openCode(int error) {
    switch (error) {
    case ENOENT: return 2;
    case ENOTDIR: return 3;
    case EACCES:
    case EPERM: return 4;
    }
    return error > 4 ? error : EIO;
}

bool push(ks_dir *listing, KsDirStream *stream, size_t prefixLength) {
    if (listing->depth == listing->capacity) {
        const int capacity = listing->capacity == 0 ? 8 : listing->capacity * 2;
        Level *levels = static_cast<Level *>(realloc(listing->levels, sizeof(Level) * (size_t)capacity));
        if (levels == nullptr) return false;
        listing->levels = levels;
        listing->capacity = capacity;
    }
    listing->levels[listing->depth++] = Level{stream, prefixLength};
    return true;
}

void pop(ks_dir *listing) { ks_dir_stream_close(listing->levels[--listing->depth].stream); }

// Enters the subdirectory whose name follows the innermost level's prefix,
// if it can be opened and a path below it can fit; otherwise its entries are
// passed over.
void descend(ks_dir *listing, const KsDirEntry &entry) {
    const Level &parent = listing->levels[listing->depth - 1];
    const size_t prefixLength = parent.prefixLength + entry.nameBytes + 1;
    if (prefixLength + 2 > (size_t)ks_dir_pathlen) return;  // no room for a name and the NUL
    listing->prefix[prefixLength - 1] = ks_fio_syntax.separators[0];
    listing->prefix[prefixLength] = '\0';
    KsDirStream *stream = ks_dir_stream_open_below(parent.stream, entry.name, listing->prefix);
    if (stream != nullptr && !push(listing, stream, prefixLength)) ks_dir_stream_close(stream);
}

bool isDotOrDotDot(const char *name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Whether the type read leaves room for the entry to be listed in `mode`.
bool mayBeListed(KsDirEntryType type, int mode) {
    return ((mode & KS_DIR_DIRECTORIES) && type != KsDirEntryType::NotDirectory) ||
           ((mode & KS_DIR_FILES) && type != KsDirEntryType::Directory);
}

bool isListed(const ks_fio_status &status, int mode) {
    return (mode & (status.type == KS_FIO_TYPE_DIRECTORY ? KS_DIR_DIRECTORIES : KS_DIR_FILES)) != 0;
}

// Links are never entered. An entry of unknown type is tried when its
// status, which follows links, says directory or was not read: opening
// below refuses links and what is not a directory.
bool mayEnter(KsDirEntryType type, const ks_fio_status *status) {
    return type == KsDirEntryType::Directory ||
           (type == KsDirEntryType::Unknown && (status == nullptr || status->type == KS_FIO_TYPE_DIRECTORY));
}

}  // namespace

int ks_dir_open(const char *path, int mode, ks_dir_handle *handle) {
    if (path == nullptr || handle == nullptr) return EINVAL;
    // The prefix comes with the listing, in one block.
    ks_dir *listing = static_cast<ks_dir *>(calloc(1, sizeof(ks_dir) + (size_t)ks_dir_pathlen));
    if (listing == nullptr) return ENOMEM;
    listing->mode = mode;
    listing->prefix = reinterpret_cast<char *>(listing + 1);
    KsDirStream *stream = nullptr;
    int code = ks_dir_stream_open(path, &stream);
    if (code != 0) {
        free(listing);
        return openCode(code);
    }
    // The path and a separator, unless it already ends with one.
    code = ks_fio_pcat(path, "", listing->prefix, ks_dir_pathlen);
    if (code == 0 && !push(listing, stream, strlen(listing->prefix))) code = ENOMEM;
    if (code != 0) {
        ks_dir_stream_close(stream);
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
    const size_t room = (size_t)(pathSize < ks_dir_pathlen ? pathSize : ks_dir_pathlen);
    while (listing->depth > 0) {
        const Level level = listing->levels[listing->depth - 1];
        KsDirEntry entry;
        if (!ks_dir_stream_next(level.stream, &entry)) {  // the end of this directory, or a failure to read on
            pop(listing);
            continue;
        }
        if (isDotOrDotDot(entry.name) || (entry.name[0] == '.' && !(mode & KS_DIR_HIDDEN))) continue;
        const size_t pathBytes = level.prefixLength + entry.nameBytes;
        if (pathBytes >= room) continue;
        memcpy(listing->prefix + level.prefixLength, entry.name, entry.nameBytes + 1);

        ks_fio_status info;
        const bool needsStatus = mayBeListed(entry.type, mode);
        if (needsStatus && !ks_dir_stream_status(level.stream, entry, listing->prefix, &info)) continue;
        const bool listed = needsStatus && isListed(info, mode);
        if (listed) {
            memcpy(path, listing->prefix, pathBytes + 1);
            *status = info;
        }
        if ((mode & KS_DIR_RECURSIVE) && mayEnter(entry.type, needsStatus ? &info : nullptr)) descend(listing, entry);
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
