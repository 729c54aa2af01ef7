// test_file on Windows: what the shared tests ask of the system, and the
// fault a named pipe shows: one whose reader left.
#include <qeb/qebtxtfile.h>

#include "ks_fio.h"
#include "test_support.h"

#include <windows.h>
// After windows.h, which it needs.
#include <aclapi.h>

#include <cstring>
#include <thread>

namespace {

std::wstring widen(const std::string &text) {
    std::wstring wide(text.size(), L'\0');
    wide.resize(size_t(MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), &wide[0], int(wide.size()))));
    return wide;
}

}  // namespace

bool inheritedByPrograms(ks_fio_handle handle) {
    DWORD flags = 0;
    const bool known = GetHandleInformation(reinterpret_cast<HANDLE>(handle), &flags);
    EXPECT_TRUE(known);
    return known && (flags & HANDLE_FLAG_INHERIT);
}

// Access allowed to no one but the owner and the system: no group, no other
// user, none passed on by the folder.
bool ownerOnly(const std::string &path) {
    PSID owner = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(widen(path).c_str(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr, &list,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    BYTE ownerRights[SECURITY_MAX_SID_SIZE], system[SECURITY_MAX_SID_SIZE];
    DWORD ownerRightsSize = sizeof ownerRights, systemSize = sizeof system;
    bool only = list != nullptr && list->AceCount > 0 &&
                CreateWellKnownSid(WinCreatorOwnerRightsSid, nullptr, ownerRights, &ownerRightsSize) &&
                CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &systemSize);
    for (DWORD i = 0; only && i < list->AceCount; ++i) {
        ACCESS_ALLOWED_ACE *entry = nullptr;
        only = GetAce(list, i, reinterpret_cast<void **>(&entry)) &&
               (entry->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || EqualSid(&entry->SidStart, owner) ||
                EqualSid(&entry->SidStart, ownerRights) || EqualSid(&entry->SidStart, system));
    }
    LocalFree(descriptor);
    return only;
}

// The system's code pages.
std::string encodeLike(const std::string &text, const char *codec) {
    const std::wstring wide = widen(text);
    if (std::strncmp(codec, "utf-16", 6) == 0) {
        std::string bytes;
        const bool big = std::strcmp(codec, "utf-16-be") == 0;
        for (const wchar_t unit : wide) {
            const char low = char(unit & 0xFF), high = char(unit >> 8);
            bytes += big ? std::string{high, low} : std::string{low, high};
        }
        return bytes;
    }
    const UINT page = std::strcmp(codec, "latin-1") == 0 ? 28591 : std::strcmp(codec, "cp1252") == 0 ? 1252 : CP_UTF8;
    std::string bytes(wide.size() * 4, '\0');
    bytes.resize(size_t(WideCharToMultiByte(page, 0, wide.data(), int(wide.size()), &bytes[0], int(bytes.size()),
                                            nullptr, nullptr)));
    return bytes;
}

namespace {

// A pipe of this process's own: a thread waits for the first program to open
// path(), sends it the bytes and closes its end.
class ServedPipe {
public:
    explicit ServedPipe(const std::string &bytes)
        : mPath("\\\\.\\pipe\\qeb-test-" + std::to_string(GetCurrentProcessId())),
          mServer(
              CreateNamedPipeW(widen(mPath).c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr)),
          mThread([this, bytes] {
              DWORD written;
              if (ConnectNamedPipe(mServer, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED)
                  WriteFile(mServer, bytes.data(), DWORD(bytes.size()), &written, nullptr);
              CloseHandle(mServer);
          }) {}
    ~ServedPipe() { wait(); }
    ServedPipe(const ServedPipe &) = delete;
    ServedPipe &operator=(const ServedPipe &) = delete;

    const char *path() const { return mPath.c_str(); }
    // Until the server's end is closed; a pipe no one opened is opened here
    // to end the wait (one already taken refuses this).
    void wait() {
        if (!mThread.joinable()) return;
        const HANDLE client = CreateFileW(widen(mPath).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        mThread.join();
        if (client != INVALID_HANDLE_VALUE) CloseHandle(client);
    }

private:
    std::string mPath;
    HANDLE mServer;
    std::thread mThread;
};

}  // namespace

bool openPipeHolding(QebTxtFile &file, const std::string &text) {
    ServedPipe pipe(text);
    const bool opened = file.open(pipe.path(), QebTxtFile::Read);
    pipe.wait();
    return opened;
}

namespace {

using TxtFileDevice = PoolLeakCheck;

// Its reader gone, the pipe takes no more.
TEST_F(TxtFileDevice, ALostWriteIsReportedByClose) {
    ServedPipe pipe("");
    QebTxtFile file;
    ASSERT_TRUE(file.open(pipe.path(), QebTxtFile::Write));
    pipe.wait();
    EXPECT_TRUE(file.writeln("buffered"));
    EXPECT_FALSE(file.close());
}

}  // namespace
