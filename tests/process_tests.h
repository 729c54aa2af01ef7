// What the process tests share: the helper program, a shell line that ends
// as the system ends a process, the system's error texts, and a fixture that
// runs commands into an output file and fails a test that leaves a child.
#ifndef QEB_PROCESS_TESTS_H
#define QEB_PROCESS_TESTS_H

#include "ks_proc.h"
#include "test_support.h"

#include <filesystem>
#include <string>
#include <vector>

// command_helper.cpp's program as the system writes its path, and the same
// quoted for a shell line.
inline std::string helperPath() {
    return std::filesystem::absolute(QEB_TEST_HELPER).make_preferred().string();
}
inline std::string helperCommand() { return "\"" + helperPath() + "\""; }

// A shell line that ends its interpreter as the system ends a process (a
// signal; on Windows an NT status, which exit gives as well), and the exit
// code that shows.
constexpr const char *kKillLine = kOnWindows ? "exit -1073741510" : "kill -9 $$";
constexpr int kKilledCode = kOnWindows ? -1073741510 : 9;

// The system's text for an error code, an insert in it reading "it".
std::string systemText(int code);

// True while a child of this process runs or waits to be reaped.
bool childLeftBehind();

class Proc : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_FALSE(childLeftBehind()) << "a child was left behind"; }

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
    const std::string helper = helperPath();
};

#endif
