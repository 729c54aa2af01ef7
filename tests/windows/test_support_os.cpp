#include "test_support.h"

#include <clocale>
#include <cstdlib>

#include <windows.h>

// The C runtime here has no UTF-8 locales.
bool useUtf8Locale(const char *) { return false; }

bool useCommaDecimalLocale() { return std::setlocale(LC_ALL, "German_Germany.1252") != nullptr; }

long openDescriptors() {
    DWORD count = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &count) ? long(count) : -1;
}

// The Unicode rules here always use the invariant locale.
std::string setUnicodeDefaultLocale(const std::string &) { return ""; }

// _putenv_s changes the C runtime's copy and the system's, which started
// programs inherit.
void setEnvironment(const char *name, const char *value) { _putenv_s(name, value ? value : ""); }
