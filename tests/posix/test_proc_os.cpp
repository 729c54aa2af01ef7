// The process tests on POSIX: what the shared tests ask of the system, what a
// child inherits, and waits that signals interrupt.
#include "process_tests.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

std::string systemText(int code) { return std::strerror(code); }

bool childLeftBehind() {
    int status;
    return !(waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD);
}

namespace {

// Whatever the caller has open, blocks or ignores, the child reads the null
// device, holds nothing beyond descriptors 0 to 2, blocks and ignores nothing.
TEST_F(Proc, ChildInheritsNothingButItsStandardFiles) {
    const int opened = open("/dev/null", O_RDONLY);
    const int ours = dup2(opened, 47);  // without close-on-exec
    close(opened);
    sigset_t usr1, before;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &usr1, &before);
    const auto oldInt = signal(SIGINT, SIG_IGN);
    ks_proc_handle handle = start(true, {"readlink /proc/self/fd/0; [ -e /proc/self/fd/47 ] && echo 47 open;"
                                        "exec grep -E '^Sig(Blk|Ign)' /proc/self/status"});
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    signal(SIGINT, oldInt);
    close(ours);
    ASSERT_EQ(ours, 47);
    int state, exitCode;
    ASSERT_EQ(ks_proc_wait(handle, 1, &state, &exitCode), 0);
    ks_proc_destroy(handle);

    const std::string output = readFile(outputPath);
    EXPECT_EQ(output.substr(0, output.find("SigIgn")), "/dev/null\nSigBlk:\t0000000000000000\n");
    // glibc keeps its two internal signals (32, 33) ignored; the standard ones are not.
    const unsigned long long ignored = std::strtoull(output.c_str() + output.find("SigIgn:") + 7, nullptr, 16);
    EXPECT_EQ(ignored & 0x7FFFFFFF, 0u) << output;
}

void onAlarm(int) {}

TEST_F(Proc, WaitOutlastsInterruptionsAndReportsAChildReapedElsewhere) {
    struct sigaction alarm = {}, before;
    alarm.sa_handler = onAlarm;  // no SA_RESTART: waitpid sees EINTR
    sigaction(SIGALRM, &alarm, &before);
    const itimerval every10ms = {{0, 10000}, {0, 10000}}, off = {};
    setitimer(ITIMER_REAL, &every10ms, nullptr);
    ks_proc_handle handle = start(false, {"sleep", "0.2"});
    int state = 0, exitCode = -1;
    EXPECT_EQ(ks_proc_wait(handle, 1, &state, &exitCode), 0) << ks_proc_geterr(handle);
    EXPECT_TRUE(state == KS_PROC_EXITED && exitCode == 0);
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &before, nullptr);
    ks_proc_destroy(handle);

    // SIGCHLD ignored: the system reaps the child, so destroy must kill
    // nothing (the number may be another process's by then).
    const auto oldChld = signal(SIGCHLD, SIG_IGN);
    handle = start(false, {"true"});
    EXPECT_NE(ks_proc_wait(handle, 1, &state, &exitCode), 0);
    EXPECT_NE(std::strstr(ks_proc_geterr(handle), "No child processes"), nullptr) << ks_proc_geterr(handle);
    ks_proc_destroy(handle);
    signal(SIGCHLD, oldChld);
}

}  // namespace
