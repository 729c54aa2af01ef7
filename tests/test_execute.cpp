// QebExecute on real commands: the shell-mode command line, environment
// entries, the output log, each failure's message and log, assignment, lack
// of memory; no temporary file, descriptor or child is left. Direct mode
// passes options as they stand: tool/run_command.sh.
#include <qeb/qebexecute.h>
#include <qeb/qebmessage.h>

#include "process_tests.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

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

// A shell line as items without blanks, which the command line joins again
// as they stand.
void configureLine(QebExecute &execute, const std::string &line, const std::vector<std::string> &environment = {}) {
    std::vector<std::string> items;
    for (size_t start = 0, end; start <= line.size(); start = end + 1) {
        end = std::min(line.find(' ', start), line.size());
        items.push_back(line.substr(start, end - start));
    }
    configure(execute, items[0], {items.begin() + 1, items.end()}, environment);
}

Outcome run(QebExecute &execute, bool shell, bool capture = true, int waitMode = 1) {
    const bool ran = execute.run(shell, capture, waitMode);
    return {ran, textOf(execute.getOutputLog()), textOf(execute.getErrorMessage())};
}

// Where temporary files go: TMPDIR on POSIX, TMP (then TEMP) on Windows.
void useTemporaryDirectory(const char *path) {
    for (const char *name : {"TMPDIR", "TMP", "TEMP"}) setEnvironment(name, path);
}

// True once the folder is empty. Wine's console host keeps a child's output
// file open a moment after the child has ended, and a file deleted meanwhile
// goes only then.
bool emptiedSoon(const std::string &path) {
    for (int wait = 0; !std::filesystem::is_empty(path); ++wait) {
        if (!kOnWindows || wait == 100) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class Execute : public PoolLeakCheck {
protected:
    void SetUp() override {
        PoolLeakCheck::SetUp();
        useTemporaryDirectory(mTmp.path().c_str());
        mDescriptors = openDescriptors();
    }
    void TearDown() override {
        EXPECT_TRUE(emptiedSoon(mTmp.path())) << "a temporary file was left behind";
        EXPECT_EQ(openDescriptors(), mDescriptors) << "a descriptor was left open";
        EXPECT_FALSE(childLeftBehind()) << "a child was left behind";
        useTemporaryDirectory(nullptr);
        PoolLeakCheck::TearDown();
    }

    ScratchDir mDir, mTmp;
    long mDescriptors = 0;
    const std::string mHelper = helperPath();
};

TEST_F(Execute, ShellModeQuotesOnlyItemsWithBlanks) {
    // The helper under a path with blanks.
    std::filesystem::create_directory(mDir / "with blank");
    const std::string printer = std::filesystem::path(mDir / "with blank/show args.exe").make_preferred().string();
    std::filesystem::copy_file(mHelper, printer);
    const struct { std::string command; std::vector<std::string> options; std::string received; } cases[] = {
        {printer, {"args", "two  blanks", "bare"}, "[two  blanks][bare]"},
        {printer, {"args", "", "x"}, "[x]"},  // an empty option adds only a blank
        {"\"" + printer + "\"", {"args", "\"already  quoted\""}, "[already  quoted]"},
        {printer, {"args", "tab\tsplits", kOnWindows ? "%QEB_V%\"s\"" : "$QEB_V\"s\""}, "[tab][splits][vs]"},
        {printer, {"args", "x\"y z\""}, "[xy][z]"},  // nothing inside is escaped
    };
    for (const auto &c : cases) {
        QebExecute execute;
        configure(execute, c.command, c.options, {"QEB_V=v"});
        const Outcome outcome = run(execute, true);
        EXPECT_TRUE(outcome.ran) << outcome.log;
        EXPECT_EQ(outcome.log, c.received);
    }
}

// Names are compared as the system compares them: on Windows ignoring case.
TEST_F(Execute, EnvironmentEntriesAddToWhatIsInheritedAndReplace) {
    setEnvironment("QEB_TWO", "inherited");
    for (bool shell : {false, true}) {
        QebExecute execute;
        configure(execute, mHelper, {"env", "QEB_ONE", "env", "QEB_TWO", "env", "PATH"},
                  {"QEB_ONE=1", kOnWindows ? "qeb_two=replaced" : "QEB_TWO=replaced", "QEB_ONE=2"});
        EXPECT_EQ(run(execute, shell).log, "2 replaced " + std::string(std::getenv("PATH")) + " ");
    }
    setEnvironment("QEB_TWO", nullptr);
}

TEST_F(Execute, OutputLogIsOneLineOfAtMost8191Bytes) {
    std::string longOutput, longLog;
    while (longOutput.size() < 10000) longOutput += "ab\n";
    while (longLog.size() < 8191) longLog += "ab ";
    longLog.resize(8191);
    const struct { std::string output, log; } cases[] = {
        {"one\r\ntwo\n", "one  two "},
        {"a\tb\xE2\x80\x83" "c\v", "a b   c "},  // U+2003 EM SPACE: three bytes
        {std::string("a\0b", 3), "a"}, {std::string("\0ab", 3), "before"},  // a NUL first leaves the log
        {"", "before"},  // so does no output
        {longOutput, longLog},
    };
    const std::string output = mDir / "output";
    for (const auto &c : cases) {
        SCOPED_TRACE(c.log.substr(0, 20));
        QebExecute execute;
        configure(execute, mHelper, {"file", output});
        writeFile(output, "before");
        ASSERT_TRUE(execute.run(false, true, 1));
        writeFile(output, c.output);
        const Outcome outcome = run(execute, false);
        EXPECT_TRUE(outcome.ran);
        EXPECT_EQ(outcome.log, c.log);
    }
}

TEST_F(Execute, FailuresKeepAMessageAndALog) {
    const std::string notFound = "cannot start 'qeb-no-such-program': " + systemText(2);
    const std::string badMode = "wait mode 7 is not known (0 looks, 1 waits)";
    const std::string aborted = "Command aborted with error: " + std::to_string(kKilledCode);
    const struct {
        bool shell, capture;
        int waitMode;
        std::string command;
        bool ran;
        std::string log, error;
    } cases[] = {
        {false, true, 1, "qeb-no-such-program", false,
         "Failed to execute command qeb-no-such-program. Error: " + notFound, message(380, notFound.c_str())},
        {true, true, 1, kKillLine, false, aborted, message(378, kKilledCode)},
        {true, false, 1, kKillLine, false, aborted, message(378, kKilledCode)},
        // Output found after the end replaces its diagnostic.
        {true, true, 1, helperCommand() + " out partial && " + kKillLine, false, "partial ",
         message(378, kKilledCode)},
        {false, true, 7, mHelper, false, "Failed to get status of command " + mHelper + ". Error: " + badMode,
         message(377, badMode.c_str())},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.log);
        QebExecute execute;
        configureLine(execute, c.command);
        const Outcome outcome = run(execute, c.shell, c.capture, c.waitMode);
        EXPECT_EQ(outcome.ran, c.ran);
        EXPECT_EQ(outcome.log, c.log);
        EXPECT_EQ(outcome.error, c.error);
        // A later success without output keeps both.
        execute.setCommand(QebString(mHelper.c_str()));
        const Outcome after = run(execute, false, false);
        EXPECT_TRUE(after.ran && after.log == outcome.log && after.error == outcome.error);
    }
    // A program the interpreter cannot find: its complaint is the log.
    QebExecute missing;
    configure(missing, "qeb-no-such-program", {});
    const Outcome outcome = run(missing, true);
    EXPECT_TRUE(outcome.ran && outcome.error == "<null>");
    EXPECT_NE(outcome.log.find(kOnWindows ? "'qeb-no-such-program'" : "qeb-no-such-program: not found"),
              std::string::npos) << outcome.log;

    // A command still running when looked at is killed.
    QebExecute sleeper;
    configure(sleeper, mHelper, {"sleep", "30"});
    EXPECT_FALSE(sleeper.run(false, true, 0));
    EXPECT_NE(textOf(sleeper.getOutputLog()).find("is still running"), std::string::npos);

    useTemporaryDirectory((mDir / "missing").c_str());
    EXPECT_FALSE(sleeper.run(false, true, 1));
    EXPECT_EQ(textOf(sleeper.getErrorMessage()), message(332, ENOENT, "", "No such file or directory"));
}

TEST_F(Execute, AssignmentCopiesIntoItsOwnState) {
    QebExecute source, copy;
    configureLine(source, helperCommand() + " env QEB_V && " + kKillLine, {"QEB_V=copied"});
    ASSERT_FALSE(source.run(true, true, 1));
    copy = source;
    copy = copy;
    EXPECT_EQ(textOf(copy.getOutputLog()), "copied ");
    EXPECT_EQ(textOf(copy.getErrorMessage()), message(378, kKilledCode));
    source.setCommand(QebString("qeb-no-such-program"));
    copy.addEnvironment(QebString("QEB_V=again"));
    EXPECT_FALSE(copy.run(true, true, 1));
    EXPECT_EQ(textOf(copy.getOutputLog()), "again ");
    copy = QebExecute();
    EXPECT_EQ(textOf(copy.getOutputLog()), "<null>");
}

// Whichever string allocation fails, the run ran the whole command line or
// none of it, and nothing leaks (the fixture checks).
TEST_F(Execute, LackOfMemoryNeverRunsAPartialCommandLine) {
    forEachAllocationFailure(
        [this] {
            auto execute = std::make_unique<QebExecute>();
            configure(*execute, mHelper, {"args", "complete"}, {"QEB_V=1"});
            return execute;
        },
        [](std::unique_ptr<QebExecute> &execute) { execute->run(true, true, 1); },
        [](std::unique_ptr<QebExecute> &execute, bool failed) {
            const std::string log = textOf(execute->getOutputLog()), error = textOf(execute->getErrorMessage());
            if (error == "<null>") {
                EXPECT_TRUE(log == "[complete]" ||
                            (failed && log == "Failed to allocate memory to read program output"))
                    << log;
            } else {
                EXPECT_TRUE(failed);
                EXPECT_EQ(error, message(29, ""));
                EXPECT_EQ(log, "<null>");
            }
        });
}

}  // namespace
