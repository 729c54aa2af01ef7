// File library on POSIX: the directory streams of listings.
//
// Subdirectories are opened relative to their parent's descriptor with
// O_NOFOLLOW, so a symbolic link is never entered even when it is swapped in
// after readdir looked.
#include "ks_dir_stream.h"
#include "ks_fio_status.h"
#include "ks_retry.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

struct KsDirStream {
    DIR *directory;
};

const int ks_dir_pathlen = PATH_MAX;

namespace {

// A stream over the directory name relative to at; null with errno set.
KsDirStream *openStream(int at, const char *name, int flags) {
    KsDirStream *stream = static_cast<KsDirStream *>(malloc(sizeof(KsDirStream)));
    if (stream == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    const int fd = ks_retry([&] { return openat(at, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | flags); });
    stream->directory = fd < 0 ? nullptr : fdopendir(fd);
    if (stream->directory == nullptr) {
        const int error = errno;
        if (fd >= 0) close(fd);
        free(stream);
        errno = error;
        return nullptr;
    }
    return stream;
}

int statAt(int at, const char *name, struct stat *info, int flags) {
    return ks_retry([&] { return fstatat(at, name, info, flags); });
}

// The entry's status, of its target for a symbolic link, or of the link
// itself when the target is missing or a loop; false when the entry is gone.
bool statusAt(int at, const char *name, struct stat *info) {
    if (statAt(at, name, info, 0) == 0) return true;
    return (errno == ENOENT || errno == ELOOP) && statAt(at, name, info, AT_SYMLINK_NOFOLLOW) == 0;
}

KsDirEntryType typeOf(unsigned char type) {
    switch (type) {
    case DT_DIR: return KsDirEntryType::Directory;
    case DT_LNK: return KsDirEntryType::Link;
    case DT_UNKNOWN: return KsDirEntryType::Unknown;
    }
    return KsDirEntryType::NotDirectory;
}

}  // namespace

int ks_dir_stream_open(const char *path, KsDirStream **stream) {
    *stream = openStream(AT_FDCWD, path, 0);
    return *stream != nullptr ? 0 : errno;
}

KsDirStream *ks_dir_stream_open_below(KsDirStream *parent, const char *name, const char *) {
    return openStream(dirfd(parent->directory), name, O_NOFOLLOW);
}

bool ks_dir_stream_next(KsDirStream *stream, KsDirEntry *entry) {
    const dirent *found = readdir(stream->directory);
    if (found == nullptr) return false;
    *entry = KsDirEntry{found->d_name, strlen(found->d_name), typeOf(found->d_type)};
    return true;
}

bool ks_dir_stream_status(KsDirStream *stream, const KsDirEntry &entry, const char *, ks_fio_status *status) {
    struct stat info;
    if (!statusAt(dirfd(stream->directory), entry.name, &info)) return false;
    ks_fio_fill_status(info, status);
    return true;
}

void ks_dir_stream_close(KsDirStream *stream) {
    closedir(stream->directory);
    free(stream);
}
