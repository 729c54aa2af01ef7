#include "test_support.h"

#include <clocale>
#include <cstdlib>
#include <string>

bool useUtf8Locale(const char *language) {
    const std::string name = std::string(language) + ".UTF-8";
    if (std::setlocale(LC_ALL, name.c_str())) return true;
    const std::string dir = ::testing::TempDir() + "qeb-locales";
    const std::string command = "mkdir -p '" + dir + "' && localedef -i " + language +
                                " -f UTF-8 '" + dir + "/" + name + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
    setenv("LOCPATH", dir.c_str(), 1);
    return std::setlocale(LC_ALL, name.c_str()) != nullptr;
}

bool useCommaDecimalLocale() { return useUtf8Locale("de_DE"); }

std::string textOf(const QebString &s) { return s.isNull() ? "<null>" : s.asCstr(); }

std::string textAndLength(const QebString &s) {
    return s.isNull() ? "<null>" : std::string(s.asCstr()) + "/" + std::to_string(s.length());
}
