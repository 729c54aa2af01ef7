#include "test_support.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <iterator>

#include <unicode/uloc.h>
#include <unistd.h>

bool useUtf8Locale(const char *language) {
    const std::string name = std::string(language) + ".UTF-8";
    if (std::setlocale(LC_ALL, name.c_str())) return true;
    // A folder of this process's own: tests running side by side must not
    // read a locale another one is still writing.
    const std::string dir = ::testing::TempDir() + "qeb-locales-" + std::to_string(getpid());
    const std::string command = "mkdir -p '" + dir + "' && localedef -i " + language +
                                " -f UTF-8 '" + dir + "/" + name + "' >/dev/null 2>&1";
    const bool built = std::system(command.c_str()) == 0;
    setenv("LOCPATH", dir.c_str(), 1);
    const bool loaded = built && std::setlocale(LC_ALL, name.c_str()) != nullptr;
    // Once loaded the locale stays mapped; the files are not needed.
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return loaded;
}

bool useCommaDecimalLocale() { return useUtf8Locale("de_DE"); }

long openDescriptors() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator());
}

void setEnvironment(const char *name, const char *value) {
    value ? setenv(name, value, 1) : unsetenv(name);
}

std::string setUnicodeDefaultLocale(const std::string &name) {
    const std::string saved = uloc_getDefault();
    UErrorCode ignored = U_ZERO_ERROR;
    uloc_setDefault(name.c_str(), &ignored);
    return saved;
}
