#include "qes_date_text.h"

#include "ks_uchar.h"

#include <ctime>
#include <cwchar>

namespace {

// wchar_t holds UTF-32 here; the character library reads UTF-16.
int toUtf16(const wchar_t *wide, unsigned short *out, int outUnits) {
    int n = 0;
    for (; *wide; ++wide) {
        unsigned long c = static_cast<unsigned long>(*wide);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        const int units = c > 0xFFFF ? 2 : 1;
        if (n + units >= outUnits) break;
        if (units == 2) {
            c -= 0x10000;
            out[n++] = static_cast<unsigned short>(0xD800 + (c >> 10));
            out[n++] = static_cast<unsigned short>(0xDC00 + (c & 0x3FF));
        } else {
            out[n++] = static_cast<unsigned short>(c);
        }
    }
    out[n] = 0;
    return n;
}

}  // namespace

int qes_format_date_locale(int year, int month, int day, int hour, int minute, int second,
                           char *out, int outSize) {
    if (!out || outSize <= 0) return -1;
    out[0] = '\0';
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    wchar_t wide[128];
    if (std::wcsftime(wide, 128, L"%x %X", &fields) == 0) return -1;
    unsigned short utf16[256];
    toUtf16(wide, utf16, 256);
    return ks_uchar_encode(KS_UCHAR_ENC_UTF16, reinterpret_cast<const char *>(utf16), out, outSize);
}
