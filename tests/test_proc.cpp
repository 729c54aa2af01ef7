// The system library's processes on real commands: end states, what a child
// inherits, waiting, refused starts, and no child left behind.
#include "ks_proc.h"
#include "test_support.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class Proc : public ::testing::Test {
protected:
    void TearDown() override {
        int status;
        EXPECT_TRUE(waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD) << "a child was left behind";
    }

    // Starts command (its first element as a shell line, or as an argument
    // vector) with the output into outputPath.
    ks_proc_handle start(bool shell, std::vector<const char *> command) {
        command.push_back(nullptr);
        const ks_proc_options options = {nullptr, nullptr, outputPath.c_str(), nullptr};
        ks_proc_handle handle = nullptr;
        const int code = shell ? ks_proc_shellexec(command[0], KS_PROC_OUTPUT, &options, &handle)
                               : ks_proc_execute(command.data(), KS_PROC_OUTPUT, &options, &handle);
        EXPECT_EQ(code, 0) << ks_proc_geterr(nullptr);
        return handle;
    }

    ScratchDir dir;
    const std::string outputPath = dir / "output.txt";
};

// Each end twice (a second wait gives the same), the output file made with
// mode 0600 or a longer one emptied.
TEST_F(Proc, EndsAsTheCommandEnded) {
    const struct { bool shell; std::vector<const char *> command; int state, exitCode; const char *output; } cases[] = {
        {false, {"sh", "-c", "echo out; echo err >&2; exit 3"}, KS_PROC_EXITED, 3, "out\nerr\n"},
        {true, {"-x"}, KS_PROC_EXITED, 127, "-x: not found"},  // a command, not options of the shell
        {true, {"kill -TERM $$"}, KS_PROC_KILLED, SIGTERM, ""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto &c = cases[i];
        SCOPED_TRACE(c.command.back());
        const bool makesFile = i % 2 == 0;
        if (makesFile) unlink(outputPath.c_str());
        else writeFile(outputPath, std::string(100, '#'));
        ks_proc_handle handle = start(c.shell, c.command);
        for (int again = 0; again < 2; ++again) {
            int state = 0, exitCode = -1;
            ASSERT_EQ(ks_proc_wait(handle, 1, &state, &exitCode), 0) << ks_proc_geterr(handle);
            EXPECT_EQ(state, c.state);
            EXPECT_EQ(exitCode, c.exitCode);
        }
        ks_proc_destroy(handle);
        const std::string output = readFile(outputPath);
        EXPECT_NE(output.find(c.output), std::string::npos) << output;
        EXPECT_EQ(output.find('#'), std::string::npos) << output;
        struct stat info;
        EXPECT_TRUE(stat(outputPath.c_str(), &info) == 0 && (!makesFile || (info.st_mode & 0777) == 0600));
    }
}

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

// The messages of looking and of an unknown mode are test_execute.cpp's.
TEST_F(Proc, WaitLooksOrWaitsAndDestroyKills) {
    ks_proc_handle handle = start(false, {"sleep", "30"});
    int state = 0, exitCode = 0;
    EXPECT_NE(ks_proc_wait(handle, 0, &state, &exitCode), 0);  // still running
    EXPECT_NE(ks_proc_wait(handle, 1, nullptr, &exitCode), 0);
    EXPECT_NE(ks_proc_wait(nullptr, 1, &state, &exitCode), 0);
    ks_proc_destroy(handle);  // kills the sleep and reaps it (TearDown checks)
    ks_proc_destroy(nullptr);
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

TEST_F(Proc, RefusedStartsLeaveNoHandleAndSayWhy) {
    const ks_proc_options noFile = {nullptr, nullptr, nullptr, nullptr};
    const std::string data = dir / "data.txt";
    writeFile(data, "not a program\n");
    const char *const empty[] = {nullptr}, *const missing[] = {"qeb-no-such-program", nullptr},
                      *const notProgram[] = {data.c_str(), nullptr};
    ks_proc_handle handle = reinterpret_cast<ks_proc_handle>(&handle);
    const ks_proc_handle untouched = handle;
    const struct { std::function<int()> start; std::string error; } cases[] = {
        {[&] { return ks_proc_execute(empty, 0, nullptr, &handle); },
         "no program to start: the argument vector is empty"},
        {[&] { return ks_proc_shellexec(nullptr, 0, nullptr, &handle); }, "no command line to run"},
        {[&] { return ks_proc_shellexec("true", 0, nullptr, nullptr); }, "no address for the process handle"},
        {[&] { return ks_proc_shellexec("true", KS_PROC_OUTPUT, &noFile, &handle); },
         "output is to be redirected, but no output file is given"},
        {[&] { return ks_proc_execute(missing, 0, nullptr, &handle); },
         "cannot start 'qeb-no-such-program': No such file or directory"},
        {[&] { return ks_proc_execute(notProgram, 0, nullptr, &handle); },
         "cannot start '" + data + "': Permission denied"},
    };
    for (const auto &c : cases) {
        EXPECT_NE(c.start(), 0) << c.error;
        EXPECT_EQ(ks_proc_geterr(nullptr), c.error);
        EXPECT_EQ(handle, untouched);
    }
    // The text is the calling thread's own.
    std::thread([] { ks_proc_shellexec(nullptr, 0, nullptr, nullptr); }).join();
    EXPECT_EQ(ks_proc_geterr(nullptr), cases[std::size(cases) - 1].error);
}

}  // namespace
