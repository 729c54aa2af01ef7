// Encoding conversions of the character library (see ks_uchar.h).
//
// Portable loops over the character library's segmentation rules (ks_utf.h),
// so that invalid input is replaced character by character exactly as the
// rest of the library counts it, and so that a conversion cut by a full
// buffer ends at a whole character. The single-byte encodings' tables come
// from the system (ks_unicode.h).
#include "ks_uchar.h"

#include "ks_unicode.h"
#include "ks_utf.h"

#include <limits.h>
#include <stdint.h>
#include <string.h>

namespace {

const int32_t kReplacement = 0xFFFD;
const uint64_t kHighBits = 0x8080808080808080ULL;

// Result of a measuring or writing walk: -1 when it does not fit in an int.
int toResult(size_t n) { return n > (size_t)INT_MAX ? -1 : (int)n; }

// The character at s (before end) and its byte length: its code point, or
// -1 for an ill-formed maximal subpart. Well-formed two- and three-byte
// characters are decoded here, which mixed text runs through markedly faster
// than the general decoder.
inline int32_t nextUtf8Raw(const uint8_t *s, const uint8_t *end, int *len) {
    using namespace ks_utf;
    const uint8_t c = s[0];
    const ptrdiff_t avail = end - s;
    if (c >= 0xE0 && c < 0xF0 && avail >= 3 && u8IsValidLead3AndT1(c, s[1]) && u8IsTrail(s[2])) {
        *len = 3;
        return (c & 0x0F) << 12 | (s[1] & 0x3F) << 6 | (s[2] & 0x3F);
    }
    if (c >= 0xC2 && c < 0xE0 && avail >= 2 && u8IsTrail(s[1])) {
        *len = 2;
        return (c & 0x1F) << 6 | (s[1] & 0x3F);
    }
    return u8DecodeBounded(s, avail, len);
}

// The same with U+FFFD for an ill-formed subpart.
inline int32_t nextUtf8(const uint8_t *s, const uint8_t *end, int *len) {
    const int32_t c = nextUtf8Raw(s, end, len);
    return c < 0 ? kReplacement : c;
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
        int len;
        const int32_t c = nextUtf8(s, end, &len);
        const int units = ks_utf::u16Length(c);
        if (limit - d < units) break;
        if (units == 1) {
            *d++ = (unsigned short)c;
        } else {
            d[0] = ks_utf::u16Lead(c);
            d[1] = ks_utf::u16Trail(c);
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
        int32_t c = *s;
        if (c < 0x80) {
            if (c == 0) break;
            if (kWrite) {
                if (d == limit) break;
                *d++ = (uint8_t)c;
            }
            ++count;
            continue;
        }
        if (ks_utf::u16IsSurrogate(c)) {
            if (ks_utf::u16IsSurrogateLead(c) && ks_utf::u16IsTrail(s[1])) {
                c = ks_utf::u16Supplementary(c, s[1]);
            } else {
                c = kReplacement;
            }
        }
        const int bytes = ks_utf::u8Length(c);
        if (kWrite) {
            if (limit - d < bytes) break;
            d += ks_utf::u8Append(d, c);
        }
        s += bytes == 4;  // only a surrogate pair gives four bytes
        count += bytes;
    }
    return count;
}

// ---- conversions between encodings ----------------------------------------

// How an encoding's text is laid out.
struct Codec {
    int id;
    enum Kind { kUtf8, kUtf16, kSingleByte } kind;
    bool bigEndian;  // for UTF-16
    int unitSize;    // bytes of a code unit, and of the terminator
};

const bool kMachineBigEndian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;

const Codec kCodecs[] = {
    {KS_UCHAR_ENC_UTF8, Codec::kUtf8, false, 1},
    {KS_UCHAR_ENC_ISO8859_1, Codec::kSingleByte, false, 1},
    {KS_UCHAR_ENC_WINDOWS1252, Codec::kSingleByte, false, 1},
    {KS_UCHAR_ENC_UTF16, Codec::kUtf16, kMachineBigEndian, 2},
    {KS_UCHAR_ENC_UTF16LE, Codec::kUtf16, false, 2},
    {KS_UCHAR_ENC_UTF16BE, Codec::kUtf16, true, 2},
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

inline unsigned unitAt(const uint8_t *p, bool bigEndian) { return bigEndian ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]); }

inline void putUnit(uint8_t *d, unsigned unit, bool bigEndian) {
    d[bigEndian ? 0 : 1] = (uint8_t)(unit >> 8);
    d[bigEndian ? 1 : 0] = (uint8_t)(unit & 0xFF);
}

// Eight bytes at s are ASCII.
inline bool eightAscii(const uint8_t *s) {
    uint64_t w;
    memcpy(&w, s, 8);
    return (w & kHighBits) == 0;
}

// The next character of text in encoding kind From at s (before end), with
// ill-formed input as U+FFFD; *len gets its bytes.
template <Codec::Kind From>
inline int32_t readChar(const Codec &from, const ks_unicode::SingleByteCode *code, const uint8_t *s,
                        const uint8_t *end, int *len) {
    if (From == Codec::kUtf8) {
        if (*s < 0x80) {
            *len = 1;
            return *s;
        }
        return nextUtf8(s, end, len);
    }
    if (From == Codec::kUtf16) {
        const unsigned unit = unitAt(s, from.bigEndian);
        *len = 2;
        if (!ks_utf::u16IsSurrogate(unit)) return (int32_t)unit;
        if (ks_utf::u16IsSurrogateLead(unit) && end - s >= 4) {
            const unsigned trail = unitAt(s + 2, from.bigEndian);
            if (ks_utf::u16IsTrail(trail)) {
                *len = 4;
                return ks_utf::u16Supplementary(unit, trail);
            }
        }
        return kReplacement;
    }
    *len = 1;
    const int32_t c = code->toUnicode[*s];
    return c < 0 ? kReplacement : c;
}

// Writes c in encoding kind To at d when it fits before limit; returns the
// bytes written, 0 when a single-byte target drops c, -1 when it does not fit.
template <Codec::Kind To>
inline int writeChar(const Codec &to, const ks_unicode::SingleByteCode *code, int32_t c, uint8_t *d,
                     const uint8_t *limit) {
    if (To == Codec::kUtf8) {
        const int n = ks_utf::u8Length(c);
        if (limit - d < n) return -1;
        return ks_utf::u8Append(d, c);
    }
    if (To == Codec::kUtf16) {
        if (c <= 0xFFFF) {
            if (limit - d < 2) return -1;
            putUnit(d, (unsigned)c, to.bigEndian);
            return 2;
        }
        if (limit - d < 4) return -1;
        putUnit(d, ks_utf::u16Lead(c), to.bigEndian);
        putUnit(d + 2, ks_utf::u16Trail(c), to.bigEndian);
        return 4;
    }
    int byte = code->byteFor(c);
    if (byte < 0) {
        if (!ks_unicode::substitutesUnmappable(to.id, c)) return 0;
        byte = '?';
    }
    if (d == limit) return -1;
    *d = (uint8_t)byte;
    return 1;
}

// Converts [s, end), text in `from` of kind From, into `to` of kind To at
// dest, whole characters only, at most capacity bytes. Ill-formed input
// becomes U+FFFD, and a character a single-byte target lacks '?' (or
// nothing, where the system's converters drop it). Returns the bytes written.
template <Codec::Kind From, Codec::Kind To>
size_t convertText(const Codec &from, const Codec &to, const uint8_t *s, const uint8_t *end, uint8_t *dest,
                   size_t capacity) {
    const ks_unicode::SingleByteCode *fromCode = nullptr, *toCode = nullptr;
    if (From == Codec::kSingleByte && (fromCode = ks_unicode::singleByteCode(from.id)) == nullptr) return 0;
    if (To == Codec::kSingleByte && (toCode = ks_unicode::singleByteCode(to.id)) == nullptr) return 0;
    // ASCII is itself in UTF-8 and in the single-byte encodings the system
    // maps that way, so runs of it are copied (or widened) eight at a time.
    const bool asciiRuns = From != Codec::kUtf16 && (fromCode == nullptr || fromCode->asciiIsItself) &&
                           (toCode == nullptr || toCode->asciiIsItself);
    const int asciiOut = To == Codec::kUtf16 ? 2 : 1;
    uint8_t *d = dest;
    const uint8_t *const limit = dest + capacity;
    while (s < end) {
        if (From == Codec::kUtf16 && To == Codec::kUtf8 && end - s >= 8 && limit - d >= 4) {
            // Four ASCII units: every high byte zero and no low byte above 0x7F.
            uint64_t w;
            memcpy(&w, s, 8);
            if ((w & (from.bigEndian ? 0x80FF80FF80FF80FFULL : 0xFF80FF80FF80FF80ULL)) == 0) {
                for (int k = 0; k < 4; ++k) d[k] = s[2 * k + (from.bigEndian ? 1 : 0)];
                s += 8;
                d += 4;
                continue;
            }
        }
        if (From != Codec::kUtf16 && asciiRuns && *s < 0x80) {
            if (end - s >= 8 && limit - d >= 8 * asciiOut && eightAscii(s)) {
                if (To == Codec::kUtf16) {
                    for (int k = 0; k < 8; ++k) putUnit(d + 2 * k, s[k], to.bigEndian);
                } else {
                    memcpy(d, s, 8);
                }
                s += 8;
                d += 8 * asciiOut;
                continue;
            }
            if (limit - d < asciiOut) break;
            if (To == Codec::kUtf16) {
                putUnit(d, *s, to.bigEndian);
            } else {
                *d = *s;
            }
            d += asciiOut;
            ++s;
            continue;
        }
        int len;
        const int32_t c = readChar<From>(from, fromCode, s, end, &len);
        const int n = writeChar<To>(to, toCode, c, d, limit);
        if (n < 0) break;
        d += n;
        s += len;
    }
    return (size_t)(d - dest);
}

// UTF-8 [s, end) into UTF-8 at dest, at most capacity bytes: runs of
// well-formed text are copied whole, each ill-formed subpart becomes U+FFFD.
size_t copyUtf8(const Codec &, const Codec &, const uint8_t *s, const uint8_t *end, uint8_t *dest,
                size_t capacity) {
    uint8_t *d = dest;
    const uint8_t *const limit = dest + capacity;
    while (s < end) {
        // The longest run of whole well-formed characters from s that fits.
        const uint8_t *const runLimit = s + (end - s < limit - d ? end - s : limit - d);
        const uint8_t *run = s;
        bool illFormed = false;
        int len = 0;
        while (run < runLimit) {
            using namespace ks_utf;
            const uint8_t b = *run;
            if (b < 0x80) {
                ++run;
                while (runLimit - run >= 8 && eightAscii(run)) run += 8;
                continue;
            }
            // Two- and three-byte characters checked here, the rest decoded.
            if (b >= 0xC2 && b < 0xE0 && end - run >= 2 && u8IsTrail(run[1])) {
                len = 2;
            } else if (b >= 0xE0 && b < 0xF0 && end - run >= 3 && u8IsValidLead3AndT1(b, run[1]) &&
                       u8IsTrail(run[2])) {
                len = 3;
            } else if (u8DecodeBounded(run, end - run, &len) < 0) {
                illFormed = true;
                break;
            }
            if (runLimit - run < len) break;
            run += len;
        }
        memcpy(d, s, (size_t)(run - s));
        d += run - s;
        s = run;
        if (!illFormed || limit - d < 3) break;  // at the end, or at a character that does not fit
        d[0] = 0xEF;
        d[1] = 0xBF;
        d[2] = 0xBD;
        d += 3;
        s += len;
    }
    return (size_t)(d - dest);
}

typedef size_t (*ConvertFn)(const Codec &, const Codec &, const uint8_t *, const uint8_t *, uint8_t *, size_t);

// The loop for a pair of kinds; one side is UTF-8.
ConvertFn converterFor(Codec::Kind from, Codec::Kind to) {
    if (from == Codec::kUtf8) {
        switch (to) {
        case Codec::kUtf8: return copyUtf8;
        case Codec::kUtf16: return convertText<Codec::kUtf8, Codec::kUtf16>;
        case Codec::kSingleByte: return convertText<Codec::kUtf8, Codec::kSingleByte>;
        }
    }
    return from == Codec::kUtf16 ? convertText<Codec::kUtf16, Codec::kUtf8>
                                 : convertText<Codec::kSingleByte, Codec::kUtf8>;
}

// Converts src (text in `from`) into dest (text in `to`) by the rules of
// ks_uchar_encode.
int convert(const Codec *from, const Codec *to, const char *src, char *dest, int destSize) {
    if (from == nullptr || to == nullptr || dest == nullptr || destSize < to->unitSize) return 0;
    // Whole units only, so that the terminator follows a whole unit.
    const size_t capacity = (size_t)(destSize - to->unitSize) / to->unitSize * to->unitSize;
    size_t written = 0;
    if (src != nullptr) {
        const uint8_t *s = reinterpret_cast<const uint8_t *>(src);
        written = converterFor(from->kind, to->kind)(*from, *to, s, s + byteLength(*from, src),
                                                     reinterpret_cast<uint8_t *>(dest), capacity);
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
