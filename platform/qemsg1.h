// Message library: the catalogue of error texts, built into the library.
//
// A message is found by domain and code; its text has placeholders that
// take, in order, the values that follow in the argument list: `%s` a
// NUL-terminated UTF-8 text (const char *, null reads as empty), `%d` an
// int. Every text is English and ends without trailing blanks (a text value
// that is empty at the end of a message leaves nothing behind).
//
// The finished text is written into a buffer of QEMSG1_BUFFER_SIZE bytes and
// is always NUL-terminated: a longer text is cut at a whole UTF-8 character.
// Both functions keep no state and may be called from any thread.
#ifndef QEMSG1_H
#define QEMSG1_H

#include <stdarg.h>

enum { QEMSG1_BUFFER_SIZE = 2048 };

// The message `code` of `domain` ("Base Services", "Event Plugin"), its
// placeholders filled from args. An unknown domain or code gives a text that
// names both and takes no values. file and line name the caller's source;
// they are not part of the text. flags: pass 0. Returns the text's bytes
// without the NUL.
int qemsg1_get_vmessage(const char *file, int line, const char *domain, int code, char *buffer,
                        va_list args, int flags);

// A fragment by code alone: the text that `code` has in any domain, else the
// text of `alternate`, else a text naming the code. flags: pass 0. Returns
// the text's bytes without the NUL.
int qemsg1_get_vfragment(int code, char *buffer, va_list args, int alternate, int flags);

#endif
