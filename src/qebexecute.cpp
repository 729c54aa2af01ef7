#include <qeb/qebexecute.h>
#include <qeb/qebformat.h>
#include <qeb/qebmempool.h>
#include <qeb/qebmessage.h>

#include "ks_fio.h"
#include "ks_proc.h"
#include "ks_uchar.h"

#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

struct QebExecute::QebExecuteState {
    QebString errorMessage;
    QebString command;
    std::vector<QebString> options;
    std::vector<QebString> environment;
    QebString outputLog;
};

static_assert(sizeof(QebExecute) == sizeof(void *), "a QebExecute is one pointer wide");

namespace {

const int kNameSize = 1024;
const unsigned int kLogBytes = 8191;
const char kNoMemoryForOutput[] = "Failed to allocate memory to read program output";

template <class... Values>
QebString executeMessage(int line, int code, Values... values) {
    return qeb_get_message("src/qebexecute", line, "Event Plugin", code, values...);
}

// A null-terminated array of the texts of *first (when given) and of items,
// which must outlive it; null when memory ran out.
std::unique_ptr<const char *[]> textArray(const QebString *first, const std::vector<QebString> &items) {
    std::unique_ptr<const char *[]> array(new (std::nothrow) const char *[items.size() + 2]);
    if (!array) return array;
    size_t n = 0;
    if (first) array[n++] = first->asCstr();
    for (const QebString &item : items) array[n++] = item.asCstr();
    array[n] = nullptr;
    return array;
}

// The command and the options, separated by blanks; an item holding a blank
// goes between '"' unless it begins with one. Null when memory ran out.
QebString commandLine(const QebString &command, const std::vector<QebString> &options) {
    QebString line("", true);
    bool failed = false;
    const auto add = [&](const char *text) {
        if (!failed) line.append(text, &failed);
    };
    const auto addItem = [&](const QebString &item) {
        const char *text = item.asCstr();
        const bool quoted = text[0] != '"' && std::strchr(text, ' ') != nullptr;
        if (quoted) add("\"");
        add(text);
        if (quoted) add("\"");
    };
    addItem(command);
    for (const QebString &option : options) {
        add(" ");
        addItem(option);
    }
    return failed ? QebString() : line;
}

// Overwrites every byte of each white-space character with a blank, up to
// the first NUL or end.
void blankWhiteSpace(char *text, const char *end) {
    for (char *p = text; p < end && *p != '\0';) {
        int length = 1;
        if (ks_uchar_isspace(p, &length) && length > 0) {
            std::memset(p, ' ', size_t(length));
            p += length;
        } else {
            ++p;
        }
    }
}

// What one run holds, released on every path: the command's process first,
// so that nothing writes to the output file once it is deleted.
struct RunResources {
    RunResources() = default;
    RunResources(const RunResources &) = delete;
    RunResources &operator=(const RunResources &) = delete;
    ~RunResources() {
        ks_proc_destroy(process);
        if (outputFile) {
            ks_fio_close(outputFile);
            ks_fio_unlink(outputPath);
        }
    }

    std::unique_ptr<const char *[]> environment;
    std::unique_ptr<const char *[]> arguments;
    ks_fio_handle outputFile = 0;
    char outputPath[kNameSize];
    ks_proc_handle process = nullptr;
};

// The command's output from the start of file as the output log (see run).
void readOutput(const char *path, ks_fio_handle file, QebString &log) {
    ks_fio_status status;
    if (ks_fio_stat(path, &status) != 0 || status.size == 0) return;
    const unsigned int wanted = status.size < kLogBytes ? status.size : kLogBytes;
    void *block;
    if (!QebMemPool::getBytes(wanted + 1, &block)) {
        log = QebString(kNoMemoryForOutput, true);
        return;
    }
    char *text = static_cast<char *>(block);
    const int got = ks_fio_getb(file, text, int(wanted));
    if (got <= 0) {
        log = QebString("", true);
    } else if (text[0] != '\0') {
        text[got] = '\0';
        blankWhiteSpace(text, text + got);
        if (log.assign(text).isNull()) log = QebString(kNoMemoryForOutput, true);
    }
    QebMemPool::freeBytes(block);
}

}  // namespace

QebExecute::QebExecute() : mState(new (std::nothrow) QebExecuteState) {}

QebExecute &QebExecute::operator=(const QebExecute &other) {
    if (this == &other) return *this;
    QebExecuteState copy = other.mState ? *other.mState : QebExecuteState();
    if (mState)
        *mState = std::move(copy);
    else
        mState = new (std::nothrow) QebExecuteState(std::move(copy));
    return *this;
}

QebExecute::~QebExecute() { delete mState; }

void QebExecute::setCommand(const QebString &command) {
    if (mState) mState->command = command;
}

void QebExecute::addOption(const QebString &option) {
    if (mState) mState->options.push_back(option);
}

void QebExecute::addEnvironment(const QebString &entry) {
    if (mState) mState->environment.push_back(entry);
}

bool QebExecute::run(bool useShell, bool captureOutput, int waitMode) {
    if (!mState) return false;
    QebExecuteState &state = *mState;
    RunResources held;
    ks_proc_options options = {nullptr, nullptr, nullptr, nullptr};
    int flags = KS_PROC_NO_WINDOW;

    if (!state.environment.empty()) {
        held.environment = textArray(nullptr, state.environment);
        if (!held.environment) {
            state.errorMessage = executeMessage(__LINE__, 29, "");
            return false;
        }
        options.environment = held.environment.get();
        flags |= KS_PROC_ENVIRONMENT;
    }

    if (captureOutput) {
        flags |= KS_PROC_OUTPUT;
        const int code = ks_fio_tmpfile(nullptr, "runprog", held.outputPath, kNameSize, &held.outputFile);
        if (code != 0) {
            state.errorMessage = executeMessage(__LINE__, 332, code, "", ks_fio_errdesc(code));
            return false;
        }
        options.outputFile = held.outputPath;
    }

    int started;
    if (useShell) {
        // A line cut short by lack of memory would run another command.
        const QebString line = commandLine(state.command, state.options);
        if (line.isNull()) {
            state.errorMessage = executeMessage(__LINE__, 29, "");
            return false;
        }
        started = ks_proc_shellexec(line.asCstr(), flags, &options, &held.process);
    } else {
        held.arguments = textArray(&state.command, state.options);
        if (!held.arguments) {
            state.errorMessage = executeMessage(__LINE__, 29, "");
            return false;
        }
        started = ks_proc_execute(held.arguments.get(), flags, &options, &held.process);
    }
    if (started != 0) {
        const char *reason = ks_proc_geterr(held.process);
        state.outputLog = qebStringFormat("Failed to execute command %s. Error: %s", state.command.asCstr(), reason);
        state.errorMessage = executeMessage(__LINE__, 380, reason);
        return false;
    }

    bool result = false;
    int endState = 0, exitCode = 0;
    if (ks_proc_wait(held.process, waitMode, &endState, &exitCode) != 0) {
        const char *reason = ks_proc_geterr(held.process);
        state.outputLog =
            qebStringFormat("Failed to get status of command %s. Error: %s", state.command.asCstr(), reason);
        state.errorMessage = executeMessage(__LINE__, 377, reason);
    } else if (endState == KS_PROC_KILLED) {
        state.outputLog = qebStringFormat("Command aborted with error: %d", exitCode);
        state.errorMessage = executeMessage(__LINE__, 378, exitCode);
    } else {
        result = true;
    }
    if (captureOutput) readOutput(held.outputPath, held.outputFile, state.outputLog);
    return result;
}

QebString QebExecute::getErrorMessage() const { return mState ? mState->errorMessage : QebString(); }

QebString QebExecute::getOutputLog() const { return mState ? mState->outputLog : QebString(); }
