// System library on POSIX: commands started with posix_spawn.
//
// posix_spawn starts the child without copying the caller's address space
// and without running any of the caller's code in it, so a large or
// multi-threaded caller pays nothing for its size and no lock it holds can
// block the child. Everything the child needs (the merged environment, the
// file actions, the attributes) is built before the spawn; nothing is
// allocated between the child's creation and the start of its program.
#include "ks_proc_system.h"
#include "ks_retry.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <new>

extern char **environ;

const int ks_proc_invalid_argument = EINVAL;
const int ks_proc_invalid_handle = EINVAL;

namespace {

const char kShell[] = "/bin/sh";

struct Process : ks_proc {
    pid_t pid;
};

// The system's text for an error number.
const char *reasonOf(int code, char *buffer, size_t size) {
    // The GNU strerror_r may give its own static text instead of filling ours.
    return strerror_r(code, buffer, size);
}

// Describes a failure to start in the thread's text; returns code.
int startFailure(int code, const char *program) {
    char reason[128];
    ks_proc_describe(ks_proc_start_error(), "cannot start '%s': %s", program, reasonOf(code, reason, sizeof reason));
    return code;
}

// Entries are "NAME=VALUE"; a text without '=' names nothing.
bool sameName(const char *a, const char *b) {
    while (*a != '\0' && *a == *b && *a != '=') {
        ++a;
        ++b;
    }
    return *a == '=' && *b == '=';
}

bool namedLater(const char *entry, const char *const *later) {
    for (; *later; ++later)
        if (sameName(entry, *later)) return true;
    return false;
}

// The caller's environment with entries added, an entry replacing an
// inherited one of its name and a later entry an earlier one: a
// null-terminated array of borrowed texts to free(), or null when memory
// runs out.
char **mergedEnvironment(const char *const *entries) {
    size_t inherited = 0, added = 0;
    while (environ && environ[inherited]) ++inherited;
    while (entries[added]) ++added;
    char **merged = (char **)malloc((inherited + added + 1) * sizeof *merged);
    if (!merged) return nullptr;
    size_t n = 0;
    for (size_t i = 0; i < inherited; ++i)
        if (!namedLater(environ[i], entries)) merged[n++] = environ[i];
    for (size_t i = 0; i < added; ++i)
        if (!namedLater(entries[i], entries + i + 1)) merged[n++] = const_cast<char *>(entries[i]);
    merged[n] = nullptr;
    return merged;
}

// An empty file is not emptied again: ext4 writes a file that O_TRUNC
// emptied out to the disk when it is closed, which would make every new
// temporary output file cost a flush and a block allocation.
int outputOpenFlags(const char *path) {
    struct stat info;
    const bool empty = stat(path, &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0;
    return O_WRONLY | O_CREAT | (empty ? 0 : O_TRUNC);
}

// What posix_spawn is given besides the program and its arguments.
class SpawnSetup {
public:
    SpawnSetup() = default;
    SpawnSetup(const SpawnSetup &) = delete;
    SpawnSetup &operator=(const SpawnSetup &) = delete;
    ~SpawnSetup() {
        if (mHasActions) posix_spawn_file_actions_destroy(&mActions);
        if (mHasAttributes) posix_spawnattr_destroy(&mAttributes);
        free(mEnvironment);
    }

    // 0, or the error number of what could not be set up.
    int prepare(int flags, const ks_proc_options *options) {
        if (flags & KS_PROC_ENVIRONMENT) {
            mEnvironment = mergedEnvironment(options->environment);
            if (!mEnvironment) return ENOMEM;
        }
        int code = posix_spawn_file_actions_init(&mActions);
        if (code != 0) return code;
        mHasActions = true;
        code = posix_spawn_file_actions_addopen(&mActions, 0, "/dev/null", O_RDONLY, 0);
        if (code == 0 && (flags & KS_PROC_OUTPUT)) {
            code = posix_spawn_file_actions_addopen(&mActions, 1, options->outputFile,
                                                    outputOpenFlags(options->outputFile), 0600);
            if (code == 0) code = posix_spawn_file_actions_adddup2(&mActions, 1, 2);
        }
        if (code == 0) code = posix_spawn_file_actions_addclosefrom_np(&mActions, 3);
        return code != 0 ? code : prepareAttributes();
    }

    const posix_spawn_file_actions_t *actions() const { return &mActions; }
    const posix_spawnattr_t *attributes() const { return &mAttributes; }
    char *const *environment() const { return mEnvironment ? mEnvironment : environ; }

private:
    // The child starts with no signal blocked and every signal's default
    // action, whatever the caller blocks, ignores or handles (glibc alone
    // keeps its two internal signals ignored).
    int prepareAttributes() {
        int code = posix_spawnattr_init(&mAttributes);
        if (code != 0) return code;
        mHasAttributes = true;
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        code = posix_spawnattr_setflags(&mAttributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        if (code == 0) code = posix_spawnattr_setsigmask(&mAttributes, &none);
        if (code == 0) code = posix_spawnattr_setsigdefault(&mAttributes, &all);
        return code;
    }

    posix_spawn_file_actions_t mActions;
    posix_spawnattr_t mAttributes;
    bool mHasActions = false;
    bool mHasAttributes = false;
    char **mEnvironment = nullptr;
};

int spawnCommand(const char *program, bool searchPath, const char *const *argv, int flags,
                 const ks_proc_options *options, ks_proc_handle *handle) {
    Process *process = new (std::nothrow) Process;
    if (!process) return startFailure(ENOMEM, program);
    SpawnSetup setup;
    int code = setup.prepare(flags, options);
    pid_t pid;
    char *const *arguments = const_cast<char *const *>(argv);
    if (code == 0) {
        code = searchPath ? posix_spawnp(&pid, program, setup.actions(), setup.attributes(), arguments,
                                         setup.environment())
                          : posix_spawn(&pid, program, setup.actions(), setup.attributes(), arguments,
                                        setup.environment());
    }
    if (code != 0) {
        delete process;
        return startFailure(code, program);
    }
    process->pid = pid;
    *handle = process;
    return 0;
}

// Waits for the process (options as waitpid takes them): 0 when it has
// ended, with its state kept; EAGAIN while it runs; else the error number.
int reap(Process *process, int options) {
    int status;
    const pid_t got = ks_retry([&] { return waitpid(process->pid, &status, options); });
    if (got == 0) return EAGAIN;
    if (got < 0) {
        // ECHILD: reaped elsewhere (or SIGCHLD ignored); its number may be
        // reused, so it is never to be killed.
        if (errno == ECHILD) process->ended = true;
        return errno;
    }
    process->ended = true;
    if (WIFSIGNALED(status)) {
        process->state = KS_PROC_KILLED;
        process->exitCode = WTERMSIG(status);
    } else {
        process->state = KS_PROC_EXITED;
        process->exitCode = WEXITSTATUS(status);
    }
    return 0;
}

}  // namespace

int ks_proc_start_program(const char *const *argv, int flags, const ks_proc_options *options,
                          ks_proc_handle *handle) {
    return spawnCommand(argv[0], true, argv, flags, options, handle);
}

int ks_proc_start_line(const char *line, int flags, const ks_proc_options *options, ks_proc_handle *handle) {
    // "--": a line that begins with '-' is a command, not options of the shell.
    const char *const argv[] = {"sh", "-c", "--", line, nullptr};
    return spawnCommand(kShell, false, argv, flags, options, handle);
}

int ks_proc_await(ks_proc_handle handle, bool block) {
    Process *process = static_cast<Process *>(handle);
    // Ended without a state: reaped elsewhere.
    const int code = process->ended ? ECHILD : reap(process, block ? 0 : WNOHANG);
    if (code == EAGAIN) {
        ks_proc_describe(process->error, "the command (process %d) is still running", (int)process->pid);
    } else if (code != 0) {
        char reason[128];
        ks_proc_describe(process->error, "cannot wait for the command (process %d): %s", (int)process->pid,
                         reasonOf(code, reason, sizeof reason));
    }
    return code;
}

const char ks_proc_shell_literals[] = " @._+-,=%:/";

void ks_proc_destroy(ks_proc_handle handle) {
    Process *process = static_cast<Process *>(handle);
    if (!process) return;
    if (!process->ended) {
        kill(process->pid, SIGKILL);
        reap(process, 0);
    }
    delete process;
}
