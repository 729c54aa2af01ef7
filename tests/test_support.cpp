#include "test_support.h"

#include <clocale>
#include <cstdlib>
#include <string>

bool useCommaDecimalLocale() {
    const char *name = "de_DE.UTF-8";
    if (std::setlocale(LC_ALL, name)) return true;
    const std::string dir = ::testing::TempDir() + "qeb-locales";
    const std::string command = "mkdir -p '" + dir + "' && localedef -i de_DE -f UTF-8 '" + dir +
                                "/" + name + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
    setenv("LOCPATH", dir.c_str(), 1);
    return std::setlocale(LC_ALL, name) != nullptr;
}
