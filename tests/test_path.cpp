// Joining and splitting paths: the file library's functions with exact and
// too small buffers, and the string functions over them, long paths too.
#include <qeb/qebdir.h>

#include "ks_fio.h"
#include "test_support.h"

#include <cerrno>

namespace {

using Path = PoolLeakCheck;

// What joining writes; Windows splits at either separator and keeps a
// drive's root whole.
const std::string kSep = kOnWindows ? "\\" : "/";

const std::string kLong = std::string(200, 'd') + "/" + std::string(100, 'n');  // over 255 bytes

const struct { std::string path, directory, name; } kSplits[] = {
    {"/x", "/", "x"}, {"x", "", "x"}, {"d/", "d", ""}, {"/", "/", ""}, {"", "", ""},
    {"a/b/c.txt", "a/b", "c.txt"}, {"a//b", "a", "b"}, {"//x", "/", "x"}, {"./.hidden", ".", ".hidden"},
    {"r\xC3\xA9s/\xC3\xA9t\xC3\xA9", "r\xC3\xA9s", "\xC3\xA9t\xC3\xA9"},
    {kLong, std::string(200, 'd'), std::string(100, 'n')},
    {"a\\b\\c.txt", kOnWindows ? "a\\b" : "", kOnWindows ? "c.txt" : "a\\b\\c.txt"},
    {"C:\\x", kOnWindows ? "C:\\" : "", kOnWindows ? "x" : "C:\\x"},
    {"C:\\", kOnWindows ? "C:\\" : "", kOnWindows ? "" : "C:\\"},
    {"C:x", "", "C:x"},  // relative to the drive's current directory: all name
};

const struct { std::string first, second, joined; } kJoins[] = {
    {"a", "b", "a" + kSep + "b"}, {"a/", "b", "a/b"}, {"", "b", "b"}, {"/", "b", "/b"}, {"a", "", "a" + kSep},
    {"", "", ""}, {"a", "/b", "a" + kSep + "/b"}, {"a\\", "b", kOnWindows ? "a\\b" : "a\\/b"},
    {std::string(200, 'd'), std::string(100, 'n'), std::string(200, 'd') + kSep + std::string(100, 'n')},
};

TEST(PathLibrary, BuffersThatFitExactlyAndOneByteShort) {
    for (const auto &c : kSplits) {
        const int directorySize = int(c.directory.size()) + 1, nameSize = int(c.name.size()) + 1;
        std::string directory(directorySize, '#'), name(nameSize, '#');
        ASSERT_EQ(ks_fio_pparse(c.path.c_str(), &directory[0], directorySize, &name[0], nameSize), 0) << c.path;
        EXPECT_EQ(directory.c_str(), c.directory);
        EXPECT_EQ(name.c_str(), c.name);
        EXPECT_EQ(ks_fio_pparse(c.path.c_str(), nullptr, 0, &name[0], nameSize), 0);  // one part alone
        // Either part one byte short: refused, and the other buffer emptied too.
        EXPECT_EQ(ks_fio_pparse(c.path.c_str(), &directory[0], directorySize - 1, &name[0], nameSize), ENAMETOOLONG);
        EXPECT_EQ(name[0], '\0') << c.path;
        EXPECT_EQ(ks_fio_pparse(c.path.c_str(), &directory[0], directorySize, &name[0], nameSize - 1), ENAMETOOLONG);
        EXPECT_EQ(directory[0], '\0') << c.path;
    }
    for (const auto &c : kJoins) {
        const int size = int(c.joined.size()) + 1;
        std::string out(size, '#');
        ASSERT_EQ(ks_fio_pcat(c.first.c_str(), c.second.c_str(), &out[0], size), 0);
        EXPECT_EQ(out.c_str(), c.joined);
        out.assign(size, '#');
        EXPECT_EQ(ks_fio_pcat(c.first.c_str(), c.second.c_str(), &out[0], size - 1), ENAMETOOLONG) << c.joined;
        EXPECT_EQ(out[size - 1], '#') << c.joined;  // nothing past the size given
    }
    char out[8];
    EXPECT_EQ(ks_fio_pcat(nullptr, "b", out, 8), EINVAL);
    EXPECT_EQ(ks_fio_pparse(nullptr, nullptr, 0, nullptr, 0), EINVAL);
}

TEST_F(Path, StringsJoinAndSplitLikeTheLibrary) {
    for (const auto &c : kJoins)
        EXPECT_EQ(textOf(qebConcatPath(QebString(c.first.c_str()), QebString(c.second.c_str()))), c.joined);
    EXPECT_EQ(textOf(qebConcatPath(QebString(), QebString())), "");
    for (size_t length : {255u, 256u, 257u}) {  // around what fits without allocating
        const std::string first(length - 2, 'a');
        EXPECT_EQ(textOf(qebConcatPath(QebString(first.c_str()), QebString("b"))), first + kSep + "b");
    }
    for (const auto &c : kSplits) {
        QebString name("stale");
        EXPECT_EQ(textOf(qebParsePath(QebString(c.path.c_str()), &name)), c.directory);
        EXPECT_EQ(textOf(name), c.name);
        EXPECT_EQ(textOf(qebParsePath(QebString(c.path.c_str()), nullptr)), c.directory);
    }
    QebString same("dir/file");  // the path and the name may be one string
    EXPECT_EQ(textOf(qebParsePath(same, &same)), "dir");
    EXPECT_EQ(textOf(same), "file");
}

}  // namespace
