#include "test_support.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

std::string textOf(const QebString &s) { return s.isNull() ? "<null>" : s.asCstr(); }

std::string textAndLength(const QebString &s) {
    return s.isNull() ? "<null>" : std::string(s.asCstr()) + "/" + std::to_string(s.length());
}

ScratchDir::ScratchDir() {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && mPath.empty(); ++attempt) {
        const std::string path = ::testing::TempDir() + "qeb-test-" + std::to_string(random());
        std::error_code error;
        if (std::filesystem::create_directory(path, error)) mPath = path;
    }
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
