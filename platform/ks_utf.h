// UTF-8 and UTF-16 primitives of the character library: decoding one
// character, appending one, lengths and surrogate tests. Portable and
// self-contained (no Unicode data, no system calls); internal to the
// platform layer.
//
// Decoding follows the Unicode "maximal subpart" rule for substituting
// U+FFFD exactly as ICU's U8_NEXT applies it: a lead byte with the trail
// bytes that still fit it form one ill-formed character, and a byte that
// cannot start a character is one on its own. Code points are int32_t; a
// negative value marks an ill-formed sequence.
#ifndef KS_UTF_H
#define KS_UTF_H

#include <stddef.h>
#include <stdint.h>

namespace ks_utf {

// ---- UTF-8 ----------------------------------------------------------------

inline bool u8IsSingle(uint8_t b) { return b < 0x80; }
// A byte that can start a multi-byte character (0xC2 to 0xF4).
inline bool u8IsLead(uint8_t b) { return (uint8_t)(b - 0xC2) <= 0x32; }
inline bool u8IsTrail(uint8_t b) { return (int8_t)b < -0x40; }

// The second bytes a three-byte lead accepts, as a bit per value of t1 >> 5,
// indexed by lead & 0xF: 0xE0 takes A0..BF (no overlong form), 0xED takes
// 80..9F (no surrogate), the others 80..BF.
inline bool u8IsValidLead3AndT1(uint8_t lead, uint8_t t1) {
    static const uint8_t kBits[16] = {0x20, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30,
                                      0x30, 0x30, 0x30, 0x30, 0x30, 0x10, 0x30, 0x30};
    return (kBits[lead & 0xF] & (1 << (t1 >> 5))) != 0;
}

// The four-byte leads a second byte accepts, as a bit per lead & 7, indexed
// by t1 >> 4: 0xF0 takes 90..BF (no overlong form), 0xF4 takes 80..8F (not
// beyond U+10FFFF), 0xF1 to 0xF3 take 80..BF.
inline bool u8IsValidLead4AndT1(uint8_t lead, uint8_t t1) {
    static const uint8_t kBits[16] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0x1E, 0x0F, 0x0F, 0x0F, 0x00, 0x00, 0x00, 0x00};
    return (kBits[t1 >> 4] & (1 << (lead & 7))) != 0;
}

// Trail bytes a lead byte announces (0 for a byte that is no lead).
inline int u8CountTrailBytes(uint8_t lead) { return u8IsLead(lead) ? (lead >= 0xE0) + (lead >= 0xF0) + 1 : 0; }

// Decodes the character at s[i] and advances i past it: the whole character
// when well-formed, else its maximal subpart (at least one byte). Returns the
// code point, or -1 when ill-formed. length is the end of s; a negative
// length reads s as NUL-terminated: a byte is then read only after the one
// before it proved to be a fitting lead or trail byte, which the NUL never
// is, so the decoding never reads past the NUL. The result and the bytes
// consumed are those of ICU's U8_NEXT(s, i, length, c).
inline int32_t u8Next(const uint8_t *s, int32_t &i, int32_t length) {
    int32_t c = s[i++];
    if (c < 0x80) return c;
    uint8_t t;
    if (c < 0xE0) {  // U+0080..U+07FF
        if (c < 0xC2 || i == length) return -1;
        if ((t = (uint8_t)(s[i] - 0x80)) > 0x3F) return -1;
        ++i;
        return (c & 0x1F) << 6 | t;
    }
    if (c < 0xF0) {  // U+0800..U+FFFF except surrogates
        if (i == length || !u8IsValidLead3AndT1((uint8_t)c, (t = s[i]))) return -1;
        c = (c & 0xF) << 6 | (t & 0x3F);
        if (++i == length) return -1;
    } else {  // U+10000..U+10FFFF
        if ((c -= 0xF0) > 4 || i == length || !u8IsValidLead4AndT1((uint8_t)c, (t = s[i]))) return -1;
        c = c << 6 | (t & 0x3F);
        if (++i == length) return -1;
        if ((t = (uint8_t)(s[i] - 0x80)) > 0x3F) return -1;
        c = c << 6 | t;
        if (++i == length) return -1;
    }
    if ((t = (uint8_t)(s[i] - 0x80)) > 0x3F) return -1;  // the last trail byte
    ++i;
    return c << 6 | t;
}

// The character at s of a NUL-terminated text (s not at the NUL): its code
// point or -1, with its byte length in *len.
inline int32_t u8Decode(const uint8_t *s, int *len) {
    int32_t i = 0;
    const int32_t c = u8Next(s, i, -1);
    *len = i;
    return c;
}

// The same where avail bytes (at least one) are known to be readable.
inline int32_t u8DecodeBounded(const uint8_t *s, ptrdiff_t avail, int *len) {
    int32_t i = 0;
    const int32_t c = u8Next(s, i, avail < 4 ? (int32_t)avail : 4);  // a character has at most 4 bytes
    *len = i;
    return c;
}

// Decodes a character of text known to be well-formed UTF-8 and advances i.
inline int32_t u8NextUnsafe(const uint8_t *s, size_t &i) {
    int32_t c = s[i++];
    if (c < 0x80) return c;
    if (c < 0xE0) {
        c = (c & 0x1F) << 6 | (s[i] & 0x3F);
        i += 1;
    } else if (c < 0xF0) {
        c = (c & 0x0F) << 12 | (s[i] & 0x3F) << 6 | (s[i + 1] & 0x3F);
        i += 2;
    } else {
        c = (c & 0x07) << 18 | (s[i] & 0x3F) << 12 | (s[i + 1] & 0x3F) << 6 | (s[i + 2] & 0x3F);
        i += 3;
    }
    return c;
}

// Bytes of code point c in UTF-8; 0 for a surrogate or beyond U+10FFFF.
inline int u8Length(int32_t c) {
    const uint32_t u = (uint32_t)c;
    return u <= 0x7F ? 1 : u <= 0x7FF ? 2 : u <= 0xD7FF ? 3 : (u <= 0xDFFF || u > 0x10FFFF) ? 0 : u <= 0xFFFF ? 3 : 4;
}

// Writes code point c (a scalar value) as UTF-8 at d, which has room for it;
// returns the bytes written.
inline int u8Append(uint8_t *d, int32_t c) {
    const uint32_t u = (uint32_t)c;
    if (u <= 0x7F) {
        d[0] = (uint8_t)u;
        return 1;
    }
    if (u <= 0x7FF) {
        d[0] = (uint8_t)(u >> 6 | 0xC0);
        d[1] = (uint8_t)((u & 0x3F) | 0x80);
        return 2;
    }
    if (u <= 0xFFFF) {
        d[0] = (uint8_t)(u >> 12 | 0xE0);
        d[1] = (uint8_t)((u >> 6 & 0x3F) | 0x80);
        d[2] = (uint8_t)((u & 0x3F) | 0x80);
        return 3;
    }
    d[0] = (uint8_t)(u >> 18 | 0xF0);
    d[1] = (uint8_t)((u >> 12 & 0x3F) | 0x80);
    d[2] = (uint8_t)((u >> 6 & 0x3F) | 0x80);
    d[3] = (uint8_t)((u & 0x3F) | 0x80);
    return 4;
}

// The length of [s, s + length) without a character that its end cuts short
// (a lead byte and the trail bytes that fit it so far), as ICU's
// U8_TRUNCATE_IF_INCOMPLETE(s, 0, length). Reads only [s, s + length).
inline int32_t u8TruncateIfIncomplete(const uint8_t *s, int32_t length) {
    if (length <= 0) return length;
    const uint8_t b1 = s[length - 1];
    if (u8IsSingle(b1)) return length;
    if (u8IsLead(b1)) return length - 1;
    if (!u8IsTrail(b1) || length < 2) return length;
    const uint8_t b2 = s[length - 2];
    if (b2 >= 0xE0 && b2 <= 0xF4) {
        const bool fits = b2 < 0xF0 ? u8IsValidLead3AndT1(b2, b1) : u8IsValidLead4AndT1(b2, b1);
        return fits ? length - 2 : length;
    }
    if (!u8IsTrail(b2) || length < 3) return length;
    const uint8_t b3 = s[length - 3];
    return (b3 >= 0xF0 && b3 <= 0xF4 && u8IsValidLead4AndT1(b3, b2)) ? length - 3 : length;
}

// ---- UTF-16 ---------------------------------------------------------------

inline bool u16IsSurrogate(uint32_t c) { return (c & 0xFFFFF800) == 0xD800; }
// For a surrogate: true when it is a lead (high) surrogate.
inline bool u16IsSurrogateLead(uint32_t c) { return (c & 0x400) == 0; }
inline bool u16IsLead(uint32_t c) { return (c & 0xFFFFFC00) == 0xD800; }
inline bool u16IsTrail(uint32_t c) { return (c & 0xFFFFFC00) == 0xDC00; }
// The code point of a lead and a trail surrogate.
inline int32_t u16Supplementary(uint32_t lead, uint32_t trail) {
    return (int32_t)((lead << 10) + trail - ((0xD800u << 10) + 0xDC00u - 0x10000u));
}
// Units of code point c (a scalar value) in UTF-16, and those of a
// supplementary one.
inline int u16Length(int32_t c) { return (uint32_t)c <= 0xFFFF ? 1 : 2; }
inline uint16_t u16Lead(int32_t c) { return (uint16_t)((c >> 10) + 0xD7C0); }
inline uint16_t u16Trail(int32_t c) { return (uint16_t)((c & 0x3FF) | 0xDC00); }

}  // namespace ks_utf

#endif
