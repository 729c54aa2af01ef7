#include "qes_num.h"

#include <charconv>
#include <cstring>
#include <system_error>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

const char *skipDigits(const char *p, const char *last) {
    while (p != last && isDigit(*p)) ++p;
    return p;
}

// The text without its surrounding blanks; false when nothing is left.
bool stripBlanks(const char *text, const char *&first, const char *&last) {
    if (!text) return false;
    first = text;
    while (isBlank(*first)) ++first;
    last = first + std::strlen(first);
    while (last != first && isBlank(last[-1])) --last;
    return first != last;
}

// from_chars reads a '-' but not a '+'.
const char *dropPlus(const char *first) { return *first == '+' ? first + 1 : first; }

// Maps a from_chars outcome over [first, last) to the parsers' result codes.
template <class T>
int finish(std::from_chars_result parsed, const char *last, const T &value, T *result) {
    if (parsed.ptr != last) return 0;
    if (parsed.ec == std::errc::result_out_of_range) return -1;
    if (parsed.ec != std::errc()) return 0;
    *result = value;
    return 1;
}

template <class T>
int parseInteger(const char *text, T *result, int base, int reserved) {
    const char *first, *last;
    if (!result || (base != 0 && base != 10) || reserved != 0) return 0;
    if (!stripBlanks(text, first, last)) return 0;
    const char *digits = (*first == '+' || *first == '-') ? first + 1 : first;
    if (digits == last || !isDigit(*digits)) return 0;
    T value{};
    const char *start = dropPlus(first);
    return finish(std::from_chars(start, last, value), last, value, result);
}

}  // namespace

int qes_numparse(const char *text, int *result, int base, int reserved) {
    return parseInteger(text, result, base, reserved);
}

int qes_numparse64(const char *text, long long *result, int base, int reserved) {
    return parseInteger(text, result, base, reserved);
}

int qes_numparsedbl(const char *text, double *result) {
    const char *first, *last;
    if (!result || !stripBlanks(text, first, last)) return 0;
    // Checked here so that from_chars never sees its extra forms (inf, nan).
    const char *p = (*first == '+' || *first == '-') ? first + 1 : first;
    const char *intEnd = skipDigits(p, last);
    bool mantissa = intEnd != p;
    p = intEnd;
    if (p != last && *p == '.') {
        const char *fractionEnd = skipDigits(p + 1, last);
        mantissa = mantissa || fractionEnd != p + 1;
        p = fractionEnd;
    }
    if (!mantissa) return 0;
    if (p != last && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p != last && (*p == '+' || *p == '-')) ++p;
        const char *exponentEnd = skipDigits(p, last);
        if (exponentEnd == p) return 0;
        p = exponentEnd;
    }
    if (p != last) return 0;
    double value = 0;
    return finish(std::from_chars(dropPlus(first), last, value), last, value, result);
}
