#include "test_support.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

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

std::string textOf(const QebString &s) { return s.isNull() ? "<null>" : s.asCstr(); }

std::string textAndLength(const QebString &s) {
    return s.isNull() ? "<null>" : std::string(s.asCstr()) + "/" + std::to_string(s.length());
}

ScratchDir::ScratchDir() {
    std::string pattern = ::testing::TempDir() + "qeb-test-XXXXXX";
    if (mkdtemp(pattern.data())) mPath = pattern;
    EXPECT_FALSE(mPath.empty()) << "cannot make a scratch folder";
}

ScratchDir::~ScratchDir() {
    if (mPath.empty()) return;
    // Make everything removable again, whatever a test did to it.
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(mPath, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (!it->is_symlink(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(mPath, ignored);
}

void writeFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    EXPECT_TRUE(out.good()) << "cannot write " << path;
}

std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
