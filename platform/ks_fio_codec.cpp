#include "ks_fio_codec.h"

#include "ks_uchar.h"
#include "ks_unicode.h"
#include "ks_utf.h"

#include <stdint.h>
#include <string.h>

namespace ks_fio_codec {
namespace {

using namespace ks_utf;

const uint64_t kHighBits = 0x8080808080808080ULL;

// Sixteen bytes at a time, in the compiler's portable vectors (SSE2 on
// x86-64, NEON on ARM). A comparison gives 0xFF in each matching lane.
typedef uint8_t Block __attribute__((vector_size(16)));

inline Block loadBlock(const char *p) {
    Block block;
    memcpy(&block, p, sizeof block);
    return block;
}

inline Block splat(uint8_t byte) { return Block{} + byte; }

inline bool anyLane(Block mask) {
    uint64_t words[2];
    memcpy(words, &mask, sizeof words);
    return (words[0] | words[1]) != 0;
}

// The index of the first lane set in a mask that has one.
inline size_t firstLane(Block mask) {
    uint64_t words[2];
    memcpy(words, &mask, sizeof words);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return words[0] ? (size_t)__builtin_ctzll(words[0]) / 8 : 8 + (size_t)__builtin_ctzll(words[1]) / 8;
#else
    return words[0] ? (size_t)__builtin_clzll(words[0]) / 8 : 8 + (size_t)__builtin_clzll(words[1]) / 8;
#endif
}

// A single-byte encoding from the system, kept when it maps every byte and
// ASCII to itself (which the loops below copy as it is); null otherwise.
const ks_unicode::SingleByteCode *completeCode(int encoding) {
    const ks_unicode::SingleByteCode *code = ks_unicode::singleByteCode(encoding);
    if (code != nullptr && !code->asciiIsItself) code = nullptr;
    for (int i = 0; code != nullptr && i < 256; ++i) {
        if (code->toUnicode[i] < 0) code = nullptr;
    }
    return code;
}

const ks_unicode::SingleByteCode *latin1() {
    static const ks_unicode::SingleByteCode *const code = completeCode(KS_UCHAR_ENC_ISO8859_1);
    return code;
}

const ks_unicode::SingleByteCode *windows1252() {
    static const ks_unicode::SingleByteCode *const code = completeCode(KS_UCHAR_ENC_WINDOWS1252);
    return code;
}

const ks_unicode::SingleByteCode *singleByte(int encoding) {
    return encoding == KS_UCHAR_ENC_WINDOWS1252 ? windows1252() : latin1();
}

// The UTF-8 sequence starting at s, with avail bytes left: its length, 0 when
// it is cut short by the end of the input, -1 when it is ill-formed.
int utf8SequenceLength(const uint8_t *s, size_t avail) {
    const uint8_t lead = s[0];
    int length;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    else return -1;
    if (avail >= 2) {
        const bool secondValid = length == 3   ? u8IsValidLead3AndT1(lead, s[1])
                                 : length == 4 ? u8IsValidLead4AndT1(lead, s[1])
                                               : u8IsTrail(s[1]);
        if (!secondValid) return -1;
    }
    for (size_t i = 2; i < (size_t)length && i < avail; ++i) {
        if (!u8IsTrail(s[i])) return -1;
    }
    return avail < (size_t)length ? 0 : length;
}

bool eightAscii(const uint8_t *s) {
    uint64_t word;
    memcpy(&word, s, 8);
    return (word & kHighBits) == 0;
}

// Appends code point c as UTF-8 at d.
inline size_t putUtf8(char *d, int32_t c) { return (size_t)u8Append(reinterpret_cast<uint8_t *>(d), c); }

inline void putUnit(char *d, unsigned unit, bool bigEndian) {
    d[bigEndian ? 0 : 1] = (char)(unit >> 8);
    d[bigEndian ? 1 : 0] = (char)(unit & 0xFF);
}

Piece decodeUtf16(bool bigEndian, const uint8_t *in, size_t size, bool final, char *out, size_t room) {
    Piece piece = {0, 0, false};
    size_t i = 0, o = 0;
    while (i + 2 <= size) {
        // Four ASCII units at once: every high byte zero and no low byte above 0x7F.
        if (i + 8 <= size && o + 4 <= room) {
            uint64_t word;
            memcpy(&word, in + i, 8);
            const uint64_t mask = bigEndian ? 0x80FF80FF80FF80FFULL : 0xFF80FF80FF80FF80ULL;
            if ((word & mask) == 0) {
                for (int k = 0; k < 4; ++k) out[o + k] = (char)in[i + 2 * k + (bigEndian ? 1 : 0)];
                i += 8;
                o += 4;
                continue;
            }
        }
        const unsigned unit = bigEndian ? (in[i] << 8 | in[i + 1]) : (in[i + 1] << 8 | in[i]);
        int32_t c = (int32_t)unit;
        size_t units = 1;
        if (u16IsSurrogate(unit)) {
            if (!u16IsSurrogateLead(unit)) {
                piece.invalid = true;
                break;
            }
            if (i + 4 > size) {
                piece.invalid = final;
                break;
            }
            const unsigned trail = bigEndian ? (in[i + 2] << 8 | in[i + 3]) : (in[i + 3] << 8 | in[i + 2]);
            if (!u16IsTrail(trail)) {
                piece.invalid = true;
                break;
            }
            c = u16Supplementary(unit, trail);
            units = 2;
        }
        if (room - o < (size_t)u8Length(c)) break;
        o += putUtf8(out + o, c);
        i += 2 * units;
    }
    if (final && i < size && i + 2 > size) piece.invalid = true;  // a lone byte at the end
    piece.consumed = i;
    piece.produced = o;
    return piece;
}

Piece decodeSingleByte(int encoding, const uint8_t *in, size_t size, char *out, size_t room) {
    const ks_unicode::SingleByteCode *const code = singleByte(encoding);
    Piece piece = {0, 0, code == nullptr};  // the system lacks the encoding: nothing is valid
    size_t i = 0, o = 0;
    if (code == nullptr) return piece;
    while (i < size) {
        // Runs of ASCII, eight bytes at a time.
        while (i + 8 <= size && o + 8 <= room && eightAscii(in + i)) {
            memcpy(out + o, in + i, 8);
            i += 8;
            o += 8;
        }
        if (i == size) break;
        const int32_t c = code->toUnicode[in[i]];
        if (room - o < (size_t)u8Length(c)) break;
        o += putUtf8(out + o, c);
        ++i;
    }
    piece.consumed = i;
    piece.produced = o;
    return piece;
}

// The next character of valid UTF-8 at s + *i.
inline int32_t nextCharacter(const uint8_t *s, size_t *i) { return u8NextUnsafe(s, *i); }

// The longest prefix of valid UTF-8 [s, s + size) that ends at a character
// boundary and has at most room bytes.
size_t wholePrefix(const uint8_t *s, size_t size, size_t room) {
    if (size <= room) return size;
    while (room > 0 && u8IsTrail(s[room])) --room;
    return room;
}

// UTF-8 to UTF-8: runs between line ends are copied whole.
Piece copyUtf8(const char *text, size_t size, bool crlf, char *out, size_t room) {
    const uint8_t *s = reinterpret_cast<const uint8_t *>(text);
    Piece piece = {0, 0, false};
    size_t i = 0, o = 0;
    while (i < size) {
        const void *newline = crlf ? memchr(text + i, '\n', size - i) : nullptr;
        const size_t run = newline ? (size_t)(static_cast<const char *>(newline) - (text + i)) : size - i;
        const size_t taken = wholePrefix(s + i, run, room - o);
        memcpy(out + o, text + i, taken);
        i += taken;
        o += taken;
        if (taken < run || !newline) break;
        if (room - o < 2) break;
        out[o++] = '\r';
        out[o++] = '\n';
        ++i;
    }
    piece.consumed = i;
    piece.produced = o;
    return piece;
}

}  // namespace

bool isSupported(int encoding) {
    switch (encoding) {
    case KS_UCHAR_ENC_UTF8:
    case KS_UCHAR_ENC_UTF16LE:
    case KS_UCHAR_ENC_UTF16BE: return true;
    case KS_UCHAR_ENC_ISO8859_1: return latin1() != nullptr;
    case KS_UCHAR_ENC_WINDOWS1252: return windows1252() != nullptr;
    }
    return false;
}

Scan scanLine(const char *text, size_t size) {
    const uint8_t *in = reinterpret_cast<const uint8_t *>(text);
    const Block lf = splat('\n'), cr = splat('\r'), high = splat(0x80);
    Scan scan = {0, 0, Scan::kEnd};
    size_t i = 0, characters = 0;
    while (i < size) {
        // ASCII without line ends passes a block at a time, straight to the
        // next byte that is either.
        if (size - i >= 16) {
            const Block block = loadBlock(text + i);
            const Block stops = (Block)(block == lf) | (Block)(block == cr) | (block & high);
            if (!anyLane(stops)) {
                i += 16;
                characters += 16;
                continue;
            }
            const size_t lane = firstLane(stops);
            i += lane;
            characters += lane;
        }
        const uint8_t c = in[i];
        if (c == '\n' || c == '\r') {
            scan.stop = Scan::kLineEnd;
            break;
        }
        if (c < 0x80) {
            ++i;
            ++characters;
            continue;
        }
        const int length = utf8SequenceLength(in + i, size - i);
        if (length <= 0) {
            scan.stop = length < 0 ? Scan::kInvalid : Scan::kCut;
            break;
        }
        i += (size_t)length;
        ++characters;
    }
    scan.offset = i;
    scan.characters = characters;
    return scan;
}

Piece decode(int encoding, const char *in, size_t size, bool final, char *out, size_t room) {
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(in);
    if (encoding == KS_UCHAR_ENC_UTF16LE || encoding == KS_UCHAR_ENC_UTF16BE)
        return decodeUtf16(encoding == KS_UCHAR_ENC_UTF16BE, bytes, size, final, out, room);
    return decodeSingleByte(encoding, bytes, size, out, room);
}

bool canEncode(int encoding, const char *text, size_t size) {
    for (size_t done = 0;;) {
        const Scan scan = scanLine(text + done, size - done);
        done += scan.offset + 1;  // past a line end
        if (scan.stop == Scan::kInvalid || scan.stop == Scan::kCut) return false;
        if (scan.stop == Scan::kEnd) break;
    }
    if (encoding == KS_UCHAR_ENC_UTF8 || encoding == KS_UCHAR_ENC_UTF16LE || encoding == KS_UCHAR_ENC_UTF16BE)
        return true;
    const ks_unicode::SingleByteCode *const code = singleByte(encoding);
    if (code == nullptr) return size == 0;
    const uint8_t *s = reinterpret_cast<const uint8_t *>(text);
    for (size_t i = 0; i < size;) {
        if (code->byteFor(nextCharacter(s, &i)) < 0) return false;
    }
    return true;
}

Piece encode(int encoding, const char *text, size_t size, bool crlf, char *out, size_t room) {
    if (encoding == KS_UCHAR_ENC_UTF8) return copyUtf8(text, size, crlf, out, room);
    const uint8_t *s = reinterpret_cast<const uint8_t *>(text);
    const bool utf16 = encoding == KS_UCHAR_ENC_UTF16LE || encoding == KS_UCHAR_ENC_UTF16BE;
    const bool bigEndian = encoding == KS_UCHAR_ENC_UTF16BE;
    const ks_unicode::SingleByteCode *const code = utf16 ? nullptr : singleByte(encoding);
    Piece piece = {0, 0, false};
    size_t i = 0, o = 0;
    while (i < size) {
        if (s[i] == '\n' && crlf) {
            const size_t need = utf16 ? 4 : 2;
            if (room - o < need) break;
            if (utf16) {
                putUnit(out + o, '\r', bigEndian);
                putUnit(out + o + 2, '\n', bigEndian);
            } else {
                out[o] = '\r';
                out[o + 1] = '\n';
            }
            o += need;
            ++i;
            continue;
        }
        size_t next = i;
        const int32_t c = nextCharacter(s, &next);
        size_t need;
        if (utf16) {
            need = (size_t)u16Length(c) * 2;
            if (room - o < need) break;
            if (need == 2) {
                putUnit(out + o, (unsigned)c, bigEndian);
            } else {
                putUnit(out + o, u16Lead(c), bigEndian);
                putUnit(out + o + 2, u16Trail(c), bigEndian);
            }
        } else {
            need = 1;
            if (room - o < need) break;
            out[o] = (char)code->byteFor(c);
        }
        o += need;
        i = next;
    }
    piece.consumed = i;
    piece.produced = o;
    return piece;
}

size_t countCharacters(const char *text, size_t size) {
    size_t trails = 0;
    for (size_t i = 0; i < size; ++i) trails += ((uint8_t)text[i] & 0xC0) == 0x80;
    return size - trails;
}

}  // namespace ks_fio_codec
