// The character library's Unicode rules on Win32 NLS (see ks_unicode.h).
//
// Case mapping is LCMapStringEx's for the invariant locale with linguistic
// casing (Unicode's simple one-to-one mappings, no context); the classes are
// GetStringTypeW's CT_CTYPE1 (C1_SPACE, C1_ALPHA); the single-byte tables
// are MultiByteToWideChar's for code pages 28591 and 1252. Both NLS
// functions work unit by unit on the Basic Multilingual Plane, so their
// answers for it are read once into tables (one call over the whole plane
// each) on first use and kept; a supplementary character is asked of the
// system each time.
#if !defined(_WIN32_WINNT) || _WIN32_WINNT < 0x0600
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600  // LCMapStringEx, LOCALE_NAME_INVARIANT
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "ks_unicode.h"

#include "ks_uchar.h"
#include "ks_utf.h"

#include <limits.h>
#include <stdint.h>
#include <string.h>

#include <new>

namespace ks_unicode {
namespace {

const int kPlane = 0x10000;
const DWORD kCaseFlags = LCMAP_LINGUISTIC_CASING;

bool isSurrogateUnit(int32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Maps units [first, last) of the plane through LCMapStringEx into map, in
// one call; unit by unit should the system not map them one to one.
void mapRange(DWORD flags, WCHAR *units, uint16_t *map, int32_t first, int32_t last) {
    const int count = (int)(last - first);
    WCHAR *in = units + first;
    WCHAR *out = new (std::nothrow) WCHAR[(size_t)count];
    if (out != nullptr &&
        LCMapStringEx(LOCALE_NAME_INVARIANT, flags | kCaseFlags, in, count, out, count, nullptr, nullptr, 0) == count) {
        for (int k = 0; k < count; ++k) map[first + k] = isSurrogateUnit(out[k]) ? in[k] : out[k];
    } else {
        for (int k = 0; k < count; ++k) {
            WCHAR one = in[k];
            WCHAR mapped[2];
            const int n = LCMapStringEx(LOCALE_NAME_INVARIANT, flags | kCaseFlags, &one, 1, mapped, 2, nullptr,
                                        nullptr, 0);
            map[first + k] = n == 1 && !isSurrogateUnit(mapped[0]) ? mapped[0] : one;
        }
    }
    delete[] out;
}

// The plane's upper- and lower-case mappings; surrogates map to themselves.
struct CaseTables {
    uint16_t upper[kPlane];
    uint16_t lower[kPlane];

    CaseTables() {
        WCHAR *units = new (std::nothrow) WCHAR[kPlane];
        for (int32_t c = 0; c < kPlane; ++c) {
            upper[c] = lower[c] = (uint16_t)c;
            if (units != nullptr) units[c] = (WCHAR)c;
        }
        if (units == nullptr) return;
        mapRange(LCMAP_UPPERCASE, units, upper, 1, 0xD800);
        mapRange(LCMAP_UPPERCASE, units, upper, 0xE000, kPlane);
        mapRange(LCMAP_LOWERCASE, units, lower, 1, 0xD800);
        mapRange(LCMAP_LOWERCASE, units, lower, 0xE000, kPlane);
        delete[] units;
    }
};

const CaseTables *caseTables() {
    static const CaseTables *const tables = new (std::nothrow) CaseTables;
    return tables;
}

// The mapping of a supplementary character, asked of the system.
int32_t mapSupplementary(bool upper, int32_t c) {
    const WCHAR in[2] = {ks_utf::u16Lead(c), ks_utf::u16Trail(c)};
    WCHAR out[2];
    const int n = LCMapStringEx(LOCALE_NAME_INVARIANT, (upper ? LCMAP_UPPERCASE : LCMAP_LOWERCASE) | kCaseFlags, in, 2,
                                out, 2, nullptr, nullptr, 0);
    if (n == 2 && ks_utf::u16IsLead(out[0]) && ks_utf::u16IsTrail(out[1]))
        return ks_utf::u16Supplementary(out[0], out[1]);
    return c;
}

int32_t mapChar(const CaseTables &tables, bool upper, int32_t c) {
    if (c < kPlane) return (upper ? tables.upper : tables.lower)[c];
    return mapSupplementary(upper, c);
}

// The plane's classes from GetStringTypeW (CT_CTYPE1), one bit each.
const uint8_t kSpace = 1, kAlpha = 2;

uint8_t classesOfType(WORD type) {
    return (uint8_t)(((type & C1_SPACE) ? kSpace : 0) | ((type & C1_ALPHA) ? kAlpha : 0));
}

struct ClassTable {
    uint8_t classes[kPlane] = {};

    ClassTable() {
        WCHAR *units = new (std::nothrow) WCHAR[kPlane];
        WORD *types = new (std::nothrow) WORD[kPlane];
        if (units != nullptr && types != nullptr) {
            for (int32_t c = 0; c < kPlane; ++c) units[c] = isSurrogateUnit(c) ? 0 : (WCHAR)c;
            if (GetStringTypeW(CT_CTYPE1, units, kPlane, types)) {
                for (int32_t c = 0; c < kPlane; ++c) classes[c] = isSurrogateUnit(c) ? 0 : classesOfType(types[c]);
            }
        }
        delete[] units;
        delete[] types;
    }
};

uint8_t classesOf(int32_t c) {
    if (c < kPlane) {
        static const ClassTable *const table = new (std::nothrow) ClassTable;
        return table != nullptr ? table->classes[c] : 0;
    }
    // GetStringTypeW types each unit of the pair; a class holds when it
    // holds for both.
    const WCHAR pair[2] = {ks_utf::u16Lead(c), ks_utf::u16Trail(c)};
    WORD types[2] = {0, 0};
    if (!GetStringTypeW(CT_CTYPE1, pair, 2, types)) return 0;
    return classesOfType(types[0]) & classesOfType(types[1]);
}

// A single-byte code page's table, read byte by byte.
struct Table {
    SingleByteCode code;
    bool available = false;

    explicit Table(UINT codePage) {
        for (int32_t &unit : code.toUnicode) unit = -1;
        if (!IsValidCodePage(codePage)) return;
        available = true;
        for (int i = 0; i < 256; ++i) {
            const char byte = (char)i;
            WCHAR unit[2];
            if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &byte, 1, unit, 2) == 1 &&
                !isSurrogateUnit(unit[0]))
                code.toUnicode[i] = unit[0];
        }
        code.index();
    }
};

}  // namespace

int caseFold(int32_t c, int32_t out[kMaxFold]) {
    // Simple folding as the lower case of the upper case, which joins what
    // either mapping joins; the dotted and dotless I stay apart from i as in
    // Unicode's default (not Turkic) folding.
    const CaseTables *tables = caseTables();
    if (tables == nullptr || c == 0x130 || c == 0x131) {
        out[0] = c;
    } else {
        out[0] = mapChar(*tables, false, mapChar(*tables, true, c));
    }
    return 1;
}

bool isWhiteSpace(int32_t c) { return (classesOf(c) & kSpace) != 0; }

bool isAlphabetic(int32_t c) { return (classesOf(c) & kAlpha) != 0; }

int32_t mapCase(bool upper, const char *src, char *dest, int32_t destSize) {
    const CaseTables *tables = caseTables();
    if (tables == nullptr) return -1;
    const uint16_t *const plane = upper ? tables->upper : tables->lower;
    const uint8_t *s = reinterpret_cast<const uint8_t *>(src);
    uint8_t *const d = reinterpret_cast<uint8_t *>(dest);
    const size_t room = dest != nullptr && destSize > 0 ? (size_t)destSize : 0;
    size_t o = 0;
    while (*s != 0) {
        if (*s < 0x80 && plane[*s] < 0x80) {
            if (o < room) d[o] = (uint8_t)plane[*s];
            ++o;
            ++s;
            continue;
        }
        int len = 1;
        const int32_t c = *s < 0x80 ? *s : ks_utf::u8Decode(s, &len);
        uint8_t mapped[4];
        const uint8_t *bytes = s;  // ill-formed: copied unchanged
        int n = len;
        if (c >= 0) {
            n = ks_utf::u8Append(mapped, c < kPlane ? plane[c] : mapSupplementary(upper, c));
            bytes = mapped;
        }
        if (o + (size_t)n <= room) memcpy(d + o, bytes, (size_t)n);
        o += (size_t)n;
        s += len;
        if (o >= (size_t)INT32_MAX) return -1;
    }
    if (o < room) d[o] = 0;
    return (int32_t)o;
}

const SingleByteCode *singleByteCode(int encoding) {
    static const Table latin1(28591), windows1252(1252);
    const Table *table = encoding == KS_UCHAR_ENC_ISO8859_1       ? &latin1
                         : encoding == KS_UCHAR_ENC_WINDOWS1252 ? &windows1252
                                                                : nullptr;
    return table != nullptr && table->available ? &table->code : nullptr;
}

bool substitutesUnmappable(int, int32_t) { return true; }

}  // namespace ks_unicode
