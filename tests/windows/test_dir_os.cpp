// test_dir's calls to the system on Windows.
#include <string>

#include <windows.h>

namespace {

// The "\\?\" form, which reaches past MAX_PATH, of a full path.
std::wstring longForm(const std::string &path) {
    std::wstring wide(path.size(), L'\0');
    wide.resize(size_t(MultiByteToWideChar(CP_UTF8, 0, path.data(), int(path.size()), &wide[0], int(wide.size()))));
    for (wchar_t &unit : wide) unit = unit == L'/' ? L'\\' : unit;
    return L"\\\\?\\" + wide;
}

}  // namespace

bool setModificationTime(const std::string &path, long long seconds) {
    const HANDLE file = CreateFileW(longForm(path).c_str(), FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // FILETIME counts 100 ns from 1601.
    const unsigned long long ticks = (unsigned long long)(seconds + 11644473600LL) * 10000000ULL;
    const FILETIME wanted = {DWORD(ticks), DWORD(ticks >> 32)};
    FILETIME got = {};
    const bool held = SetFileTime(file, nullptr, nullptr, &wanted) && GetFileTime(file, nullptr, nullptr, &got) &&
                      CompareFileTime(&wanted, &got) == 0;
    CloseHandle(file);
    return held;
}

bool makeBelow(const std::string &base, const std::string &relative, bool directory) {
    const std::wstring path = longForm(base + "/" + relative);
    if (directory) return CreateDirectoryW(path.c_str(), nullptr);
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}
