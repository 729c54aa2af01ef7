// System library: the checks and failure texts of commands, the same on
// every system.
#include "ks_proc_system.h"

#include "ks_uchar.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace {

// The calling thread's last failure to start, for ks_proc_geterr(null).
thread_local char startError[kKsProcErrorSize];

int refuseStart(const char *why) {
    ks_proc_describe(startError, "%s", why);
    return ks_proc_invalid_argument;
}

// 0 when the options allow a start.
int refusedOptions(int flags, const ks_proc_options *options, const ks_proc_handle *handle) {
    if (!handle) return refuseStart("no address for the process handle");
    if ((flags & KS_PROC_OUTPUT) && (!options || !options->outputFile))
        return refuseStart("output is to be redirected, but no output file is given");
    if ((flags & KS_PROC_ENVIRONMENT) && (!options || !options->environment))
        return refuseStart("environment entries are to be added, but none are given");
    return 0;
}

}  // namespace

void ks_proc_describe(char *error, const char *format, ...) {
    va_list values;
    va_start(values, format);
    const int length = vsnprintf(error, kKsProcErrorSize, format, values);
    va_end(values);
    if (length >= (int)kKsProcErrorSize) error[ks_uchar_wholelength(error, (int)strlen(error))] = '\0';
}

char *ks_proc_start_error() { return startError; }

int ks_proc_execute(const char *const *argv, int flags, const ks_proc_options *options,
                    ks_proc_handle *handle) {
    if (!argv || !argv[0]) return refuseStart("no program to start: the argument vector is empty");
    if (const int refused = refusedOptions(flags, options, handle)) return refused;
    return ks_proc_start_program(argv, flags, options, handle);
}

int ks_proc_shellexec(const char *line, int flags, const ks_proc_options *options,
                      ks_proc_handle *handle) {
    if (!line) return refuseStart("no command line to run");
    if (const int refused = refusedOptions(flags, options, handle)) return refused;
    return ks_proc_start_line(line, flags, options, handle);
}

int ks_proc_wait(ks_proc_handle handle, int waitMode, int *state, int *exitCode) {
    if (!handle) return ks_proc_invalid_handle;
    if (!state || !exitCode) {
        ks_proc_describe(handle->error, "no address for the end state or the exit code");
        return ks_proc_invalid_argument;
    }
    if (waitMode != 0 && waitMode != 1) {
        ks_proc_describe(handle->error, "wait mode %d is not known (0 looks, 1 waits)", waitMode);
        return ks_proc_invalid_argument;
    }
    // No end state: still running, or on POSIX gone unseen, which the system reports.
    if (handle->state == 0) {
        if (const int code = ks_proc_await(handle, waitMode == 1)) return code;
    }
    *state = handle->state;
    *exitCode = handle->exitCode;
    return 0;
}

const char *ks_proc_geterr(ks_proc_handle handle) { return handle ? handle->error : startError; }
