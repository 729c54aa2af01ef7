// System library: what the process knows about its own threads.
#ifndef KS_THREAD_H
#define KS_THREAD_H

#if __has_include(<sys/single_threaded.h>)
#include <sys/single_threaded.h>
#define KS_THREAD_KNOWS_SINGLE 1
#endif

// True only while the process has a single thread. It turns false before a
// second thread starts (and the start orders everything before it), so a
// caller that sees true holds every lock uncontended. Platforms that cannot
// tell say false.
inline bool ks_thread_process_is_single() {
#ifdef KS_THREAD_KNOWS_SINGLE
    return __libc_single_threaded != 0;
#else
    return false;
#endif
}

#endif
