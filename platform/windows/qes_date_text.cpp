// String library on Windows: the user's locale's text form of a date-time.
#include "qes_date_text.h"

#include "ks_uchar.h"
#include "qes_date.h"

#include <windows.h>

int qes_format_date_locale(int year, int month, int day, int hour, int minute, int second,
                           char *out, int outSize) {
    if (!out || outSize <= 0) return -1;
    out[0] = '\0';
    // Checked before they become WORDs, which would wrap them into range.
    const int weekday = qes_weekday(year, month, day);
    if (weekday < 0 || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return -1;
    const SYSTEMTIME when = {WORD(year), WORD(month),  WORD(weekday), WORD(day),
                             WORD(hour), WORD(minute), WORD(second),  0};
    constexpr int kUnits = 256;
    wchar_t text[kUnits];
    const int dateLength =
        GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, text, kUnits, nullptr);
    if (dateLength == 0) return -1;
    text[dateLength - 1] = L' ';  // was the date's terminator
    if (!GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &when, nullptr, text + dateLength, kUnits - dateLength))
        return -1;
    return ks_uchar_encode(KS_UCHAR_ENC_UTF16, reinterpret_cast<const char *>(text), out, outSize);
}
