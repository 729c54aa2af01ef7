#include "commands.h"
#include "text_input.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

int runCat(int argc, char **argv) {
    int encoding = qebEncodingAuto;
    const char *path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--encoding" && i + 1 < argc) {
            encoding = encodingByName(argv[++i]);
            if (encoding < 0) return usageError("cat", "unknown encoding");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("cat", ("unknown option " + arg).c_str());
        } else if (path) {
            return usageError("cat", "expects one FILE");
        } else {
            path = argv[i];
        }
    }
    if (!path) return usageError("cat", "expects one FILE");

    QebTxtFile file;
    if (!openTextInput(file, path, encoding)) return 1;
    // Pieces of a long line are written as they come; a line end follows
    // each complete line, so a last line without one stays without.
    char buffer[64 * 1024];
    bool complete = false;
    int n;
    while ((n = file.readln(buffer, sizeof buffer, &complete)) >= 0) {
        std::fputs(buffer, stdout);
        if (complete) std::fputc('\n', stdout);
    }
    if (n == -1) return failure(file.getErrorMessage().asCstr());
    if (std::fflush(stdout) != 0) return failure("cannot write the output", std::strerror(errno));
    return 0;
}
