// Symbol visibility for the qeb shared library: only what carries QEB_API is
// part of the public interface; everything else is hidden.
#ifndef QEB_QEBEXPORT_H
#define QEB_QEBEXPORT_H

#if defined(_WIN32)
#  if defined(QEB_STATIC)  // the library's objects linked into the program itself
#    define QEB_API
#  elif defined(QEB_BUILDING)
#    define QEB_API __declspec(dllexport)
#  else
#    define QEB_API __declspec(dllimport)
#  endif
#else
#  define QEB_API __attribute__((visibility("default")))
#endif

#endif
