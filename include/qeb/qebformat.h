// qebStringFormat: the library's small formatter for diagnostic texts.
//
// Conversions (each takes one argument):
//   %s     const char * (UTF-8)             the text
//   %S     const QebString *                its text; a null string adds nothing
//   %d     int                              decimal
//   %ld    long                             decimal
//   %I64i  long long                        decimal
//   %I64u  unsigned long long               decimal
//   %g     double                           "%.15g" with a full stop in every locale
//   %%     none                             '%'
// A null pointer for %s or %S adds nothing. There are no widths, precisions
// or flags. Any other sequence takes no argument and is copied: '%' with the
// next character ("%x", "%5d"), "%l" with the next character, a '%' or "%l"
// that ends the format; "%I" not followed by "64i" or "64u" copies only the
// '%' ("%I32d" gives "%32d").
//
//   qebStringFormat("Failed to execute command %s. Error: %d", cmd, -1)
#ifndef QEB_QEBFORMAT_H
#define QEB_QEBFORMAT_H

#include <qeb/qebexport.h>
#include <qeb/qebstring.h>

// The formatted text; null for an empty (or null) format. A piece that
// cannot be added for lack of memory is left out and formatting goes on, so
// the result is null only when nothing could be added. Nothing throws;
// arguments that do not match the format are not detected.
[[nodiscard]] QEB_API QebString qebStringFormat(const char *format, ...);

#endif
