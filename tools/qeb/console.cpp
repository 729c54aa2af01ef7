#include "console.h"

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <stdio.h>

#include <string>
#include <vector>

// Windows hands main its arguments in the ANSI code page and opens the
// standard streams in text mode, which turns "\n" into "\r\n".
void prepareConsole(int *argc, char ***argv) {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return;
    static std::vector<std::string> texts;
    static std::vector<char *> pointers;
    for (int i = 0; i < count; ++i) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(bytes > 0 ? size_t(bytes) : 1, '\0');
        if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &text[0], bytes, nullptr, nullptr);
        texts.push_back(text);
    }
    LocalFree(wide);
    for (std::string &text : texts) pointers.push_back(&text[0]);
    pointers.push_back(nullptr);
    *argc = count;
    *argv = pointers.data();
}

const char *standardInputPath() { return nullptr; }
#else
void prepareConsole(int *, char ***) {}

const char *standardInputPath() { return "/dev/stdin"; }
#endif
