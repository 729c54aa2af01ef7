// Catalogue messages: every error text the library gives its callers.
//
// A message is found by a domain ("Base Services", "Event Plugin") and a
// code; the values after the code fill its placeholders in order, each of
// the kind the code takes (a const char * UTF-8 text, or an int). The text
// is English, at most 2047 bytes (a longer one is cut at a whole character);
// an unknown domain or code gives a text that names both. Nothing throws,
// and both functions may be called from any thread.
//
//   QebString text = qeb_get_message(__FILE__, __LINE__, "Base Services", 445, path);
//   // The directory "/no/such" does not exist.
#ifndef QEB_QEBMESSAGE_H
#define QEB_QEBMESSAGE_H

#include <qeb/qebexport.h>
#include <qeb/qebstring.h>

// The message; file and line name the calling source (they are not part of
// the text). Null only when memory for the string ran out.
[[nodiscard]] QEB_API QebString qeb_get_message(const char *file, int line, const char *domain, int code, ...);
// A message's text by code alone, whatever its domain.
[[nodiscard]] QEB_API QebString qeb_get_fragment(int code, ...);

#endif
