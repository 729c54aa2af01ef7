#include "qemsg1.h"

#include "ks_uchar.h"

#include <stdio.h>
#include <string.h>

namespace {

enum Domain { kBaseServices = 1, kEventPlugin = 2 };

struct Entry {
    int code;
    int domains;  // Domain bits
    const char *text;
};

// Placeholders take the values in the order the raising code passes them.
const Entry kCatalogue[] = {
    {29, kEventPlugin, "Not enough memory to prepare the command. %s"},
    {97, kBaseServices, "The file cannot be read. %s"},
    {332, kBaseServices | kEventPlugin,
     "Cannot create a temporary file (error %d) in the directory \"%s\": %s"},
    {333, kBaseServices, "The mail command \"%s\" reported: %s"},
    {335, kBaseServices, "The file's text is not valid in its encoding, or the encoding is not supported."},
    {336, kBaseServices, "Cannot move to the end of the file to append to it."},
    {337, kBaseServices, "The buffer is too small to hold a single character of the file's text."},
    {377, kBaseServices | kEventPlugin, "Cannot obtain the status of the command: %s"},
    {378, kBaseServices | kEventPlugin, "The command was aborted with code %d."},
    {380, kBaseServices | kEventPlugin, "Cannot start the command: %s"},
    {444, kBaseServices, "Not enough memory."},
    {445, kBaseServices, "The directory \"%s\" does not exist."},
    {446, kBaseServices, "\"%s\" is not a directory."},
    {447, kBaseServices, "Permission to read the directory \"%s\" is denied."},
    {448, kBaseServices, "Cannot write a MIME boundary line into the mail file."},
    {449, kBaseServices, "Cannot write the mail header %s with the value \"%s\"."},
    {450, kBaseServices, "The mail has no recipient."},
    {451, kBaseServices, "The mail has no subject."},
    {452, kBaseServices, "Cannot write a part of the mail into the mail file."},
    {453, kBaseServices, "Cannot move to the start of the file \"%s\"."},
    {454, kBaseServices, "Cannot truncate the file \"%s\"."},
    {467, kBaseServices, "Cannot list the directory \"%s\" (error %d)."},
    {471, kBaseServices, "File input or output failed: %s"},
    {1352, kBaseServices, "Cannot open the file \"%s\" (error %d)."},
    {1353, kBaseServices, "Cannot open the file \"%s\": %s"},
};

int domainBit(const char *domain) {
    if (domain == nullptr) return 0;
    if (strcmp(domain, "Base Services") == 0) return kBaseServices;
    if (strcmp(domain, "Event Plugin") == 0) return kEventPlugin;
    return 0;
}

// domains 0: any domain.
const char *findText(int code, int domains) {
    for (const Entry &entry : kCatalogue) {
        if (entry.code == code && (domains == 0 || (entry.domains & domains) != 0)) return entry.text;
    }
    return nullptr;
}

// Appends to a fixed buffer, keeping room for the NUL; past the end it
// drops what does not fit and remembers that the text was cut.
class Writer {
public:
    explicit Writer(char *buffer) : mBuffer(buffer), mUsed(0), mCut(false) {}

    void append(const char *text, size_t bytes) {
        const size_t room = QEMSG1_BUFFER_SIZE - 1 - mUsed;
        if (bytes > room) {
            bytes = room;
            mCut = true;
        }
        memcpy(mBuffer + mUsed, text, bytes);
        mUsed += bytes;
    }

    void append(const char *text) { append(text, strlen(text)); }

    // Terminates the text: a character cut short by the end of the buffer is
    // dropped whole, then trailing blanks.
    int finish() {
        if (mCut) mUsed = (size_t)ks_uchar_wholelength(mBuffer, (int)mUsed);
        while (mUsed > 0 && mBuffer[mUsed - 1] == ' ') --mUsed;
        mBuffer[mUsed] = '\0';
        return (int)mUsed;
    }

private:
    char *mBuffer;
    size_t mUsed;
    bool mCut;
};

int expand(const char *text, char *buffer, va_list args) {
    Writer out(buffer);
    const char *run = text;
    for (const char *p = text; *p; ++p) {
        if (p[0] != '%' || (p[1] != 's' && p[1] != 'd')) continue;
        out.append(run, (size_t)(p - run));
        if (p[1] == 's') {
            const char *value = va_arg(args, const char *);
            out.append(value ? value : "");
        } else {
            char number[16];
            snprintf(number, sizeof number, "%d", va_arg(args, int));
            out.append(number);
        }
        run = ++p + 1;
    }
    out.append(run);
    return out.finish();
}

// Formats a text of the library's own that takes no values.
int fixed(char *buffer, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int n = expand(format, buffer, args);
    va_end(args);
    return n;
}

}  // namespace

int qemsg1_get_vmessage(const char *, int, const char *domain, int code, char *buffer, va_list args,
                        int) {
    const int bit = domainBit(domain);
    const char *text = bit != 0 ? findText(code, bit) : nullptr;
    if (text != nullptr) return expand(text, buffer, args);
    return fixed(buffer, "No message %d in the domain \"%s\" of the catalogue.", code,
                 domain ? domain : "");
}

int qemsg1_get_vfragment(int code, char *buffer, va_list args, int alternate, int) {
    const char *text = findText(code, 0);
    if (text == nullptr) text = findText(alternate, 0);
    if (text != nullptr) return expand(text, buffer, args);
    return fixed(buffer, "No message fragment %d in the catalogue.", code);
}
