// File library on POSIX: directory listings.
//
// A listing keeps one open directory stream per level it has descended into.
// Subdirectories are opened relative to their parent's descriptor with
// O_NOFOLLOW, so a symbolic link is never entered even when it is swapped in
// after readdir looked; the path of every entry is the directory's path and
// the names below it, kept in one prefix buffer that each level extends.
#include "ks_fio.h"
#include "ks_fio_status.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kPathLength = PATH_MAX;

struct Level {
    DIR *stream;
    size_t prefixLength;  // bytes of ks_dir::prefix that lead to this level's entries
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

// A stream over the directory name relative to at; null with errno set.
DIR *openStream(int at, const char *name, int flags) {
    int fd;
    do {
        fd = openat(at, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return nullptr;
    DIR *stream = fdopendir(fd);
    if (stream == nullptr) {
        const int error = errno;
        close(fd);
        errno = error;
    }
    return stream;
}

bool push(ks_dir *listing, DIR *stream, size_t prefixLength) {
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

void pop(ks_dir *listing) { closedir(listing->levels[--listing->depth].stream); }

// Enters the subdirectory name of the innermost level, if it can be opened
// and a path below it can fit; otherwise its entries are passed over.
void descend(ks_dir *listing, const char *name, size_t nameBytes) {
    const Level &parent = listing->levels[listing->depth - 1];
    const size_t prefixLength = parent.prefixLength + nameBytes + 1;
    if (prefixLength + 2 > (size_t)kPathLength) return;  // no room for a name and the NUL
    DIR *stream = openStream(dirfd(parent.stream), name, O_NOFOLLOW);
    if (stream == nullptr) return;
    char *end = listing->prefix + parent.prefixLength;
    memcpy(end, name, nameBytes);
    end[nameBytes] = '/';
    if (!push(listing, stream, prefixLength)) closedir(stream);
}

int statAt(int at, const char *name, struct stat *info, int flags) {
    int result;
    do {
        result = fstatat(at, name, info, flags);
    } while (result < 0 && errno == EINTR);
    return result;
}

// The entry's status, of its target for a symbolic link, or of the link
// itself when the target is missing or a loop; false when the entry is gone.
bool statusAt(int at, const char *name, struct stat *info) {
    if (statAt(at, name, info, 0) == 0) return true;
    return (errno == ENOENT || errno == ELOOP) && statAt(at, name, info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool isDotOrDotDot(const char *name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Whether readdir's type leaves room for the entry to be listed in `mode`,
// so that entries surely left out cost no status.
bool mayBeListed(unsigned char type, int mode) {
    const bool mayBeDirectory = type == DT_DIR || type == DT_LNK || type == DT_UNKNOWN;
    return ((mode & KS_DIR_DIRECTORIES) && mayBeDirectory) || ((mode & KS_DIR_FILES) && type != DT_DIR);
}

bool isListed(const struct stat &info, int mode) {
    return (mode & (S_ISDIR(info.st_mode) ? KS_DIR_DIRECTORIES : KS_DIR_FILES)) != 0;
}

}  // namespace

int ks_dir_open(const char *path, int mode, ks_dir_handle *handle) {
    if (path == nullptr || handle == nullptr) return EINVAL;
    ks_dir *listing = static_cast<ks_dir *>(calloc(1, sizeof(ks_dir)));
    if (listing == nullptr) return ENOMEM;
    listing->mode = mode;
    DIR *stream = openStream(AT_FDCWD, path, 0);
    if (stream == nullptr) {
        const int code = openCode(errno);
        free(listing);
        return code;
    }
    // The path and a separator, unless it already ends with one.
    int code = ks_fio_pcat(path, "", listing->prefix, kPathLength);
    if (code == 0 && !push(listing, stream, strlen(listing->prefix))) code = ENOMEM;
    if (code != 0) {
        closedir(stream);
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
        const Level level = listing->levels[listing->depth - 1];
        const dirent *entry = readdir(level.stream);
        if (entry == nullptr) {  // the end of this directory, or a failure to read on
            pop(listing);
            continue;
        }
        const char *name = entry->d_name;
        if (isDotOrDotDot(name) || (name[0] == '.' && !(mode & KS_DIR_HIDDEN))) continue;
        const size_t nameBytes = strlen(name);
        const size_t pathBytes = level.prefixLength + nameBytes;
        if (pathBytes >= room) continue;

        struct stat info;
        const bool needsStatus = mayBeListed(entry->d_type, mode);
        if (needsStatus && !statusAt(dirfd(level.stream), name, &info)) continue;
        const bool listed = needsStatus && isListed(info, mode);
        if (listed) {
            memcpy(path, listing->prefix, level.prefixLength);
            memcpy(path + level.prefixLength, name, nameBytes + 1);
            ks_fio_fill_status(info, status);
        }
        // Links are left to O_NOFOLLOW, which refuses them also where readdir
        // cannot tell their type.
        const bool directory = entry->d_type == DT_DIR ||
                               (entry->d_type == DT_UNKNOWN && (!needsStatus || S_ISDIR(info.st_mode)));
        if ((mode & KS_DIR_RECURSIVE) && directory) descend(listing, name, nameBytes);
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
