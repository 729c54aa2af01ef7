// Encoding conversions of the character library (see ks_uchar.h).
//
// UTF-8 <-> UTF-16 for wide text is a loop over ICU's segmentation rules, so
// that invalid input is replaced character by character exactly as the rest
// of the library counts it, and so that a conversion cut by a full buffer ends
// at a whole character (ICU's string functions may leave half a surrogate
// pair, or report only the full length). The other encodings go through ICU
// converters and are trimmed back to a whole character after a cut.
#include "ks_uchar.h"

#include <limits.h>
#include <stdint.h>
#include <string.h>

#include <unicode/ucnv.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

namespace {

const UChar32 kReplacement = 0xFFFD;
const uint64_t kHighBits = 0x8080808080808080ULL;

// Result of a measuring or writing walk: -1 when it does not fit in an int.
int toResult(size_t n) { return n > (size_t)INT_MAX ? -1 : (int)n; }

// The character at s (before end) and its byte length: its code point, or
// U+FFFD for an ill-formed maximal subpart. Well-formed two- and three-byte
// characters are decoded here, which mixed text runs through markedly faster
// than the general U8_NEXT.
inline UChar32 nextUtf8(const uint8_t *s, const uint8_t *end, int32_t *len) {
    const uint8_t c = s[0];
    const ptrdiff_t avail = end - s;
    if (c >= 0xE0 && c < 0xF0 && avail >= 3 && U8_IS_VALID_LEAD3_AND_T1(c, s[1]) && U8_IS_TRAIL(s[2])) {
        *len = 3;
        return (c & 0x0F) << 12 | (s[1] & 0x3F) << 6 | (s[2] & 0x3F);
    }
    if (c >= 0xC2 && c < 0xE0 && avail >= 2 && U8_IS_TRAIL(s[1])) {
        *len = 2;
        return (c & 0x1F) << 6 | (s[1] & 0x3F);
    }
    int32_t i = 0;
    UChar32 cp;
    U8_NEXT(s, i, avail < 4 ? (int32_t)avail : 4, cp);
    *len = i;
    return cp < 0 ? kReplacement : cp;
}

// UTF-8 [s, end) to UTF-16 at d, up to the first character that does not
// fit before limit. Returns the units written.
size_t utf8ToUtf16(const uint8_t *s, const uint8_t *end, unsigned short *d, const unsigned short *limit) {
    unsigned short *const start = d;
    while (s < end) {
        if (*s < 0x80) {
            if (end - s >= 8 && limit - d >= 8) {
                uint64_t w;
                memcpy(&w, s, 8);
                if ((w & kHighBits) == 0) {
                    for (int k = 0; k < 8; ++k) d[k] = s[k];
                    d += 8;
                    s += 8;
                    continue;
                }
            }
            if (d == limit) break;
            *d++ = *s++;
            continue;
        }
        int32_t len;
        const UChar32 c = nextUtf8(s, end, &len);
        if (limit - d < U16_LENGTH(c)) break;
        if (U16_LENGTH(c) == 1) {
            *d++ = (unsigned short)c;
        } else {
            d[0] = U16_LEAD(c);
            d[1] = U16_TRAIL(c);
            d += 2;
        }
        s += len;
    }
    return (size_t)(d - start);
}

// NUL-terminated UTF-16 at s to UTF-8, in the same manner. The end is found
// on the way: a unit after a nonzero one may always be read.
template <bool kWrite>
size_t utf16ToUtf8(const unsigned short *s, uint8_t *d, const uint8_t *limit) {
    size_t count = 0;
    for (;; ++s) {
        UChar32 c = *s;
        if (c < 0x80) {
            if (c == 0) break;
            if (kWrite) {
                if (d == limit) break;
                *d++ = (uint8_t)c;
            }
            ++count;
            continue;
        }
        if (U16_IS_SURROGATE(c)) {
            if (U16_IS_SURROGATE_LEAD(c) && U16_IS_TRAIL(s[1])) {
                c = U16_GET_SUPPLEMENTARY(c, s[1]);
            } else {
                c = kReplacement;
            }
        }
        const int bytes = U8_LENGTH(c);
        if (kWrite) {
            if (limit - d < bytes) break;
            int32_t j = 0;
            U8_APPEND_UNSAFE(d, j, c);
            d += bytes;
        }
        s += bytes == 4;  // only a surrogate pair gives four bytes
        count += bytes;
    }
    return count;
}

// An encoding reached through an ICU converter.
struct Codec {
    int id;
    const char *name;
    int unitSize;     // bytes of a code unit, and of the terminator
    bool bigEndian;   // for two-byte units
    bool isUtf8;
};

const Codec kCodecs[] = {
    {KS_UCHAR_ENC_UTF8, "UTF-8", 1, false, true},
    {KS_UCHAR_ENC_ISO8859_1, "ISO-8859-1", 1, false, false},
    {KS_UCHAR_ENC_WINDOWS1252, "windows-1252", 1, false, false},
    {KS_UCHAR_ENC_UTF16, U_IS_BIG_ENDIAN ? "UTF-16BE" : "UTF-16LE", 2, U_IS_BIG_ENDIAN != 0, false},
    {KS_UCHAR_ENC_UTF16LE, "UTF-16LE", 2, false, false},
    {KS_UCHAR_ENC_UTF16BE, "UTF-16BE", 2, true, false},
};

const Codec &kUtf8Codec = kCodecs[0];

const Codec *findCodec(int id) {
    for (const Codec &codec : kCodecs) {
        if (codec.id == id) return &codec;
    }
    return nullptr;
}

// Bytes of src before its terminator.
size_t byteLength(const Codec &codec, const char *src) {
    if (codec.unitSize == 1) return strlen(src);
    size_t n = 0;
    while (src[n] != 0 || src[n + 1] != 0) n += 2;
    return n;
}

// Drops a character cut short at the end of converted text in [d, d + n).
size_t dropCutCharacter(const Codec &codec, const char *d, size_t n) {
    const uint8_t *b = reinterpret_cast<const uint8_t *>(d);
    if (codec.isUtf8) {
        size_t start = n;
        while (start > 0 && n - start < 4 && U8_IS_TRAIL(b[start - 1])) --start;
        if (start == 0) return n;
        --start;
        return start + U8_COUNT_TRAIL_BYTES(b[start]) + 1 > n ? start : n;
    }
    if (codec.unitSize == 2 && n >= 2) {
        const unsigned unit = codec.bigEndian ? (b[n - 2] << 8 | b[n - 1]) : (b[n - 1] << 8 | b[n - 2]);
        if (U16_IS_LEAD(unit)) return n - 2;
    }
    return n;
}

UConverter *openConverter(const Codec &codec) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter *converter = ucnv_open(codec.name, &status);
    if (U_FAILURE(status)) return nullptr;
    if (codec.unitSize == 1 && !codec.isUtf8) {
        ucnv_setSubstChars(converter, "?", 1, &status);
    }
    return converter;
}

// Converts src (text in `from`) into dest (text in `to`) by the rules of
// ks_uchar_encode.
int convert(const Codec *from, const Codec *to, const char *src, char *dest, int destSize) {
    if (from == nullptr || to == nullptr || dest == nullptr || destSize < to->unitSize) return 0;
    // Whole units only, so that the terminator follows a whole unit.
    const size_t capacity = (size_t)(destSize - to->unitSize) / to->unitSize * to->unitSize;
    size_t written = 0;
    if (src != nullptr) {
        UConverter *source = openConverter(*from);
        UConverter *target = openConverter(*to);
        if (source != nullptr && target != nullptr) {
            char *out = dest;
            const char *in = src;
            UErrorCode status = U_ZERO_ERROR;
            ucnv_convertEx(target, source, &out, dest + capacity, &in, src + byteLength(*from, src),
                           nullptr, nullptr, nullptr, nullptr, true, true, &status);
            written = (size_t)(out - dest);
            if (status == U_BUFFER_OVERFLOW_ERROR) written = dropCutCharacter(*to, dest, written);
        }
        ucnv_close(source);
        ucnv_close(target);
    }
    memset(dest + written, 0, (size_t)to->unitSize);
    return (int)written;
}

}  // namespace

int ks_uchar_encode(int encoding, const char *src, char *dest, int destSize) {
    return convert(findCodec(encoding), &kUtf8Codec, src, dest, destSize);
}

int ks_uchar_decode(int encoding, const char *src, char *dest, int destSize) {
    return convert(&kUtf8Codec, findCodec(encoding), src, dest, destSize);
}

int ks_uchar_utf8_to_utf16(const char *src, unsigned short *dest, int destSize) {
    if (dest == nullptr || destSize <= 0) return 0;
    if (src == nullptr) src = "";
    const uint8_t *s = reinterpret_cast<const uint8_t *>(src);
    const size_t n = utf8ToUtf16(s, s + strlen(src), dest, dest + destSize - 1);
    dest[n] = 0;
    return (int)n;
}

int ks_uchar_utf16_to_utf8(const unsigned short *src, char *dest, int destSize) {
    static const unsigned short kEmpty[1] = {0};
    if (src == nullptr) src = kEmpty;
    if (dest == nullptr) return toResult(utf16ToUtf8<false>(src, nullptr, nullptr));
    if (destSize <= 0) return 0;
    uint8_t *d = reinterpret_cast<uint8_t *>(dest);
    const size_t n = utf16ToUtf8<true>(src, d, d + destSize - 1);
    dest[n] = 0;
    return (int)n;
}
