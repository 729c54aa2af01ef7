// The character library's Unicode rules on ICU (see ks_unicode.h).
#include "ks_unicode.h"

#include "ks_uchar.h"

#include <stdint.h>

#include <unicode/uchar.h>
#include <unicode/ucasemap.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

namespace ks_unicode {
namespace {

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

const char *converterName(int encoding) {
    switch (encoding) {
    case KS_UCHAR_ENC_ISO8859_1: return "ISO-8859-1";
    case KS_UCHAR_ENC_WINDOWS1252: return "windows-1252";
    }
    return nullptr;
}

// A single-byte encoding's table, read from ICU's converter byte by byte
// with conversion stopping at a byte it does not map.
struct Table {
    SingleByteCode code;
    bool available = false;

    explicit Table(int encoding) {
        for (int32_t &unit : code.toUnicode) unit = -1;
        UErrorCode status = U_ZERO_ERROR;
        UConverter *converter = ucnv_open(converterName(encoding), &status);
        if (U_FAILURE(status)) return;
        ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        available = U_SUCCESS(status);
        for (int i = 0; i < 256 && available; ++i) {
            const char byte = (char)i;
            UChar unit[2] = {0, 0};
            UErrorCode err = U_ZERO_ERROR;
            ucnv_reset(converter);
            const int32_t n = ucnv_toUChars(converter, unit, 2, &byte, 1, &err);
            if (U_SUCCESS(err) && n == 1 && !U16_IS_SURROGATE(unit[0])) code.toUnicode[i] = unit[0];
        }
        ucnv_close(converter);
        code.index();
    }
};

// A converter into `encoding` that substitutes "?", one per thread (ICU's
// converters are not shared between threads), closed with the thread.
struct ThreadConverter {
    UConverter *converter = nullptr;

    explicit ThreadConverter(int encoding) {
        UErrorCode status = U_ZERO_ERROR;
        converter = ucnv_open(converterName(encoding), &status);
        if (U_SUCCESS(status)) ucnv_setSubstChars(converter, "?", 1, &status);
        if (U_FAILURE(status)) {
            ucnv_close(converter);
            converter = nullptr;
        }
    }
    ~ThreadConverter() { ucnv_close(converter); }
    ThreadConverter(const ThreadConverter &) = delete;
    ThreadConverter &operator=(const ThreadConverter &) = delete;
};

}  // namespace

int caseFold(int32_t c, int32_t out[kMaxFold]) {
    UChar in[2];
    int32_t inLen = 0;
    U16_APPEND_UNSAFE(in, inLen, c);
    UChar folded[kMaxFold];
    UErrorCode err = U_ZERO_ERROR;
    const int32_t foldedLen = u_strFoldCase(folded, kMaxFold, in, inLen, U_FOLD_CASE_DEFAULT, &err);
    if (U_FAILURE(err) || foldedLen <= 0 || foldedLen > kMaxFold) {
        out[0] = u_foldCase(c, U_FOLD_CASE_DEFAULT);  // cannot happen; simple folding
        return 1;
    }
    int count = 0;
    for (int32_t k = 0; k < foldedLen;) {
        UChar32 f;
        U16_NEXT(folded, k, foldedLen, f);
        out[count++] = f;
    }
    return count;
}

bool isWhiteSpace(int32_t c) { return u_isUWhiteSpace(c) != 0; }

bool isAlphabetic(int32_t c) { return u_isUAlphabetic(c) != 0; }

int32_t mapCase(bool upper, const char *src, char *dest, int32_t destSize) {
    const UCaseMap *map = rootCaseMap();
    if (map == nullptr) return -1;
    UErrorCode err = U_ZERO_ERROR;
    const int32_t len = upper ? ucasemap_utf8ToUpper(map, dest, destSize, src, -1, &err)
                              : ucasemap_utf8ToLower(map, dest, destSize, src, -1, &err);
    if (U_FAILURE(err) && err != U_BUFFER_OVERFLOW_ERROR) return -1;
    if (len < 0 || len == INT32_MAX) return -1;  // INT32_MAX: ICU's mark for a result too long to count
    return len;
}

const SingleByteCode *singleByteCode(int encoding) {
    static const Table latin1(KS_UCHAR_ENC_ISO8859_1), windows1252(KS_UCHAR_ENC_WINDOWS1252);
    const Table *table = encoding == KS_UCHAR_ENC_ISO8859_1       ? &latin1
                         : encoding == KS_UCHAR_ENC_WINDOWS1252 ? &windows1252
                                                                : nullptr;
    return table != nullptr && table->available ? &table->code : nullptr;
}

bool substitutesUnmappable(int encoding, int32_t c) {
    // ICU's substitution skips what its own list of default-ignorable code
    // points holds (a list that changes with ICU, within the property), so
    // a character with the property is asked of ICU's converter.
    if (!u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT)) return true;
    static thread_local ThreadConverter latin1(KS_UCHAR_ENC_ISO8859_1), windows1252(KS_UCHAR_ENC_WINDOWS1252);
    UConverter *converter = encoding == KS_UCHAR_ENC_WINDOWS1252 ? windows1252.converter : latin1.converter;
    if (converter == nullptr) return true;
    UChar in[2];
    int32_t inLen = 0;
    U16_APPEND_UNSAFE(in, inLen, c);
    char out[4];
    UErrorCode err = U_ZERO_ERROR;
    ucnv_resetFromUnicode(converter);
    const int32_t n = ucnv_fromUChars(converter, out, (int32_t)sizeof out, in, inLen, &err);
    return U_FAILURE(err) || n != 0;
}

}  // namespace ks_unicode
