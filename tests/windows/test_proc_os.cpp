// The process tests on Windows: what the shared tests ask of the system,
// the starts only Windows refuses, and the handles a child must not inherit.
#include "process_tests.h"

#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <cwchar>

std::string systemText(int code) {
    DWORD_PTR it[] = {reinterpret_cast<DWORD_PTR>(L"it")};
    wchar_t text[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY, nullptr, DWORD(code),
                                  0, text, 512, reinterpret_cast<va_list *>(it));
    while (length > 0 && wcschr(L" \r\n", text[length - 1])) --length;
    std::string utf8(4 * length, '\0');
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, int(length), &utf8[0], int(utf8.size()), nullptr, nullptr);
    utf8.resize(size_t(bytes));
    return utf8;
}

bool childLeftBehind() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry))
        found = entry.th32ParentProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return found;
}

namespace {

// What CreateProcessW would misread, and the longest line it takes.
TEST_F(Proc, RefusesWhatWindowsWouldMisread) {
    ASSERT_EQ(helper.find(' '), std::string::npos);  // the line's length below
    const std::string head = helper + " exit 0 ";
    const std::string longest = std::string(32766 - head.size(), 'x'), tooLong = longest + "x";
    const struct { std::vector<const char *> argv; int code; std::string error; } cases[] = {
        {{"a\"b"}, ERROR_INVALID_NAME, "cannot start 'a\"b': " + systemText(ERROR_INVALID_NAME)},
        {{"x.bat", "&", "exit"}, ERROR_BAD_EXE_FORMAT,
         "cannot start 'x.bat': a batch file runs through the command interpreter"},
        {{"X.Cmd. "}, ERROR_BAD_EXE_FORMAT,
         "cannot start 'X.Cmd. ': a batch file runs through the command interpreter"},
        {{helper.c_str(), "exit", "0", tooLong.c_str()}, ERROR_FILENAME_EXCED_RANGE,
         "cannot start '" + helper + "': the command line is longer than 32766 characters"},
    };
    for (auto c : cases) {
        c.argv.push_back(nullptr);
        ks_proc_handle handle = nullptr;
        EXPECT_EQ(ks_proc_execute(c.argv.data(), 0, nullptr, &handle), c.code);
        EXPECT_EQ(ks_proc_geterr(nullptr), c.error);
        EXPECT_EQ(handle, nullptr);
    }
    ks_proc_handle handle = start(false, {helper.c_str(), "exit", "0", longest.c_str()});
    int state = 0, exitCode = -1;
    EXPECT_EQ(ks_proc_wait(handle, 1, &state, &exitCode), 0);
    EXPECT_EQ(exitCode, 0);
    ks_proc_destroy(handle);
}

// A file the caller holds through an inheritable handle can be deleted once
// the caller closes it, while the child still runs.
TEST_F(Proc, ChildInheritsNoHandleButItsStandardOnes) {
    const std::string held = dir / "held.txt";
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    const HANDLE file = CreateFileA(held.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                    CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ks_proc_handle handle = start(false, {helper.c_str(), "sleep", "30"});
    CloseHandle(file);
    EXPECT_TRUE(DeleteFileA(held.c_str())) << "the child holds the file: " << GetLastError();
    ks_proc_destroy(handle);
}

}  // namespace
