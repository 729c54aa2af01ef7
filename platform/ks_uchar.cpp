// Character library on ICU (see ks_uchar.h for the contract).
//
// Segmentation: every walk uses ICU's U8_NEXT, which consumes one well-formed
// character or one maximal subpart of an ill-formed sequence. On NUL-terminated
// text it is given a negative length; it then reads a byte only after the
// previous one proved to be a fitting trail byte, and the NUL never is, so no
// walk reads past the NUL. Where the end is known it is given the length.
#include "ks_uchar.h"

#include <stdint.h>
#include <string.h>

#include <new>

#include <unicode/uchar.h>
#include <unicode/ucasemap.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

namespace {

typedef const uint8_t *bytes_t;

inline bytes_t asBytes(const char *p) { return reinterpret_cast<bytes_t>(p); }

// One character at s (which is not at the NUL) of a NUL-terminated text:
// its code point, or a negative value when ill-formed; *len gets its bytes.
inline UChar32 decodeAt(bytes_t s, int32_t *len) {
    int32_t i = 0;
    UChar32 c;
    U8_NEXT(s, i, -1, c);
    *len = i;
    return c;
}

// The same with a known number of bytes available (at least 1).
inline int32_t charLengthBounded(bytes_t s, ptrdiff_t avail) {
    int32_t i = 0;
    int32_t limit = avail < 4 ? (int32_t)avail : 4;  // a character has at most 4 bytes
    UChar32 c;
    U8_NEXT(s, i, limit, c);
    (void)c;
    return i;
}

const uint64_t kHighBits = 0x8080808080808080ULL;

// Characters in [s, end): the end is known, so eight bytes can be tested at a
// time without reading past it.
int countChars(bytes_t s, bytes_t end) {
    int n = 0;
    while (s < end) {
        if (end - s >= 8) {
            uint64_t w;
            memcpy(&w, s, 8);
            if ((w & kHighBits) == 0) {
                s += 8;
                n += 8;
                continue;
            }
        }
        if (*s < 0x80) {
            ++s;
        } else {
            s += charLengthBounded(s, end - s);
        }
        ++n;
    }
    return n;
}

// Character at p for the class tests: *len gets its byte length (1 at the NUL
// or for a null p). Returns the code point, 0 at the NUL, negative when
// ill-formed.
inline UChar32 charAt(const char *p, int *len) {
    int32_t l = 1;
    UChar32 c = 0;
    if (p != nullptr && *p != 0) {
        c = static_cast<uint8_t>(*p);
        if (c >= 0x80) c = decodeAt(asBytes(p), &l);
    }
    if (len != nullptr) *len = l;
    return c;
}

// ---- case-insensitive comparison ----------------------------------------

// Units of the folded stream: code points 0..0x10FFFF, each byte of an
// ill-formed sequence as kIllFormedBase + byte value (after every code point,
// ordered by value), and kEnd (before everything) at the NUL.
const int32_t kEnd = -1;
const int32_t kIllFormedBase = 0x110000;
// Full case folding of one code point yields at most 3 code points; ICU's
// internal bound for one mapping string is 31 UTF-16 units.
const int kFoldBuffer = 32;

struct FoldStream {
    bytes_t p;
    int32_t pending[kFoldBuffer];
    int pos = 0;
    int count = 0;

    explicit FoldStream(const char *text) : p(asBytes(text != nullptr ? text : "")) {}

    int32_t next() {
        if (pos < count) return pending[pos++];
        uint8_t b = *p;
        if (b < 0x80) {
            if (b == 0) return kEnd;
            ++p;
            return (b >= 'A' && b <= 'Z') ? b + ('a' - 'A') : b;
        }
        int32_t len;
        UChar32 c = decodeAt(p, &len);
        if (c < 0) {
            for (int32_t k = 0; k < len; ++k) pending[k] = kIllFormedBase + p[k];
            p += len;
            pos = 1;
            count = len;
            return pending[0];
        }
        p += len;
        UChar in[2];
        int32_t inLen = 0;
        U16_APPEND_UNSAFE(in, inLen, c);
        UChar out[kFoldBuffer];
        UErrorCode err = U_ZERO_ERROR;
        int32_t outLen = u_strFoldCase(out, kFoldBuffer, in, inLen, U_FOLD_CASE_DEFAULT, &err);
        if (U_FAILURE(err) || outLen <= 0 || outLen > kFoldBuffer) {
            return u_foldCase(c, U_FOLD_CASE_DEFAULT);  // cannot happen; simple folding
        }
        count = 0;
        for (int32_t k = 0; k < outLen;) {
            UChar32 f;
            U16_NEXT(out, k, outLen, f);
            pending[count++] = f;
        }
        pos = 1;
        return pending[0];
    }
};

// ---- case mapping -------------------------------------------------------

// The root-locale case map, opened on first use (thread-safe static
// initialisation) and kept for the life of the process. ICU's mapping
// functions take it as const, so threads may share it. Null if ICU fails.
const UCaseMap *rootCaseMap() {
    static UCaseMap *const map = [] {
        UErrorCode err = U_ZERO_ERROR;
        UCaseMap *m = ucasemap_open("", 0, &err);  // "" is the root locale (null would be the default one)
        if (U_FAILURE(err)) {
            if (m != nullptr) ucasemap_close(m);
            return static_cast<UCaseMap *>(nullptr);
        }
        return m;
    }();
    return map;
}

typedef int32_t (*CaseMapFn)(const UCaseMap *, char *, int32_t, const char *, int32_t, UErrorCode *);

// Longest prefix of text[0, length) made of whole characters and at most
// budget bytes.
int32_t wholeCharPrefix(bytes_t text, int32_t length, int32_t budget) {
    int32_t i = 0;
    while (i < length) {
        int32_t next = i;
        UChar32 c;
        U8_NEXT(text, next, length, c);
        (void)c;
        if (next > budget) break;
        i = next;
    }
    return i;
}

int mapCase(CaseMapFn fn, const char *src, char *dest, int destSize) {
    const UCaseMap *map = rootCaseMap();
    if (map == nullptr) return -1;
    if (src == nullptr) src = "";
    const bool measure = dest == nullptr || destSize <= 0;
    UErrorCode err = U_ZERO_ERROR;
    int32_t len = fn(map, measure ? nullptr : dest, measure ? 0 : destSize, src, -1, &err);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
        err = U_ZERO_ERROR;
    } else if (U_FAILURE(err)) {
        return -1;
    }
    if (len < 0 || len == INT32_MAX) return -1;  // INT32_MAX: ICU's mark for a result too long to count
    if (measure || len < destSize) return len;  // measured, or written with its NUL

    // Too small: dest must get the longest run of whole characters that fits
    // with a NUL. ICU leaves a cut (possibly mid-character) or unterminated
    // text, and a cut alone cannot tell a split character from an ill-formed
    // one, so the whole result is produced aside and cut there.
    dest[0] = 0;  // a terminated (empty) text should this fail
    char *full = new (std::nothrow) char[static_cast<size_t>(len) + 1];
    if (full == nullptr) return -1;
    err = U_ZERO_ERROR;
    int32_t again = fn(map, full, len + 1, src, -1, &err);
    if (U_FAILURE(err) || again != len) {
        delete[] full;
        return -1;
    }
    int32_t keep = wholeCharPrefix(asBytes(full), len, destSize - 1);
    memcpy(dest, full, static_cast<size_t>(keep));
    dest[keep] = 0;
    delete[] full;
    return len;
}

}  // namespace

int ks_uchar_length(const char *text) {
    if (text == nullptr) return 0;
    // strlen is fast and safe; with the end known, counting can go eight
    // bytes at a time.
    bytes_t s = asBytes(text);
    return countChars(s, s + strlen(text));
}

const char *ks_uchar_seek(const char *text, int n) {
    if (n <= 0 || text == nullptr) return text;
    bytes_t s = asBytes(text);
    while (n > 0) {
        uint8_t b = *s;
        if (b < 0x80) {
            if (b == 0) return nullptr;
            ++s;
        } else {
            int32_t len;
            decodeAt(s, &len);
            s += len;
        }
        --n;
    }
    return reinterpret_cast<const char *>(s);
}

int ks_uchar_tell(const char *base, const char *p) {
    if (base == nullptr || p == nullptr || p <= base) return 0;
    return countChars(asBytes(base), asBytes(p));
}

int ks_uchar_icomp(const char *a, const char *b) {
    FoldStream sa(a), sb(b);
    for (;;) {
        int32_t ca = sa.next();
        int32_t cb = sb.next();
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == kEnd) return 0;
    }
}

int ks_uchar_lower(const char *src, char *dest, int destSize) {
    return mapCase(ucasemap_utf8ToLower, src, dest, destSize);
}

int ks_uchar_upper(const char *src, char *dest, int destSize) {
    return mapCase(ucasemap_utf8ToUpper, src, dest, destSize);
}

int ks_uchar_isspace(const char *p, int *len) {
    UChar32 c = charAt(p, len);
    if (c < 0x80) return c == ' ' || (c >= '\t' && c <= '\r');  // ASCII White_Space; false for NUL and ill-formed
    return u_isUWhiteSpace(c) ? 1 : 0;
}

int ks_uchar_isdigit(const char *p, int *len) {
    UChar32 c = charAt(p, len);
    return c >= '0' && c <= '9';
}

int ks_uchar_isalpha(const char *p, int *len) {
    UChar32 c = charAt(p, len);
    if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');  // ASCII Alphabetic
    return u_isUAlphabetic(c) ? 1 : 0;
}

int ks_uchar_isascii(const char *p, int *len) {
    UChar32 c = charAt(p, len);
    return c > 0 && c < 0x80;
}

int ks_uchar_toint(const char *p, int *len) {
    UChar32 c = charAt(p, len);
    return c < 0 ? -1 : c;
}

int ks_uchar_bufncopy(char *dest, const char *src, int destSize, int n) {
    if (dest == nullptr || destSize <= 0) return 0;
    int copied = 0;
    if (src != nullptr) {
        const int budget = destSize - 1;
        bytes_t s = asBytes(src);
        while (n > 0 && s[copied] != 0) {
            int32_t len = 1;
            if (s[copied] >= 0x80) decodeAt(s + copied, &len);
            if (len > budget - copied) break;
            copied += len;
            --n;
        }
        if (copied > 0 && dest != src) memmove(dest, src, static_cast<size_t>(copied));
    }
    dest[copied] = 0;
    return copied;
}

int ks_uchar_wholelength(const char *text, int length) {
    if (text == nullptr || length <= 0) return 0;
    U8_TRUNCATE_IF_INCOMPLETE(reinterpret_cast<const uint8_t *>(text), 0, length);
    return length;
}
