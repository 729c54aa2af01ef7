// File library: joining and splitting paths.
#include "ks_fio.h"

#include <errno.h>
#include <string.h>

namespace {

bool isSeparator(char c) { return c != '\0' && strchr(ks_fio_syntax.separators, c) != nullptr; }

// Bytes of the path's root, which splitting leaves whole: a leading
// separator, after a drive letter and ':' where drives exist.
size_t rootLength(const char *path) {
    const char letter = (char)(path[0] | 0x20);  // ASCII lower case
    const size_t drive = ks_fio_syntax.driveRoots && letter >= 'a' && letter <= 'z' && path[1] == ':' ? 2 : 0;
    return isSeparator(path[drive]) ? drive + 1 : 0;
}

// Copies bytes bytes and a NUL; false, with out emptied when it has room for
// that, when they do not fit in outSize.
bool copyPart(const char *text, size_t bytes, char *out, int outSize) {
    if (outSize <= 0 || bytes >= (size_t)outSize) {
        if (out != nullptr && outSize > 0) out[0] = '\0';
        return false;
    }
    memcpy(out, text, bytes);
    out[bytes] = '\0';
    return true;
}

}  // namespace

int ks_fio_pcat(const char *first, const char *second, char *out, int outSize) {
    if (first == nullptr || second == nullptr || out == nullptr) return EINVAL;
    const size_t firstBytes = strlen(first), secondBytes = strlen(second);
    const size_t separator = firstBytes > 0 && !isSeparator(first[firstBytes - 1]) ? 1 : 0;
    if (outSize <= 0 || firstBytes + separator + secondBytes >= (size_t)outSize) {
        if (outSize > 0) out[0] = '\0';
        return ENAMETOOLONG;
    }
    memcpy(out, first, firstBytes);
    if (separator) out[firstBytes] = ks_fio_syntax.separators[0];
    memcpy(out + firstBytes + separator, second, secondBytes + 1);
    return 0;
}

int ks_fio_pparse(const char *path, char *directory, int directorySize, char *name, int nameSize) {
    if (path == nullptr) return EINVAL;
    const size_t bytes = strlen(path);
    size_t nameStart = bytes;
    while (nameStart > 0 && !isSeparator(path[nameStart - 1])) --nameStart;
    // The directory part loses its trailing separators, except the root's.
    const size_t root = rootLength(path);
    size_t directoryEnd = nameStart;
    while (directoryEnd > root && isSeparator(path[directoryEnd - 1])) --directoryEnd;
    const bool directoryFits = directory == nullptr || copyPart(path, directoryEnd, directory, directorySize);
    const bool nameFits = name == nullptr || copyPart(path + nameStart, bytes - nameStart, name, nameSize);
    if (directoryFits && nameFits) return 0;
    if (directory != nullptr && directorySize > 0) directory[0] = '\0';
    if (name != nullptr && nameSize > 0) name[0] = '\0';
    return ENAMETOOLONG;
}
