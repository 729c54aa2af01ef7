// QEB_ASAN is 1 in a build under AddressSanitizer: GCC says so with
// __SANITIZE_ADDRESS__, clang only through __has_feature.
#ifndef QEB_QEBASAN_H
#define QEB_QEBASAN_H

#if defined(__SANITIZE_ADDRESS__)
#define QEB_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QEB_ASAN 1
#endif
#endif

#ifdef QEB_ASAN
#include <sanitizer/asan_interface.h>
#endif

#endif
