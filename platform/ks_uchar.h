// Character library: everything the library knows about UTF-8 characters.
//
// Texts are NUL-terminated UTF-8. A character is one well-formed UTF-8
// sequence. An ill-formed sequence counts as one character per maximal
// subpart (the Unicode rule for substituting U+FFFD: a lead byte with the
// trail bytes that still fit it, or a lone byte otherwise), so every byte of
// any text belongs to exactly one character. No operation reads past the
// terminating NUL, whatever bytes come before it. A null text reads as the
// empty text. All operations may be called from any thread without locking.
#ifndef KS_UCHAR_H
#define KS_UCHAR_H

#include <stddef.h>

// Encoding identifiers for ks_uchar_encode and ks_uchar_decode.
enum {
    KS_UCHAR_ENC_UTF8 = 1,
    KS_UCHAR_ENC_ISO8859_1 = 2,
    KS_UCHAR_ENC_WINDOWS1252 = 3,
    KS_UCHAR_ENC_UTF16 = 8,  // UTF-16 in the machine's byte order (the Windows wide form)
    KS_UCHAR_ENC_UTF16LE = 9,
    KS_UCHAR_ENC_UTF16BE = 10
};

// Number of characters before the NUL.
int ks_uchar_length(const char *text);
// The character n characters on from text; the NUL when exactly n remain,
// null when the text ends first (n <= 0 gives text).
const char *ks_uchar_seek(const char *text, int n);
// Number of characters from base up to p, a position inside base's text (at
// most its NUL); a character that starts before p counts. Reads only [base, p).
int ks_uchar_tell(const char *base, const char *p);

// Positions where the text's end is known, so that a word of bytes is tested
// at a time. A caller that keeps how much of a text is well-formed can then
// seek and count there by lead bytes alone, several times faster.
//
// ks_uchar_seek over [text, end): end when exactly n characters remain,
// null when fewer. *wellFormed (when given) tells whether every character
// walked over was well-formed.
const char *ks_uchar_seek_bounded(const char *text, const char *end, int n, bool *wellFormed);
// The same for [text, end) known to be well-formed UTF-8.
const char *ks_uchar_seek_wellformed(const char *text, const char *end, int n);
// Number of characters in [begin, end), known to be well-formed UTF-8.
int ks_uchar_count_wellformed(const char *begin, const char *end);
// Case-insensitive comparison by full Unicode case folding: 0 when equal,
// otherwise the sign gives the order (code point order of the folded texts;
// an ill-formed byte sorts after every character and by its value, and equals
// only the same byte; a text sorts before its longer continuations). Returns
// -1, 0 or 1. Allocates nothing.
// Windows has no case folding: there a character folds to one code point,
// the lower case of its upper case (LCMapStringEx, invariant locale), and
// U+0130 and U+0131 (dotted I, dotless i) to themselves. So a character whose
// full folding has more than one code point folds to itself there: U+00DF
// (sharp s) differs from "ss", U+FB03 (ffi) from "ffi", U+0130 from "i" +
// U+0307, U+0390 from U+03B9 U+0308 U+0301. Cherokee folds to its lower case
// there and to its upper case on ICU, which changes only how it orders
// against other characters.
int ks_uchar_icomp(const char *a, const char *b);
// Lower- and upper-case mapping, locale-independent (root locale rules).
// On Windows the mapping is one to one per character (LCMapStringEx,
// invariant locale, linguistic casing): no expansion (U+00DF and U+FB01
// stay as they are in upper case, U+0130 lowers to "i" alone) and no context
// (a final capital sigma lowers to U+03C3, not U+03C2). The byte length may
// change on both systems.
// Return the converted text's byte length without the NUL, or -1 on failure.
// With a null destination and size -1 they only measure; otherwise they write
// the text and a NUL into dest, which must hold length + 1 bytes (the text is
// cut at a character when it does not, and the full length is returned).
// A null dest or a destSize <= 0 only measures, too. dest must not overlap src.
// Ill-formed sequences are copied unchanged.
int ks_uchar_lower(const char *src, char *dest, int destSize);
int ks_uchar_upper(const char *src, char *dest, int destSize);

// Character classes of the character at p. Each returns non-zero when it is
// of the class and stores its byte length in *len (1 for the NUL, which is
// of no class and ends the walk; the length of the maximal subpart for an
// ill-formed sequence, which is of no class either).
//   space: Unicode White_Space; digit: '0' to '9' only, as the number parsers
//   read them; alpha: Unicode Alphabetic; ascii: below U+0080 (not the NUL).
// On Windows, space and alpha outside ASCII are GetStringTypeW's C1_SPACE and
// C1_ALPHA, which type UTF-16 units: no character beyond U+FFFF is of either
// class there (so not CJK Extension B, nor U+1D400); and, as Wine has them,
// neither are the combining vowel signs and other marks that Alphabetic holds
// (U+0345, U+093E) nor the circled letters (U+24B6), while space agrees with
// White_Space.
int ks_uchar_isspace(const char *p, int *len);
int ks_uchar_isdigit(const char *p, int *len);
int ks_uchar_isalpha(const char *p, int *len);
int ks_uchar_isascii(const char *p, int *len);
// Code point of the character at p (0 at the NUL), or -1 for an ill-formed
// sequence; stores the byte length as the class tests do.
int ks_uchar_toint(const char *p, int *len);
// Copies at most n whole characters of src that fit in destSize bytes with a
// NUL, writes the NUL and returns the bytes copied without it. dest may be
// src (in-place truncation) or overlap it. n <= 0 copies no character (the
// NUL is still written); destSize <= 0 writes nothing and returns 0.
int ks_uchar_bufncopy(char *dest, const char *src, int destSize, int n);

// The length of the text [text, text + length) without a character that its
// end cuts short (bytes valid so far as the start of a longer sequence), so
// that a text cut at a byte count ends at a whole character. Reads only
// [text, text + length).
int ks_uchar_wholelength(const char *text, int length);

// Encoding conversions. ks_uchar_encode converts the NUL-terminated src, text
// in `encoding`, into UTF-8; ks_uchar_decode converts NUL-terminated UTF-8
// into `encoding`. Text in a UTF-16 encoding ends at its first 0 unit and is
// a sequence of bytes: dest and src need no alignment.
// Both write whole characters only, as many as fit in destSize bytes together
// with a terminator (one 0 byte, two for UTF-16), then the terminator, and
// return the bytes written without the terminator; so the result is at most
// destSize - 1 (destSize - 2 for UTF-16) and the caller may write a 0 byte at
// that offset. Ill-formed input is replaced by U+FFFD, and a character the
// target encoding lacks by '?' (on Unix, ICU's converters drop instead a
// default-ignorable character the target lacks, such as U+200B or U+FEFF);
// neither stops the conversion. A null dest, a destSize too small for the
// terminator, or an unknown encoding writes nothing and returns 0; a null src
// reads as the empty text.
int ks_uchar_encode(int encoding, const char *src, char *dest, int destSize);
int ks_uchar_decode(int encoding, const char *src, char *dest, int destSize);

// UTF-8 and UTF-16 (machine order) wide text, for the wide-text classes.
// ks_uchar_utf8_to_utf16 converts NUL-terminated UTF-8 to UTF-16 units,
// ks_uchar_utf16_to_utf8 0-terminated UTF-16 to UTF-8 bytes. Each ill-formed
// UTF-8 character (maximal subpart, as above) and each unpaired surrogate
// becomes U+FFFD; the conversion never stops early. Both write the whole
// characters that fit in destSize units (bytes) together with a 0
// terminator, then the terminator, and return the units (bytes) written
// without it; a null dest or destSize <= 0 writes nothing and returns 0. A
// null src reads as the empty text. No UTF-8 character gives more units than
// it has bytes, so one unit per byte always holds the whole text.
// ks_uchar_utf16_to_utf8 with a null dest measures instead: the byte length
// of the whole converted text without the NUL, or -1 beyond an int.
int ks_uchar_utf8_to_utf16(const char *src, unsigned short *dest, int destSize);
int ks_uchar_utf16_to_utf8(const unsigned short *src, char *dest, int destSize);

#endif
