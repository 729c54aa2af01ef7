// System library: what the process knows about its own threads, and what
// each thread keeps for itself.
#ifndef KS_THREAD_H
#define KS_THREAD_H

#include <cxxabi.h>

extern "C" void *__dso_handle;  // this module, as the C++ runtime knows it

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

// Calls atEnd(value) as the calling thread ends, among its thread_local
// destructors; the module stays loaded until then. Keep value out of
// thread_local storage: MinGW's runtime releases that first. False when it
// cannot be arranged.
inline bool ks_thread_at_end(void (*atEnd)(void *), void *value) {
    return abi::__cxa_thread_atexit(atEnd, value, &__dso_handle) == 0;
}

// Marks a thread_local of a few bytes that a fast path reads: on ELF systems
// it then sits at a fixed offset from the thread pointer instead of being
// looked up by a call. The space comes from the static TLS area, which is
// small for a library loaded late, hence a few bytes only.
#ifdef __ELF__
#define KS_THREAD_LOCAL_FAST __attribute__((tls_model("initial-exec")))
#else
#define KS_THREAD_LOCAL_FAST
#endif

#endif
