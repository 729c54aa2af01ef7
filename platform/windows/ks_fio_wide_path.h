// File library on Windows: a UTF-8 path as the UTF-16 text the wide system
// calls take.
#ifndef KS_FIO_WIDE_PATH_H
#define KS_FIO_WIDE_PATH_H

#include "ks_uchar.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

class KsWidePath {
public:
    // path, then suffix (a search pattern's "*"). A result of MAX_PATH units
    // or more takes the "\\?\" form, the one that reaches past MAX_PATH.
    explicit KsWidePath(const char *path, const wchar_t *suffix = L"") {
        mError = path == nullptr ? EINVAL : !isUtf8(path) ? EILSEQ : convert(path, suffix);
        if (mError != 0) {
            free(mText);
            mText = nullptr;
        }
    }
    ~KsWidePath() { free(mText); }
    KsWidePath(const KsWidePath &) = delete;
    KsWidePath &operator=(const KsWidePath &) = delete;

    // Null when the path could not be made: error() says why (EINVAL for a
    // null path, EILSEQ for one that is not UTF-8, ENAMETOOLONG, ENOMEM).
    const wchar_t *get() const { return mText; }
    int error() const { return mError; }

private:
    // U+FFFD in place of a bad byte would name another file.
    static bool isUtf8(const char *path) {
        int length = 0;
        while (*path != '\0' && ks_uchar_toint(path, &length) >= 0) path += length;
        return *path == '\0';
    }

    static bool isDevicePath(const wchar_t *path) {
        return wcsncmp(path, L"\\\\?\\", 4) == 0 || wcsncmp(path, L"\\\\.\\", 4) == 0;
    }

    int convert(const char *path, const wchar_t *suffix) {
        const size_t bytes = strlen(path), suffixUnits = wcslen(suffix);
        if (bytes + suffixUnits >= INT_MAX / sizeof(wchar_t)) return ENAMETOOLONG;
        // A UTF-8 character never takes more units than bytes.
        mText = static_cast<wchar_t *>(malloc((bytes + suffixUnits + 1) * sizeof(wchar_t)));
        if (mText == nullptr) return ENOMEM;
        const int units = ks_uchar_utf8_to_utf16(path, reinterpret_cast<unsigned short *>(mText), (int)bytes + 1);
        wcscpy(mText + units, suffix);
        return (size_t)units + suffixUnits < MAX_PATH || isDevicePath(mText) ? 0 : takeLongForm();
    }

    // The "\\?\" form is taken as it stands, so it gets the full path first:
    // '\\' only, a drive or share, no "." or "..".
    int takeLongForm() {
        const DWORD size = GetFullPathNameW(mText, 0, nullptr, nullptr);
        if (size == 0) return 0;  // the plain form reports what is wrong with it
        wchar_t *full = static_cast<wchar_t *>(malloc(size * sizeof(wchar_t)));
        if (full == nullptr) return ENOMEM;
        const DWORD length = GetFullPathNameW(mText, size, full, nullptr);
        if (length == 0 || length >= size || isDevicePath(full)) {
            free(full);
            return 0;
        }
        // "\\server\share\x" becomes "\\?\UNC\server\share\x", "C:\x" "\\?\C:\x".
        const bool share = wcsncmp(full, L"\\\\", 2) == 0;
        const wchar_t *prefix = share ? L"\\\\?\\UNC" : L"\\\\?\\";
        const wchar_t *rest = share ? full + 1 : full;
        const size_t prefixUnits = wcslen(prefix), restUnits = length - (size_t)(rest - full);
        wchar_t *text = static_cast<wchar_t *>(malloc((prefixUnits + restUnits + 1) * sizeof(wchar_t)));
        if (text != nullptr) {
            wmemcpy(text, prefix, prefixUnits);
            wmemcpy(text + prefixUnits, rest, restUnits + 1);
            free(mText);
            mText = text;
        }
        free(full);
        return text != nullptr ? 0 : ENOMEM;
    }

    wchar_t *mText = nullptr;
    int mError = 0;
};

#endif
