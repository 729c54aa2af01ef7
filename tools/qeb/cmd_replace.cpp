#include "commands.h"

#include <qeb/qebstring.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Replaces within one line. A string holds no NUL byte, so the line is
// handled piece by piece between NULs, which are copied as they are.
bool replaceLine(const std::string &line, const QebString &from, const QebString &to, FILE *out) {
    for (size_t start = 0;;) {
        const size_t nul = line.find('\0', start);
        const std::string piece = line.substr(start, nul - start);
        const QebString replaced = QebString(piece.c_str()).replace(from, to, 0, -1);
        if (replaced.isNull()) return false;
        std::fwrite(replaced.asCstr(), 1, replaced.cStrSize() - 1, out);
        if (nul == std::string::npos) return true;
        std::fputc('\0', out);
        start = nul + 1;
    }
}

}  // namespace

int runReplace(int argc, char **argv) {
    if (argc < 3 || argc > 4) return usageError("replace", "expects FROM, TO and at most one FILE");
    const QebString from(argv[1], true), to(argv[2], true);
    if (from.length() == 0) return usageError("replace", "FROM must not be empty");

    FILE *in = openInput(argc == 4 ? argv[3] : nullptr);
    if (!in) return 1;
    std::string line;
    bool ok = true;
    for (int c; ok && (c = std::getc(in)) != EOF;) {
        line.push_back(char(c));
        if (c == '\n') {
            ok = replaceLine(line, from, to, stdout);
            line.clear();
        }
    }
    if (ok && !line.empty()) ok = replaceLine(line, from, to, stdout);
    if (!closeInput(in)) return 1;
    if (!ok) return failure("out of memory");
    if (std::fflush(stdout) != 0) return failure("cannot write the output", std::strerror(errno));
    return 0;
}
