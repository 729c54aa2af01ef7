// System library: starting commands, waiting for them and their errors.
//
// A command is started directly (a program searched on PATH with an argument
// vector) or through the system's command interpreter (one command line). The
// child reads its standard input from the null device, inherits no
// descriptor but its standard input, output and error, and starts with no
// signal blocked and every signal's default action. Results of 0 mean
// success; any other value is failure, described by ks_proc_geterr. All
// operations may be called from any thread; one handle is used by one
// thread at a time.
#ifndef KS_PROC_H
#define KS_PROC_H

typedef struct ks_proc *ks_proc_handle;

// The options block of the start operations.
typedef struct ks_proc_options {
    const void *reserved1;  // pass null
    const void *reserved2;  // pass null
    // With KS_PROC_OUTPUT: the file (created for the owner alone when
    // missing, emptied) that receives the command's standard output and
    // standard error.
    const char *outputFile;
    // With KS_PROC_ENVIRONMENT: a null-terminated array of "NAME=VALUE"
    // entries added to the environment the child inherits; an entry replaces
    // an inherited one of the same name, and a later entry an earlier one.
    const char *const *environment;
} ks_proc_options;

// Start flags; other bits are ignored.
enum {
    KS_PROC_OUTPUT = 0x04,       // redirect output into options->outputFile
    KS_PROC_ENVIRONMENT = 0x20,  // add options->environment
    KS_PROC_NO_WINDOW = 0x80     // no console window of its own: no meaning on POSIX
};

// End states of ks_proc_wait.
enum {
    KS_PROC_EXITED = 1,  // ended by itself; the exit code is its exit status
    KS_PROC_KILLED = 3   // ended by a signal; the exit code is the signal's number
};

// Starts the program argv[0], searched on the caller's PATH (not on one the
// environment entries set; a name with '/' is a path), with the
// null-terminated argument vector argv. 0 with *handle set; else non-zero
// with *handle untouched (ks_proc_geterr(null) then describes the failure:
// a program that cannot be found or run is such a failure).
int ks_proc_execute(const char *const *argv, int flags, const ks_proc_options *options,
                    ks_proc_handle *handle);
// Starts the command interpreter (/bin/sh -c -- line) on line; as
// ks_proc_execute otherwise (a program the line names that does not exist
// makes the interpreter end with exit status 127).
int ks_proc_shellexec(const char *line, int flags, const ks_proc_options *options,
                      ks_proc_handle *handle);
// waitMode 1 waits until the command has ended (also across interrupted
// waits); 0 only looks, failing while the command still runs; other modes
// fail at once. 0 with *state and *exitCode set (see the end states above),
// or non-zero.
int ks_proc_wait(ks_proc_handle handle, int waitMode, int *state, int *exitCode);
// A text describing the last failure on handle; with a null handle, the
// calling thread's last failure to start. Never null; "" when there was none.
// Valid until the next operation on the handle (or the next start on the
// thread).
const char *ks_proc_geterr(ks_proc_handle handle);
// Releases the handle (null does nothing). A command that has not been waited
// for to its end is killed (SIGKILL) and waited for, so that no zombie is
// left behind; programs that the command started itself are not killed.
void ks_proc_destroy(ks_proc_handle handle);

#endif
