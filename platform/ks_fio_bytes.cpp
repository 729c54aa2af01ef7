// File library: the byte-file operations built on the system's own.
#include "ks_fio.h"

#include <errno.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

int ks_fio_putm(ks_fio_handle handle, ...) {
    va_list texts;
    va_start(texts, handle);
    long long total = 0;
    while (const char *text = va_arg(texts, const char *)) {
        const size_t bytes = strlen(text);
        if (bytes > INT_MAX || ks_fio_putb(handle, text, (int)bytes) < 0) {
            total = -1;
            break;
        }
        total += (long long)bytes;
    }
    va_end(texts);
    return total > INT_MAX ? INT_MAX : (int)total;
}

// Reads a block and moves the offset back to just after the line's end, so
// that the handle stays unbuffered for the byte operations.
int ks_fio_gets(ks_fio_handle handle, char *buffer, int size) {
    if (buffer == nullptr || size < 2) return ks_fio_fail(EINVAL);
    const int got = ks_fio_getb(handle, buffer, size - 1);
    if (got <= 0) {
        buffer[0] = '\0';
        return got;
    }
    const char *newline = static_cast<const char *>(memchr(buffer, '\n', (size_t)got));
    const int line = newline ? (int)(newline - buffer) + 1 : got;
    if (line < got && ks_fio_seek64(handle, line - got, SEEK_CUR) < 0) return -1;
    buffer[line] = '\0';
    return line;
}

long ks_fio_seek(ks_fio_handle handle, long offset, int origin) {
    const long long at = ks_fio_seek64(handle, offset, origin);
    return at <= LONG_MAX ? (long)at : ks_fio_fail(EOVERFLOW);
}
