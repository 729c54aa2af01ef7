// test_file on POSIX: what the shared tests ask of the system, and the
// faults only POSIX devices show cheaply: a pipe and a full disk.
#include <qeb/qebtxtfile.h>

#include "ks_fio.h"
#include "test_support.h"

#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool inheritedByPrograms(ks_fio_handle handle) {
    const int flags = fcntl(int(handle - 1), F_GETFD);
    EXPECT_NE(flags, -1);
    return flags != -1 && !(flags & FD_CLOEXEC);
}

bool ownerOnly(const std::string &path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && (info.st_mode & 0777) == 0600;
}

// Python's codecs: an oracle independent of ours.
std::string encodeLike(const std::string &text, const char *codec) {
    ScratchDir dir;
    writeFile(dir / "in", text);
    const std::string command = "/usr/bin/python3 -c \"import sys; open(sys.argv[2], 'wb').write("
                                "open(sys.argv[1], 'rb').read().decode('utf-8').encode(sys.argv[3]))\" '" +
                                (dir / "in") + "' '" + (dir / "out") + "' " + codec;
    EXPECT_EQ(std::system(command.c_str()), 0);
    return readFile(dir / "out");
}

bool openPipeHolding(QebTxtFile &file, const std::string &text) {
    int ends[2];
    if (pipe(ends) != 0) return false;
    const bool written = ::write(ends[1], text.data(), text.size()) == ssize_t(text.size());
    close(ends[1]);
    const bool opened = written && file.open(("/proc/self/fd/" + std::to_string(ends[0])).c_str(), QebTxtFile::Read);
    close(ends[0]);
    return opened;
}

namespace {

using TxtFileDevice = PoolLeakCheck;

// Text goes into a pipe, which cannot seek, as it stands.
TEST_F(TxtFileDevice, APipeTakesText) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    QebTxtFile file;
    ASSERT_TRUE(file.open(("/proc/self/fd/" + std::to_string(ends[1])).c_str(), QebTxtFile::Write));
    close(ends[1]);
    EXPECT_TRUE(file.writeln("through"));
    EXPECT_TRUE(file.close());
    char buffer[16] = {};
    EXPECT_GE(::read(ends[0], buffer, sizeof buffer - 1), 7);
    EXPECT_EQ(std::string(buffer).substr(0, 7), "through");
    close(ends[0]);
}

TEST_F(TxtFileDevice, ALostWriteIsReportedByClose) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    QebTxtFile file;
    ASSERT_TRUE(file.open("/dev/full", QebTxtFile::Write));
    EXPECT_TRUE(file.writeln("buffered"));
    EXPECT_FALSE(file.close());
}

}  // namespace
