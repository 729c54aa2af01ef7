#include <fcntl.h>
#include <io.h>
#include <stdio.h>

void useBinaryOutput() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}
