// File library: one directory's entries as the system reads them, for the
// portable depth-first listing in ks_dir.cpp. Each system implements these
// in its ks_dir.cpp, together with ks_dir_pathlen.
#ifndef KS_DIR_STREAM_H
#define KS_DIR_STREAM_H

#include "ks_fio.h"

#include <stddef.h>

struct KsDirStream;

// What reading the directory tells of an entry's type, so that entries the
// mode leaves out cost no status.
enum class KsDirEntryType {
    Directory,     // a directory, not a link to one
    Link,          // a symbolic link (on Windows a junction too): never entered
    NotDirectory,  // neither a directory nor a link
    Unknown        // not told: the status decides
};

struct KsDirEntry {
    const char *name;  // UTF-8 and NUL-terminated, valid until the stream reads on
    size_t nameBytes;
    KsDirEntryType type;
};

// Opens the directory path, links followed: 0 with *stream set, or an error
// number (ENOENT, ENOTDIR, EACCES...).
int ks_dir_stream_open(const char *path, KsDirStream **stream);
// Opens the subdirectory `name` that parent has just read, whose path with a
// separator after it is path: null when it cannot be entered, also when a
// link has taken its place since.
KsDirStream *ks_dir_stream_open_below(KsDirStream *parent, const char *name, const char *path);
// The next entry, "." and ".." included; false at the end or on a failure to
// read on. Names the library cannot give as UTF-8 are passed over.
bool ks_dir_stream_next(KsDirStream *stream, KsDirEntry *entry);
// The status of the entry just read, whose full path is path: of a link's
// target, or of the link itself when its target cannot be read; false when
// the entry is gone.
bool ks_dir_stream_status(KsDirStream *stream, const KsDirEntry &entry, const char *path, ks_fio_status *status);
void ks_dir_stream_close(KsDirStream *stream);

#endif
