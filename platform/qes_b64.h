// String library: base64, the MIME alphabet with '=' padding, in one piece
// (no line breaks).
#ifndef QES_B64_H
#define QES_B64_H

#include <stddef.h>

// The length of the encoding of n bytes of source, without a terminator.
// With a destination of at least that length + 1 bytes it also writes the
// encoding and a NUL; with a null destination, or a smaller one, it writes
// nothing. source may be null when n is 0.
size_t qes_b64_encode(const void *source, size_t n, char *destination, size_t destinationSize);

#endif
