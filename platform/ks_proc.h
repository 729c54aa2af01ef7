// System library: starting commands, waiting for them and their errors.
//
// A command is started directly (a program searched on PATH with an argument
// vector) or through the system's command interpreter (one command line). The
// child reads its standard input from the null device, inherits no
// descriptor but its standard input, output and error, and starts with no
// signal blocked and every signal's default action. Results of 0 mean
// success; any other value is failure (an errno value on POSIX, a system
// error code on Windows), described by ks_proc_geterr. All operations may be
// called from any thread; one handle is used by one thread at a time.
//
// On Windows texts are converted from UTF-8 (an ill-formed sequence becomes
// U+FFFD), and the child inherits no handle but its standard three (it gets
// copies of the caller's output and error, or none where the caller has
// none).
#ifndef KS_PROC_H
#define KS_PROC_H

typedef struct ks_proc *ks_proc_handle;

// The options block of the start operations.
typedef struct ks_proc_options {
    const void *reserved1;  // pass null
    const void *reserved2;  // pass null
    // With KS_PROC_OUTPUT: the file (created for the owner alone when
    // missing, emptied) that receives the command's standard output and
    // standard error. On Windows a new file takes the access its directory
    // passes on, and the caller may hold the file open meanwhile.
    const char *outputFile;
    // With KS_PROC_ENVIRONMENT: a null-terminated array of "NAME=VALUE"
    // entries added to the environment the child inherits; an entry replaces
    // an inherited one of the same name, and a later entry an earlier one.
    // On Windows names are compared ignoring case, as the system compares
    // them, and an empty entry is dropped (it would end the environment).
    const char *const *environment;
} ks_proc_options;

// Start flags; other bits are ignored.
enum {
    KS_PROC_OUTPUT = 0x04,       // redirect output into options->outputFile
    KS_PROC_ENVIRONMENT = 0x20,  // add options->environment
    // The child starts without a console window of its own (Windows:
    // CREATE_NO_WINDOW); no meaning on POSIX.
    KS_PROC_NO_WINDOW = 0x80
};

// End states of ks_proc_wait.
enum {
    KS_PROC_EXITED = 1,  // ended by itself; the exit code is its exit status
    // Ended by a signal; the exit code is the signal's number. On Windows:
    // ended by the system (an unhandled exception, Ctrl+C), which shows as
    // an NT error status for exit code, 0xC0000000 to 0xDFFFFFFF (a negative
    // int), kept as the exit code; a process ended by TerminateProcess has
    // the code its terminator gave and counts as exited.
    KS_PROC_KILLED = 3
};

// Starts the program argv[0], searched on the caller's PATH (not on one the
// environment entries set; a name with '/' is a path), with the
// null-terminated argument vector argv. 0 with *handle set; else non-zero
// with *handle untouched (ks_proc_geterr(null) then describes the failure:
// a program that cannot be found or run is such a failure).
//
// On Windows the argument vector becomes one command line, each argument
// quoted by the rules that the C runtime and CommandLineToArgvW split it
// by, so that every argument arrives as it was given. The program is
// searched as CreateProcessW searches: a name with a path as it stands,
// otherwise the caller's executable's directory, the current directory, the
// system directories, the Windows directory, then PATH; ".exe" is added to
// a name without an extension. Refused: a name holding '"', and a .bat or
// .cmd file, which would run through the command interpreter and have its
// arguments read as commands (use ks_proc_shellexec).
int ks_proc_execute(const char *const *argv, int flags, const ks_proc_options *options,
                    ks_proc_handle *handle);
// Starts the command interpreter (/bin/sh -c -- line) on line; as
// ks_proc_execute otherwise (a program the line names that does not exist
// makes the interpreter end with exit status 127).
//
// On Windows the interpreter is the one %ComSpec% names (else cmd.exe of
// the system directory), run as `cmd.exe /d /s /c "line"`: the line is
// handed to cmd.exe as it stands, and its rules alone apply to it (quotes,
// %NAME% expansion, & | < > ^); no AutoRun command runs first. A program
// the line names that does not exist makes it end with exit code 9009.
int ks_proc_shellexec(const char *line, int flags, const ks_proc_options *options,
                      ks_proc_handle *handle);
// The ASCII punctuation that the command interpreter of ks_proc_shellexec
// takes as itself anywhere in a line ('%' only on POSIX, '\\' only on
// Windows), for callers that put outside text into a line unquoted.
extern const char ks_proc_shell_literals[];
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
// for to its end is killed (SIGKILL; on Windows TerminateProcess) and
// waited for, so that no zombie is left behind and it holds no file open;
// programs that the command started itself are not killed. On Windows
// cmd.exe runs a line's program as its own child, so destroying a command
// of ks_proc_shellexec leaves that program running.
void ks_proc_destroy(ks_proc_handle handle);

#endif
