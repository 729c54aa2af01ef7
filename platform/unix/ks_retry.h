// System calls on POSIX that a signal's handler may interrupt: called again
// until they finish.
#ifndef KS_RETRY_H
#define KS_RETRY_H

#include <errno.h>

// call's result, called again while it fails with EINTR.
template <typename Call>
auto ks_retry(Call call) -> decltype(call()) {
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

#endif
