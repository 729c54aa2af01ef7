// System library on Windows: commands started with CreateProcessW.
//
// Windows hands a program one command line, which the program splits itself;
// the argument vector is quoted by the rules that the C runtime and
// CommandLineToArgvW split by, so that each argument arrives as it was
// given. The child inherits exactly its three standard handles: they are
// named in a handle list, which keeps every other inheritable handle of the
// caller (another thread's, too) out of it. Everything is prepared before
// the process is created, so nothing can fail once it exists.
#include "ks_proc_system.h"

#include "ks_uchar.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

const int ks_proc_invalid_argument = ERROR_INVALID_PARAMETER;
const int ks_proc_invalid_handle = ERROR_INVALID_HANDLE;

namespace {

// The longest command line CreateProcessW takes, in UTF-16 units without
// its terminator.
constexpr size_t kLongestCommandLine = 32766;

struct Process : ks_proc {
    HANDLE process;
    DWORD id;
};

// Wide text of the system as UTF-8, cut at a whole character to fit.
void toUtf8(const wchar_t *wide, char *out, int size) {
    ks_uchar_encode(KS_UCHAR_ENC_UTF16, reinterpret_cast<const char *>(wide), out, size);
}

std::wstring toWide(const char *text) {
    std::vector<unsigned short> units(strlen(text) + 1);
    const int length = ks_uchar_utf8_to_utf16(text, units.data(), (int)units.size());
    return std::wstring(units.begin(), units.begin() + length);
}

// The system's text for an error code, without its line end. The subject
// that a text leaves to an insert ("%1 is not a valid Win32 application")
// reads "it": the caller's text names it.
struct Reason {
    explicit Reason(DWORD code) {
        wchar_t wide[512];
        DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      code, 0, wide, 512, nullptr);
        while (length > 0 && wcschr(L" \r\n", wide[length - 1])) --length;
        wide[length] = L'\0';
        for (DWORD i = 0; i + 1 < length; ++i) {
            if (wide[i] == L'%' && wide[i + 1] >= L'1' && wide[i + 1] <= L'9') {
                wide[i] = L'i';
                wide[i + 1] = L't';
            }
        }
        if (length > 0) toUtf8(wide, text, sizeof text);
        else snprintf(text, sizeof text, "system error %lu", (unsigned long)code);
    }
    char text[512];
};

// The calling thread's last error, which a failure makes non-zero.
DWORD lastError() {
    const DWORD code = GetLastError();
    return code != 0 ? code : ERROR_GEN_FAILURE;
}

// Describes a failure to start in the thread's text; returns code.
int startFailure(DWORD code, const char *program) {
    ks_proc_describe(ks_proc_start_error(), "cannot start '%s': %s", program, Reason(code).text);
    return (int)code;
}

// Appends an argument so that the C runtime and CommandLineToArgvW read it
// back unchanged: between quotes when it is empty or holds a blank, a tab or
// a quote; inside them a quote is escaped, and the backslashes before a
// quote or before the closing quote are doubled (elsewhere they are taken
// as they stand).
void appendArgument(std::string &line, const char *argument) {
    if (*argument != '\0' && !strpbrk(argument, " \t\n\v\"")) {
        line += argument;
        return;
    }
    line += '"';
    for (const char *p = argument;; ++p) {
        size_t backslashes = 0;
        for (; *p == '\\'; ++p) ++backslashes;
        if (*p == '\0') {
            line.append(2 * backslashes, '\\');
            break;
        }
        line.append(*p == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        line += *p;
    }
    line += '"';
}

// The program's name is read back by simpler rules (up to a blank, or
// between quotes, with no escapes), so it is only put between quotes.
void appendProgram(std::string &line, const char *program) {
    const bool quoted = *program == '\0' || strpbrk(program, " \t") != nullptr;
    if (quoted) line += '"';
    line += program;
    if (quoted) line += '"';
}

// CreateProcessW runs a .bat or .cmd file through the command interpreter,
// which reads the arguments as commands of its own: no quoting keeps them
// arguments. The system drops trailing dots and blanks from a file name.
bool isBatchFile(const char *program) {
    size_t length = strlen(program);
    while (length > 0 && (program[length - 1] == '.' || program[length - 1] == ' ')) --length;
    if (length < 4) return false;
    const char *extension = program + length - 4;
    return _strnicmp(extension, ".bat", 4) == 0 || _strnicmp(extension, ".cmd", 4) == 0;
}

// An entry's name ends at its first '=' after the first character: the
// hidden entries of the drives' current directories read "=C:=C:\dir".
int nameLength(const std::wstring &entry) {
    const size_t equals = entry.find(L'=', 1);
    return int(equals == std::wstring::npos ? entry.size() : equals);
}

// Names compare as the system compares them: by code unit, ignoring case.
int compareNames(const std::wstring &a, const std::wstring &b) {
    return CompareStringOrdinal(a.c_str(), nameLength(a), b.c_str(), nameLength(b), TRUE) - CSTR_EQUAL;
}

// The caller's environment with entries added, an entry replacing an
// inherited one of its name and a later entry an earlier one, as a Unicode
// environment block sorted by name. An empty entry would end the block
// early, so it is dropped. False when the caller's environment is unknown.
bool environmentBlock(const char *const *entries, std::vector<wchar_t> &block) {
    std::vector<std::wstring> merged;
    size_t added = 0;
    while (entries[added]) ++added;
    // Latest first, so that the first of each name is the one to keep.
    while (added-- > 0)
        if (*entries[added] != '\0') merged.push_back(toWide(entries[added]));
    wchar_t *inherited = GetEnvironmentStringsW();
    if (!inherited) return false;
    for (const wchar_t *entry = inherited; *entry; entry += wcslen(entry) + 1)
        merged.emplace_back(entry);
    FreeEnvironmentStringsW(inherited);
    using Entry = const std::wstring &;
    std::stable_sort(merged.begin(), merged.end(), [](Entry a, Entry b) { return compareNames(a, b) < 0; });
    const auto sameName = [](Entry a, Entry b) { return compareNames(a, b) == 0; };
    merged.erase(std::unique(merged.begin(), merged.end(), sameName), merged.end());
    for (const std::wstring &entry : merged)
        block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    block.push_back(L'\0');
    if (merged.empty()) block.push_back(L'\0');
    return true;
}

// What CreateProcessW is given besides the command line: the standard
// handles (inheritable, owned here), the list that lets the child inherit
// them alone, and the environment block.
class StartSetup {
public:
    StartSetup() = default;
    StartSetup(const StartSetup &) = delete;
    StartSetup &operator=(const StartSetup &) = delete;
    ~StartSetup() {
        if (mList) DeleteProcThreadAttributeList(mList);
        if (mError && mError != mOutput) CloseHandle(mError);
        for (HANDLE handle : {mInput, mOutput})
            if (handle) CloseHandle(handle);
    }

    // 0, or the error code of what could not be set up; *what names it.
    DWORD prepare(int flags, const ks_proc_options *options, const char **what) {
        SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
        *what = "the null device";
        mInput = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                             OPEN_EXISTING, 0, nullptr);
        if (mInput == INVALID_HANDLE_VALUE) return openFailure(&mInput);
        if (flags & KS_PROC_OUTPUT) {
            *what = options->outputFile;
            if (DWORD code = openOutput(options->outputFile, &inheritable)) return code;
        } else {
            mOutput = inheritableCopy(GetStdHandle(STD_OUTPUT_HANDLE));
            mError = inheritableCopy(GetStdHandle(STD_ERROR_HANDLE));
        }
        *what = "the environment";
        if ((flags & KS_PROC_ENVIRONMENT) && !environmentBlock(options->environment, mEnvironment))
            return lastError();
        *what = "the inherited handles";
        return prepareHandleList();
    }

    void fill(STARTUPINFOEXW *info) const {
        info->StartupInfo.cb = sizeof *info;
        info->StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        info->StartupInfo.hStdInput = mInput;
        info->StartupInfo.hStdOutput = mOutput;
        info->StartupInfo.hStdError = mError;
        info->lpAttributeList = mList;
    }
    void *environment() { return mEnvironment.empty() ? nullptr : mEnvironment.data(); }

private:
    // A handle that failed to open is none.
    static DWORD openFailure(HANDLE *failed) {
        *failed = nullptr;
        return lastError();
    }

    // Created when missing, emptied; output and error write through one
    // handle, so that they share one position and neither overwrites the
    // other. Others may read, write or delete the file meanwhile: the
    // caller holds it open.
    DWORD openOutput(const char *path, SECURITY_ATTRIBUTES *inheritable) {
        const DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        mOutput = CreateFileW(toWide(path).c_str(), GENERIC_WRITE, sharing, inheritable, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (mOutput == INVALID_HANDLE_VALUE) return openFailure(&mOutput);
        mError = mOutput;
        return SetEndOfFile(mOutput) ? 0 : lastError();
    }

    // The caller's own standard handle stays as it is; the child gets an
    // inheritable copy, or none when the caller has none.
    static HANDLE inheritableCopy(HANDLE own) {
        HANDLE copy = nullptr;
        const HANDLE self = GetCurrentProcess();
        if (own == nullptr || own == INVALID_HANDLE_VALUE ||
            !DuplicateHandle(self, own, self, &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
            return nullptr;
        return copy;
    }

    DWORD prepareHandleList() {
        for (HANDLE handle : {mInput, mOutput, mError})
            if (handle && std::find(mHandles, mHandles + mHandleCount, handle) == mHandles + mHandleCount)
                mHandles[mHandleCount++] = handle;
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        mListStorage.resize(size);
        auto *list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(mListStorage.data());
        if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return lastError();
        mList = list;
        return UpdateProcThreadAttribute(mList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, mHandles,
                                         mHandleCount * sizeof(HANDLE), nullptr, nullptr)
                   ? 0
                   : lastError();
    }

    HANDLE mInput = nullptr, mOutput = nullptr, mError = nullptr;
    HANDLE mHandles[3] = {};  // read by CreateProcessW through mList
    size_t mHandleCount = 0;
    std::vector<char> mListStorage;
    LPPROC_THREAD_ATTRIBUTE_LIST mList = nullptr;
    std::vector<wchar_t> mEnvironment;
};

// commandLine is taken by value: CreateProcessW may write into it.
int startCommand(const char *program, std::wstring commandLine, int flags,
                 const ks_proc_options *options, ks_proc_handle *handle) {
    if (commandLine.size() > kLongestCommandLine) {
        ks_proc_describe(ks_proc_start_error(), "cannot start '%s': the command line is longer than %d characters",
                         program, (int)kLongestCommandLine);
        return ERROR_FILENAME_EXCED_RANGE;
    }
    StartSetup setup;
    const char *what = "";
    if (DWORD code = setup.prepare(flags, options, &what)) {
        ks_proc_describe(ks_proc_start_error(), "cannot start '%s': %s: %s", program, what, Reason(code).text);
        return (int)code;
    }
    Process *process = new (std::nothrow) Process;
    if (!process) return startFailure(ERROR_NOT_ENOUGH_MEMORY, program);
    STARTUPINFOEXW info = {};
    setup.fill(&info);
    DWORD creation = EXTENDED_STARTUPINFO_PRESENT;
    if (flags & KS_PROC_ENVIRONMENT) creation |= CREATE_UNICODE_ENVIRONMENT;
    if (flags & KS_PROC_NO_WINDOW) creation |= CREATE_NO_WINDOW;
    PROCESS_INFORMATION created;
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, creation, setup.environment(),
                        nullptr, &info.StartupInfo, &created)) {
        const DWORD code = lastError();
        delete process;
        return startFailure(code, program);
    }
    CloseHandle(created.hThread);
    process->process = created.hProcess;
    process->id = created.dwProcessId;
    *handle = process;
    return 0;
}

// An exit code that is an NT error status (an unhandled exception, a
// console's Ctrl+C) means the system ended the process, as a signal does.
bool endedBySystem(DWORD exitCode) { return (exitCode & 0xE0000000) == 0xC0000000; }

}  // namespace

int ks_proc_start_program(const char *const *argv, int flags, const ks_proc_options *options,
                          ks_proc_handle *handle) {
    const char *program = argv[0];
    if (strchr(program, '"')) return startFailure(ERROR_INVALID_NAME, program);
    if (isBatchFile(program)) {
        ks_proc_describe(ks_proc_start_error(), "cannot start '%s': a batch file runs through the command interpreter",
                         program);
        return ERROR_BAD_EXE_FORMAT;
    }
    try {
        std::string line;
        appendProgram(line, program);
        for (const char *const *argument = argv + 1; *argument; ++argument) {
            line += ' ';
            appendArgument(line, *argument);
        }
        return startCommand(program, toWide(line.c_str()), flags, options, handle);
    } catch (const std::bad_alloc &) {
        return startFailure(ERROR_NOT_ENOUGH_MEMORY, program);
    }
}

int ks_proc_start_line(const char *line, int flags, const ks_proc_options *options, ks_proc_handle *handle) {
    wchar_t interpreter[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"ComSpec", interpreter, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || wcschr(interpreter, L'"')) {
        length = GetSystemDirectoryW(interpreter, MAX_PATH - 9);
        if (length == 0 || length >= MAX_PATH - 9) wcscpy(interpreter, L"cmd.exe");
        else wcscat(interpreter, L"\\cmd.exe");
    }
    char program[3 * MAX_PATH];
    toUtf8(interpreter, program, sizeof program);
    try {
        // /s: the interpreter takes what stands between the outer quotes as
        // it stands, whatever quotes the line holds; /d: it runs no AutoRun
        // command first, as sh -c reads no start-up file.
        const std::wstring commandLine =
            L"\"" + std::wstring(interpreter) + L"\" /d /s /c \"" + toWide(line) + L"\"";
        return startCommand(program, commandLine, flags, options, handle);
    } catch (const std::bad_alloc &) {
        return startFailure(ERROR_NOT_ENOUGH_MEMORY, program);
    }
}

int ks_proc_await(ks_proc_handle handle, bool block) {
    Process *process = static_cast<Process *>(handle);
    const DWORD waited = WaitForSingleObject(process->process, block ? INFINITE : 0);
    if (waited == WAIT_TIMEOUT) {
        ks_proc_describe(process->error, "the command (process %lu) is still running", (unsigned long)process->id);
        return WAIT_TIMEOUT;
    }
    DWORD code;
    if (waited != WAIT_OBJECT_0 || !GetExitCodeProcess(process->process, &code)) {
        code = lastError();
        ks_proc_describe(process->error, "cannot wait for the command (process %lu): %s",
                         (unsigned long)process->id, Reason(code).text);
        return (int)code;
    }
    process->ended = true;
    process->state = endedBySystem(code) ? KS_PROC_KILLED : KS_PROC_EXITED;
    process->exitCode = (int)code;
    return 0;
}

// cmd.exe expands %NAME%; a backslash is only a path separator to it.
const char ks_proc_shell_literals[] = " @._+-,=:/\\";

void ks_proc_destroy(ks_proc_handle handle) {
    Process *process = static_cast<Process *>(handle);
    if (!process) return;
    // Terminating is asynchronous: the wait makes sure that the command
    // holds no file open (its output file among them) once this returns.
    if (!process->ended && TerminateProcess(process->process, 1))
        WaitForSingleObject(process->process, INFINITE);
    CloseHandle(process->process);
    delete process;
}
