#include "text_input.h"

#include "commands.h"
#include "console.h"

#include <cstring>
#include <strings.h>

int encodingByName(const std::string &name) {
    static const struct { const char *name; int encoding; } kNames[] = {
        {"auto", qebEncodingAuto},          {"UTF-8", qebEncodingUtf8},
        {"UTF-16LE", qebEncodingUtf16LE},   {"UTF-16BE", qebEncodingUtf16BE},
        {"ISO-8859-1", qebEncodingLatin1},  {"windows-1252", qebEncodingWindows1252},
    };
    for (const auto &entry : kNames) {
        if (strcasecmp(entry.name, name.c_str()) == 0) return entry.encoding;
    }
    return -1;
}

bool openTextInput(QebTxtFile &file, const char *path, int encoding) {
    if (!path || std::strcmp(path, "-") == 0) path = standardInputPath();
    if (!path) {
        failure("this system cannot read text from standard input: name a file");
        return false;
    }
    const int options = qebTextByteOrderMark | (encoding == qebEncodingAuto ? qebTextMarkDecides : 0);
    if (file.open(path, QebTxtFile::Read, encoding, options)) return true;
    failure(file.getErrorMessage().asCstr());
    return false;
}

bool readTextLine(QebTxtFile &file, std::string *line, bool *failed) {
    line->clear();
    char buffer[64 * 1024];
    for (;;) {
        bool complete = false;
        const int n = file.readln(buffer, sizeof buffer, &complete);
        if (n == -2) return !line->empty();
        if (n < 0) {
            *failed = true;
            failure(file.getErrorMessage().asCstr());
            return false;
        }
        line->append(buffer);
        if (complete) return true;
    }
}
