// Character library (see ks_uchar.h for the contract): the UTF-8 walking is
// portable (ks_utf.h); case folding and mapping and the character classes
// beyond ASCII come from the system (ks_unicode.h).
//
// Segmentation: every walk uses ks_utf::u8Next, which consumes one well-formed
// character or one maximal subpart of an ill-formed sequence. On NUL-terminated
// text it is given a negative length; it then reads a byte only after the
// previous one proved to be a fitting trail byte, and the NUL never is, so no
// walk reads past the NUL. Where the end is known it is given the length.
#include "ks_uchar.h"

#include "ks_unicode.h"
#include "ks_utf.h"

#include <stdint.h>
#include <string.h>

#include <atomic>
#include <new>

namespace {

typedef const uint8_t *bytes_t;

inline bytes_t asBytes(const char *p) { return reinterpret_cast<bytes_t>(p); }

// One character at s (which is not at the NUL) of a NUL-terminated text:
// its code point, or a negative value when ill-formed; *len gets its bytes.
inline int32_t decodeAt(bytes_t s, int *len) { return ks_utf::u8Decode(s, len); }

// The byte length of the character at s, with avail (at least 1) bytes known.
inline int charLengthBounded(bytes_t s, ptrdiff_t avail) {
    int len;
    ks_utf::u8DecodeBounded(s, avail, &len);
    return len;
}

const uint64_t kHighBits = 0x8080808080808080ULL;

inline uint64_t wordAt(bytes_t s) {
    uint64_t w;
    memcpy(&w, s, 8);
    return w;
}

// Characters in [s, end): the end is known, so eight bytes can be tested at a
// time without reading past it. Kept out of line and on a cache line of its
// own: its time on the short runs QebString counts (construction, replace)
// otherwise swings by 5 to 10 % with where the linker puts it.
__attribute__((noinline, aligned(64))) int countChars(bytes_t s, bytes_t end) {
    int n = 0;
    while (s < end) {
        if (end - s >= 8 && (wordAt(s) & kHighBits) == 0) {
            s += 8;
            n += 8;
            continue;
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
inline int32_t charAt(const char *p, int *len) {
    int l = 1;
    int32_t c = 0;
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

// The folding of a character outside ASCII, through a process-wide cache of
// the one-code-point foldings: asking the system costs far more than a
// look-up. An entry holds the code point (plus one, so that the zeroed
// table holds none) and its folding in one atomic word, so threads share
// the table without locks; racing writers at worst evict each other.
std::atomic<uint64_t> foldCache[1024];

inline int caseFold(int32_t c, int32_t *out) {
    std::atomic<uint64_t> &slot = foldCache[(c ^ (c >> 10)) & 1023];
    const uint64_t entry = slot.load(std::memory_order_relaxed);
    if (entry >> 32 == (uint64_t)c + 1) {
        out[0] = (int32_t)(uint32_t)entry;
        return 1;
    }
    const int count = ks_unicode::caseFold(c, out);
    if (count == 1) slot.store(((uint64_t)c + 1) << 32 | (uint32_t)out[0], std::memory_order_relaxed);
    return count;
}

struct FoldStream {
    bytes_t p;
    int32_t pending[ks_unicode::kMaxFold];
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
        int len;
        int32_t c = decodeAt(p, &len);
        if (c < 0) {
            for (int k = 0; k < len; ++k) pending[k] = kIllFormedBase + p[k];
            p += len;
            pos = 1;
            count = len;
            return pending[0];
        }
        p += len;
        // The folding's first code point is returned, the rest (rarely any)
        // wait in pending.
        int32_t folded[ks_unicode::kMaxFold];
        count = caseFold(c, folded);
        if (count > 1) memcpy(pending + 1, folded + 1, sizeof(int32_t) * (size_t)(count - 1));
        pos = 1;
        return folded[0];
    }
};

// ---- case mapping -------------------------------------------------------

// Longest prefix of text[0, length) made of whole characters and at most
// budget bytes.
int32_t wholeCharPrefix(bytes_t text, int32_t length, int32_t budget) {
    int32_t i = 0;
    while (i < length) {
        int32_t next = i;
        ks_utf::u8Next(text, next, length);
        if (next > budget) break;
        i = next;
    }
    return i;
}

int mapCase(bool upper, const char *src, char *dest, int destSize) {
    if (src == nullptr) src = "";
    const bool measure = dest == nullptr || destSize <= 0;
    const int32_t len = ks_unicode::mapCase(upper, src, measure ? nullptr : dest, measure ? 0 : destSize);
    if (len < 0 || len == INT32_MAX) return -1;
    if (measure || len < destSize) return len;  // measured, or written with its NUL

    // Too small: dest must get the longest run of whole characters that fits
    // with a NUL. The mapping leaves a cut (possibly mid-character) or
    // unterminated text, and a cut alone cannot tell a split character from
    // an ill-formed one, so the whole result is produced aside and cut there.
    dest[0] = 0;  // a terminated (empty) text should this fail
    char *full = new (std::nothrow) char[static_cast<size_t>(len) + 1];
    if (full == nullptr) return -1;
    const int32_t again = ks_unicode::mapCase(upper, src, full, len + 1);
    if (again != len) {
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
            int len;
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

const char *ks_uchar_seek_bounded(const char *text, const char *end, int n, bool *wellFormed) {
    bool allWellFormed = true;
    bytes_t s = asBytes(text), stop = asBytes(end);
    while (n > 0 && s < stop) {
        if (n >= 8 && stop - s >= 8 && (wordAt(s) & kHighBits) == 0) {
            s += 8;
            n -= 8;
            continue;
        }
        if (*s < 0x80) {
            ++s;
        } else {
            int len;
            allWellFormed &= ks_utf::u8DecodeBounded(s, stop - s, &len) >= 0;
            s += len;
        }
        --n;
    }
    if (wellFormed) *wellFormed = allWellFormed;
    return n <= 0 ? reinterpret_cast<const char *>(s) : nullptr;
}

namespace {

// The sum of the eight byte lanes of w, each at most 31: x86-64's baseline
// has no population count instruction, a multiplication does it.
inline int laneSum(uint64_t w) { return int((w * 0x0101010101010101ULL) >> 56); }

// Lead bytes (all but 0x80..0xBF) among the eight bytes of w: in well-formed
// text, the characters that start there.
inline int leadBytesIn(uint64_t w) {
    const uint64_t trail = w & ~(w << 1) & kHighBits;  // bit 7 set, bit 6 clear
    return 8 - laneSum(trail >> 7);
}

// Sixteen bytes at a time in the compiler's portable vectors (SSE2 on
// x86-64, NEON on ARM), four at once: a comparison gives -1 in each matching
// lane.
typedef uint8_t Block __attribute__((vector_size(16)));
const ptrdiff_t kStride = 64;

// Lead bytes among the kStride bytes at s.
inline int leadBytesInStride(bytes_t s) {
    Block trails = {};
    for (ptrdiff_t i = 0; i < kStride; i += 16) {
        Block b;
        memcpy(&b, s + i, sizeof b);
        trails -= (Block)((b & 0xC0) == 0x80);
    }
    uint64_t halves[2];
    memcpy(halves, &trails, sizeof halves);
    return int(kStride) - laneSum(halves[0] + halves[1]);
}

}  // namespace

const char *ks_uchar_seek_wellformed(const char *text, const char *end, int n) {
    bytes_t s = asBytes(text), stop = asBytes(end);
    // Whole strides, then words, while they hold no more characters than
    // remain to pass; the bytes then finish the walk, past the trail bytes of
    // the character the last word began.
    for (; stop - s >= kStride; s += kStride) {
        const int leads = leadBytesInStride(s);
        if (leads > n) break;
        n -= leads;
    }
    for (; stop - s >= 8; s += 8) {
        const int leads = leadBytesIn(wordAt(s));
        if (leads > n) break;
        n -= leads;
    }
    for (; s < stop; ++s) {
        if (ks_utf::u8IsTrail(*s)) continue;
        if (n == 0) return reinterpret_cast<const char *>(s);
        --n;
    }
    return n == 0 ? end : nullptr;
}

int ks_uchar_count_wellformed(const char *begin, const char *end) {
    bytes_t s = asBytes(begin), stop = asBytes(end);
    int n = 0;
    for (; stop - s >= kStride; s += kStride) n += leadBytesInStride(s);
    for (; stop - s >= 8; s += 8) n += leadBytesIn(wordAt(s));
    for (; s < stop; ++s) n += !ks_utf::u8IsTrail(*s);
    return n;
}

int ks_uchar_icomp(const char *a, const char *b) {
    FoldStream sa(a), sb(b);
    for (;;) {
        // Runs where both are at ASCII with nothing pending are compared
        // here, on local pointers; the NUL (kEnd in the stream) is below
        // every other byte.
        if (sa.pos >= sa.count && sb.pos >= sb.count) {
            bytes_t pa = sa.p, pb = sb.p;
            while (*pa < 0x80 && *pb < 0x80) {
                uint8_t x = *pa, y = *pb;
                if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
                if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
                if (x != y) return x < y ? -1 : 1;
                if (x == 0) return 0;
                ++pa;
                ++pb;
            }
            sa.p = pa;
            sb.p = pb;
        }
        int32_t ca = sa.next();
        int32_t cb = sb.next();
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == kEnd) return 0;
    }
}

int ks_uchar_lower(const char *src, char *dest, int destSize) {
    return mapCase(false, src, dest, destSize);
}

int ks_uchar_upper(const char *src, char *dest, int destSize) {
    return mapCase(true, src, dest, destSize);
}

int ks_uchar_isspace(const char *p, int *len) {
    int32_t c = charAt(p, len);
    if (c < 0x80) return c == ' ' || (c >= '\t' && c <= '\r');  // ASCII White_Space; false for NUL and ill-formed
    return ks_unicode::isWhiteSpace(c) ? 1 : 0;
}

int ks_uchar_isdigit(const char *p, int *len) {
    int32_t c = charAt(p, len);
    return c >= '0' && c <= '9';
}

int ks_uchar_isalpha(const char *p, int *len) {
    int32_t c = charAt(p, len);
    if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');  // ASCII Alphabetic
    return ks_unicode::isAlphabetic(c) ? 1 : 0;
}

int ks_uchar_isascii(const char *p, int *len) {
    int32_t c = charAt(p, len);
    return c > 0 && c < 0x80;
}

int ks_uchar_toint(const char *p, int *len) {
    int32_t c = charAt(p, len);
    return c < 0 ? -1 : c;
}

int ks_uchar_bufncopy(char *dest, const char *src, int destSize, int n) {
    if (dest == nullptr || destSize <= 0) return 0;
    int copied = 0;
    if (src != nullptr) {
        const int budget = destSize - 1;
        bytes_t s = asBytes(src);
        while (n > 0 && s[copied] != 0) {
            int len = 1;
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
    return ks_utf::u8TruncateIfIncomplete(asBytes(text), length);
}
