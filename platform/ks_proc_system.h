// System library: what each system's commands give the portable ks_proc.cpp,
// and what that gives them back.
#ifndef KS_PROC_SYSTEM_H
#define KS_PROC_SYSTEM_H

#include "ks_proc.h"

#include <stddef.h>

constexpr size_t kKsProcErrorSize = 1024;

// What every system keeps of a command; each system's process derives from
// it and adds its own.
struct ks_proc {
    bool ended = false;  // waited for to its end (on POSIX: or gone): never to be killed
    int state = 0;       // KS_PROC_EXITED or KS_PROC_KILLED once ended; 0 before, or when it vanished
    int exitCode = 0;
    char error[kKsProcErrorSize] = {};  // the last failure on the handle
};

// The system's codes for a refused argument and for a null handle.
extern const int ks_proc_invalid_argument;
extern const int ks_proc_invalid_handle;

// ks_proc_execute and ks_proc_shellexec with their arguments checked: 0 with
// *handle set, or an error code with the thread's text saying why.
int ks_proc_start_program(const char *const *argv, int flags, const ks_proc_options *options,
                          ks_proc_handle *handle);
int ks_proc_start_line(const char *line, int flags, const ks_proc_options *options, ks_proc_handle *handle);
// Waits until the command has ended (block) or looks whether it has: 0 with
// its end state kept, or an error code with the handle's text saying why.
int ks_proc_await(ks_proc_handle handle, bool block);

// Formats into error (kKsProcErrorSize bytes), a character cut at the end dropped.
__attribute__((format(printf, 2, 3))) void ks_proc_describe(char *error, const char *format, ...);
// The calling thread's text of its last failure to start.
char *ks_proc_start_error();

#endif
