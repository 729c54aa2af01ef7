// String library: the locale's text form of a date-time.
#ifndef QES_DATE_TEXT_H
#define QES_DATE_TEXT_H

// Writes the current C locale's date and time ("%x %X") of the elements as
// UTF-8 into out, cut at a whole character to fit with its NUL, and returns
// the bytes written without the NUL; -1 when the locale gives no text.
// On Windows the text is the user's default locale's short date and time
// (GetDateFormatEx, GetTimeFormatEx), whatever setlocale chose; elements
// that are no real date-time, and years before 1601, give -1.
int qes_format_date_locale(int year, int month, int day, int hour, int minute, int second,
                           char *out, int outSize);

#endif
