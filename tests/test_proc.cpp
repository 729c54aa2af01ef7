// The system library's processes on real commands: end states, waiting,
// refused starts, and no child left behind. What a child inherits and what
// only one system has: posix/ and windows/test_proc_os.cpp.
#include "process_tests.h"

#include <sys/stat.h>

#include <functional>
#include <thread>

namespace {

// Each end twice (a second wait gives the same), the output file made (with
// mode 0600 on POSIX; on Windows it takes its folder's access) or a longer
// one emptied.
TEST_F(Proc, EndsAsTheCommandEnded) {
    const struct { bool shell; std::vector<const char *> command; int state, exitCode; const char *output; } cases[] = {
        {false, {helper.c_str(), "out", "out", "err", "err", "exit", "3"}, KS_PROC_EXITED, 3, "out\nerr\n"},
        // A command, not options of the interpreter.
        {true, {"-x"}, KS_PROC_EXITED, kOnWindows ? 9009 : 127, kOnWindows ? "'-x'" : "-x: not found"},
        {true, {kKillLine}, KS_PROC_KILLED, kKilledCode, ""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto &c = cases[i];
        SCOPED_TRACE(c.command.back());
        const bool makesFile = i % 2 == 0;
        if (makesFile) std::filesystem::remove(outputPath);
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
        ASSERT_EQ(stat(outputPath.c_str(), &info), 0);
        EXPECT_TRUE(kOnWindows || !makesFile || (info.st_mode & 0777) == 0600);
    }
}

// The messages of looking and of an unknown mode are test_execute.cpp's.
TEST_F(Proc, WaitLooksOrWaitsAndDestroyKills) {
    ks_proc_handle handle = start(false, {helper.c_str(), "sleep", "30"});
    int state = 0, exitCode = 0;
    EXPECT_NE(ks_proc_wait(handle, 0, &state, &exitCode), 0);  // still running
    EXPECT_NE(ks_proc_wait(handle, 1, nullptr, &exitCode), 0);
    EXPECT_NE(ks_proc_wait(nullptr, 1, &state, &exitCode), 0);
    ks_proc_destroy(handle);  // kills the helper and reaps it (TearDown checks)
    ks_proc_destroy(nullptr);
}

TEST_F(Proc, RefusedStartsLeaveNoHandleAndSayWhy) {
    const ks_proc_options noFile = {nullptr, nullptr, nullptr, nullptr};
    const std::string data = dir / "data.txt";
    writeFile(data, "not a program\n");
    const char *const empty[] = {nullptr}, *const missing[] = {"qeb-no-such-program", nullptr},
                      *const notProgram[] = {data.c_str(), nullptr};
    ks_proc_handle handle = reinterpret_cast<ks_proc_handle>(&handle);
    const ks_proc_handle untouched = handle;
    // The codes: ENOENT and EACCES; ERROR_FILE_NOT_FOUND and ERROR_BAD_EXE_FORMAT.
    const struct { std::function<int()> start; std::string error; } cases[] = {
        {[&] { return ks_proc_execute(empty, 0, nullptr, &handle); },
         "no program to start: the argument vector is empty"},
        {[&] { return ks_proc_shellexec(nullptr, 0, nullptr, &handle); }, "no command line to run"},
        {[&] { return ks_proc_shellexec("exit 0", 0, nullptr, nullptr); }, "no address for the process handle"},
        {[&] { return ks_proc_shellexec("exit 0", KS_PROC_OUTPUT, &noFile, &handle); },
         "output is to be redirected, but no output file is given"},
        {[&] { return ks_proc_execute(missing, 0, nullptr, &handle); },
         "cannot start 'qeb-no-such-program': " + systemText(2)},
        {[&] { return ks_proc_execute(notProgram, 0, nullptr, &handle); },
         "cannot start '" + data + "': " + systemText(kOnWindows ? 193 : 13)},
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
