// The character library's rules that need Unicode data or the system's
// conversion tables: case folding and mapping, the White_Space and
// Alphabetic classes, and the single-byte encodings' tables. One
// implementation per system under the same name: platform/unix/ks_unicode.cpp
// (ICU) and platform/windows/ks_unicode.cpp (Win32 NLS). Internal to the
// platform layer; the portable code (ks_uchar.cpp, ks_uchar_codec.cpp,
// ks_fio_codec.cpp) does all the UTF-8 walking and calls these only for
// characters outside ASCII. Every function may be called from any thread.
//
// Code points given to these functions are Unicode scalar values (0 to
// 0x10FFFF, no surrogate).
#ifndef KS_UNICODE_H
#define KS_UNICODE_H

#include <stdint.h>

namespace ks_unicode {

// Most code points caseFold writes.
const int kMaxFold = 32;

// The case folding of c, for case-insensitive comparison: writes its code
// points (at least one) to out and returns their count. Unix: ICU's full
// default folding (u_strFoldCase). Windows: simple folding, one code point.
int caseFold(int32_t c, int32_t out[kMaxFold]);

// The Unicode White_Space and Alphabetic properties, as the system has them.
bool isWhiteSpace(int32_t c);
bool isAlphabetic(int32_t c);

// Lower- or upper-case mapping of the NUL-terminated UTF-8 src by the root
// (invariant) locale's rules, ill-formed sequences copied unchanged. Returns
// the byte length of the whole result without its NUL, or -1 on failure.
// When it is below destSize, dest holds the result and its NUL; otherwise
// dest's first destSize bytes hold something unspecified. A null dest with
// destSize 0 only measures.
int32_t mapCase(bool upper, const char *src, char *dest, int32_t destSize);

// A single-byte encoding both ways.
struct SingleByteCode {
    int32_t toUnicode[256];  // each byte's code point, -1 where the system maps none
    // The bytes whose code point is not their own value, for the way back.
    int others = 0;
    int32_t otherCode[256];
    uint8_t otherByte[256];
    bool asciiIsItself = false;  // every byte below 0x80 is its own code point

    // Fills the way back from toUnicode.
    void index() {
        others = 0;
        asciiIsItself = true;
        for (int b = 0; b < 0x80; ++b) asciiIsItself = asciiIsItself && toUnicode[b] == b;
        for (int b = 0; b < 256; ++b) {
            if (toUnicode[b] >= 0 && toUnicode[b] != b) {
                otherCode[others] = toUnicode[b];
                otherByte[others++] = (uint8_t)b;
            }
        }
    }
    // The byte for code point c, or -1 when the encoding lacks it.
    int byteFor(int32_t c) const {
        if (c >= 0 && c < 256 && toUnicode[c] == c) return c;
        for (int i = 0; i < others; ++i) {
            if (otherCode[i] == c) return otherByte[i];
        }
        return -1;
    }
};

// The single-byte encoding KS_UCHAR_ENC_ISO8859_1 or KS_UCHAR_ENC_WINDOWS1252
// as the system's converter has it, read on first use and kept; null when
// the system lacks the encoding.
const SingleByteCode *singleByteCode(int encoding);

// Whether a conversion into that single-byte encoding writes '?' for c,
// which the encoding lacks (true), or drops c (false: ICU's converters drop
// the default-ignorable characters, such as U+200B, that they cannot map).
bool substitutesUnmappable(int encoding, int32_t c);

}  // namespace ks_unicode

#endif
