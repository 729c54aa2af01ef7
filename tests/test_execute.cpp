// QebExecute on real commands: the shell-mode command line, environment
// entries, the output log, each failure's message and log, assignment, lack
// of memory; no temporary file, descriptor or child is left. Direct mode
// passes options as they stand: tool/run_command.sh.
#include <qeb/qebexecute.h>
#include <qeb/qebmessage.h>

#include "test_support.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>

namespace {

template <class... Values>
std::string message(int code, Values... values) {
    return textOf(qeb_get_message("src/qebexecute", 0, "Event Plugin", code, values...));
}

struct Outcome {
    bool ran;
    std::string log, error;
};

void configure(QebExecute &execute, const std::string &command, const std::vector<std::string> &options,
               const std::vector<std::string> &environment = {}) {
    execute.setCommand(QebString(command.c_str()));
    for (const std::string &option : options) execute.addOption(QebString(option.c_str()));
    for (const std::string &entry : environment) execute.addEnvironment(QebString(entry.c_str()));
}

Outcome run(QebExecute &execute, bool shell, bool capture = true, int waitMode = 1) {
    const bool ran = execute.run(shell, capture, waitMode);
    return {ran, textOf(execute.getOutputLog()), textOf(execute.getErrorMessage())};
}

class Execute : public PoolLeakCheck {
protected:
    void SetUp() override {
        PoolLeakCheck::SetUp();
        setEnvironment("TMPDIR", mTmp.path().c_str());
        mDescriptors = openDescriptors();
    }
    void TearDown() override {
        EXPECT_TRUE(std::filesystem::is_empty(mTmp.path())) << "a temporary file was left behind";
        EXPECT_EQ(openDescriptors(), mDescriptors) << "a descriptor was left open";
        int status;
        EXPECT_TRUE(waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD) << "a child was left behind";
        setEnvironment("TMPDIR", nullptr);
        PoolLeakCheck::TearDown();
    }

    ScratchDir mDir, mTmp;
    long mDescriptors = 0;
};

TEST_F(Execute, ShellModeQuotesOnlyItemsWithBlanks) {
    // A script printing each argument in brackets, its path with blanks.
    std::filesystem::create_directory(mDir / "with blank");
    const std::string printer = mDir / "with blank/show args";
    writeFile(printer, "#!/bin/sh\nprintf '[%s]' \"$@\"\n");
    chmod(printer.c_str(), 0755);
    const struct { std::string command; std::vector<std::string> options; std::string received; } cases[] = {
        {printer, {}, "[]"},
        {printer, {"two  blanks", "bare"}, "[two  blanks][bare]"},
        {printer, {"", "x"}, "[x]"},  // an empty option adds only a blank
        {"\"" + printer + "\"", {"\"already  quoted\""}, "[already  quoted]"},
        {printer, {"tab\tsplits", "$HOME\"s\""}, "[tab][splits][" + std::string(getenv("HOME")) + "s]"},
        {printer, {"x\"y z\""}, "[xy][z]"},  // nothing inside is escaped
    };
    for (const auto &c : cases) {
        QebExecute execute;
        configure(execute, c.command, c.options);
        const Outcome outcome = run(execute, true);
        EXPECT_TRUE(outcome.ran) << outcome.log;
        EXPECT_EQ(outcome.log, c.received);
    }
}

TEST_F(Execute, EnvironmentEntriesAddToWhatIsInheritedAndReplace) {
    for (bool shell : {false, true}) {
        QebExecute execute;
        configure(execute, "printenv", {"QEB_ONE", "HOME", "PATH"}, {"QEB_ONE=1", "HOME=/elsewhere", "QEB_ONE=2"});
        EXPECT_EQ(run(execute, shell).log, "2 /elsewhere " + std::string(getenv("PATH")) + " ");
    }
}

TEST_F(Execute, OutputLogIsOneLineOfAtMost8191Bytes) {
    std::string longLog;
    while (longLog.size() < 8191) longLog += "ab ";
    longLog.resize(8191);
    const struct { const char *script; std::string log; } cases[] = {
        {"printf 'one\\r\\ntwo\\n'", "one  two "}, {"printf 'out\\n'; printf 'err\\n' >&2", "out err "},
        {"printf 'a\\tb\\342\\200\\203c\\v'", "a b   c "},  // U+2003 EM SPACE: three bytes
        {"printf 'a\\0b'", "a"}, {"printf '\\0ab'", "before"},  // a NUL first leaves the log
        {"true", "before"},            // so does no output
        {"yes ab | head -c 10000", longLog},
    };
    const std::string script = mDir / "step.sh";
    for (const auto &c : cases) {
        SCOPED_TRACE(c.script);
        QebExecute execute;
        configure(execute, "sh", {script});
        writeFile(script, "printf before");
        ASSERT_TRUE(execute.run(false, true, 1));
        writeFile(script, c.script);
        const Outcome outcome = run(execute, false);
        EXPECT_TRUE(outcome.ran);
        EXPECT_EQ(outcome.log, c.log);
    }
}

TEST_F(Execute, FailuresKeepAMessageAndALog) {
    const std::string notFound = "cannot start 'qeb-no-such-program': No such file or directory";
    const std::string badMode = "wait mode 7 is not known (0 looks, 1 waits)";
    const struct {
        bool shell, capture;
        int waitMode;
        std::string command;
        std::vector<std::string> options;
        bool ran;
        std::string log, error;
    } cases[] = {
        {false, true, 1, "qeb-no-such-program", {}, false,
         "Failed to execute command qeb-no-such-program. Error: " + notFound, message(380, notFound.c_str())},
        {true, true, 1, "qeb-no-such-program", {}, true, "sh: 1: qeb-no-such-program: not found ", "<null>"},
        {true, true, 1, "kill", {"-9", "$$"}, false, "Command aborted with error: 9", message(378, 9)},
        {false, false, 1, "sh", {"-c", "kill -TERM $$"}, false, "Command aborted with error: 15", message(378, 15)},
        // Output found after the signal replaces its diagnostic.
        {false, true, 1, "sh", {"-c", "echo partial; kill -9 $$"}, false, "partial ", message(378, 9)},
        {false, true, 7, "true", {}, false, "Failed to get status of command true. Error: " + badMode,
         message(377, badMode.c_str())},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.log);
        QebExecute execute;
        configure(execute, c.command, c.options);
        const Outcome outcome = run(execute, c.shell, c.capture, c.waitMode);
        EXPECT_EQ(outcome.ran, c.ran);
        EXPECT_EQ(outcome.log, c.log);
        EXPECT_EQ(outcome.error, c.error);
        // A later success without output keeps both.
        execute.setCommand(QebString("true"));
        const Outcome after = run(execute, false, false);
        EXPECT_TRUE(after.ran && after.log == outcome.log && after.error == outcome.error);
    }
    // A command still running when looked at is killed.
    QebExecute sleeper;
    configure(sleeper, "sleep", {"30"});
    EXPECT_FALSE(sleeper.run(false, true, 0));
    EXPECT_NE(textOf(sleeper.getOutputLog()).find("is still running"), std::string::npos);

    setEnvironment("TMPDIR", (mDir / "missing").c_str());
    EXPECT_FALSE(sleeper.run(false, true, 1));
    EXPECT_EQ(textOf(sleeper.getErrorMessage()), message(332, ENOENT, "", "No such file or directory"));
}

TEST_F(Execute, AssignmentCopiesIntoItsOwnState) {
    QebExecute source, copy;
    configure(source, "sh", {"-c", "printf \"$QEB_V\"; kill -9 $$"}, {"QEB_V=copied"});
    ASSERT_FALSE(source.run(false, true, 1));
    copy = source;
    copy = copy;
    EXPECT_EQ(textOf(copy.getOutputLog()), "copied");
    EXPECT_EQ(textOf(copy.getErrorMessage()), message(378, 9));
    source.setCommand(QebString("qeb-no-such-program"));
    copy.addEnvironment(QebString("QEB_V=again"));
    EXPECT_FALSE(copy.run(false, true, 1));
    EXPECT_EQ(textOf(copy.getOutputLog()), "again");
    copy = QebExecute();
    EXPECT_EQ(textOf(copy.getOutputLog()), "<null>");
}

// Whichever string allocation fails, the run ran the whole command line or
// none of it, and nothing leaks (the fixture checks).
TEST_F(Execute, LackOfMemoryNeverRunsAPartialCommandLine) {
    forEachAllocationFailure(
        [] {
            auto execute = std::make_unique<QebExecute>();
            configure(*execute, "printf", {"%s", "complete"}, {"QEB_V=1"});
            return execute;
        },
        [](std::unique_ptr<QebExecute> &execute) { execute->run(true, true, 1); },
        [](std::unique_ptr<QebExecute> &execute, bool failed) {
            const std::string log = textOf(execute->getOutputLog()), error = textOf(execute->getErrorMessage());
            if (error == "<null>") {
                EXPECT_TRUE(log == "complete" || (failed && log == "Failed to allocate memory to read program output"))
                    << log;
            } else {
                EXPECT_TRUE(failed);
                EXPECT_EQ(error, message(29, ""));
                EXPECT_EQ(log, "<null>");
            }
        });
}

}  // namespace
