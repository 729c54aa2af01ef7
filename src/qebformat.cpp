#include <qeb/qebformat.h>

#include "ks_uchar.h"

#include <cstdarg>

namespace {

enum class Conversion { None, Text, String, Int, Long, Int64, UInt64, Double };

// The conversion whose letters start at sequence (just after a '%'), and where
// they end; None for a sequence that is copied.
Conversion conversionAt(const char *sequence, const char **end) {
    Conversion kind = Conversion::None;
    int letters = 1;
    switch (sequence[0]) {
    case 's': kind = Conversion::Text; break;
    case 'S': kind = Conversion::String; break;
    case 'd': kind = Conversion::Int; break;
    case 'g': kind = Conversion::Double; break;
    case 'l':
        if (sequence[1] == 'd') kind = Conversion::Long;
        letters = 2;
        break;
    case 'I':
        if (sequence[1] == '6' && sequence[2] == '4') {
            if (sequence[3] == 'i') kind = Conversion::Int64;
            if (sequence[3] == 'u') kind = Conversion::UInt64;
        }
        letters = 4;
        break;
    }
    *end = sequence + letters;
    return kind;
}

// Formats a number as the string's numeric assign does and appends it; a
// number that cannot be formatted for lack of memory is left out.
template <class T>
void appendNumber(QebString &result, T value) {
    QebString text;
    text.assign(value);
    result.append(text);
}

void appendArgument(QebString &result, Conversion kind, va_list *args) {
    switch (kind) {
    case Conversion::Text: result.append(va_arg(*args, const char *)); break;
    case Conversion::String:
        if (const QebString *text = va_arg(*args, const QebString *)) result.append(*text);
        break;
    case Conversion::Int: appendNumber(result, static_cast<long long>(va_arg(*args, int))); break;
    case Conversion::Long: appendNumber(result, static_cast<long long>(va_arg(*args, long))); break;
    case Conversion::Int64: appendNumber(result, va_arg(*args, long long)); break;
    case Conversion::UInt64: appendNumber(result, va_arg(*args, unsigned long long)); break;
    case Conversion::Double: appendNumber(result, va_arg(*args, double)); break;
    case Conversion::None: break;
    }
}

// Appends the plain format text [begin, end); it ends next to an ASCII byte
// or at the format's end, so at a character boundary.
void appendPlain(QebString &result, const char *begin, const char *end) {
    if (end > begin) result.append(begin, ks_uchar_tell(begin, end));
}

}  // namespace

// Plain text, and the sequences that are copied, are appended in runs: the
// same text as byte by byte, with a character count per run.
QebString qebStringFormat(const char *format, ...) {
    QebString result;
    if (!format) return result;
    va_list args;
    va_start(args, format);
    const char *run = format;  // start of the text not yet appended
    const char *p = format;
    while (*p) {
        if (*p != '%') {
            ++p;
            continue;
        }
        const char *next = p + 1;
        const char *end;
        const Conversion kind = conversionAt(next, &end);
        if (kind != Conversion::None) {
            appendPlain(result, run, p);
            appendArgument(result, kind, &args);
            run = p = end;
        } else if (*next == '%' || *next == 'I') {
            // Only the '%' is copied; the character after it is dropped.
            appendPlain(result, run, next);
            run = p = next + 1;
        } else if (*next == 'l' && next[1]) {
            p = next + 2;  // "%l" and the character after it are copied
        } else {
            p = next;  // '%' and the character after it (if any) are copied
        }
    }
    appendPlain(result, run, p);
    va_end(args);
    return result;
}
