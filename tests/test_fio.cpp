// The file library: byte files, temporary files, status, and the edges of
// the text layer that test_txtfile.cpp does not reach.
#include "ks_fio.h"

#include "ks_uchar.h"
#include "test_support.h"

#include <cerrno>
#include <filesystem>

// What the system says of a handle and a file (posix/ and windows/
// test_file_os.cpp).
bool inheritedByPrograms(ks_fio_handle handle);
bool ownerOnly(const std::string &path);

namespace {

TEST(FileBytes, OpenModes) {
    ScratchDir dir;
    const std::string path = dir / "f";
    ks_fio_handle h = 0;
    EXPECT_EQ(ks_fio_open(path.c_str(), KS_FIO_MODE_READ, &h), ENOENT);
    EXPECT_EQ(ks_fio_open(path.c_str(), KS_FIO_MODE_WRITABLE, nullptr), ENOENT);  // tests, never creates
    ASSERT_EQ(ks_fio_open(path.c_str(), KS_FIO_MODE_UPDATE, &h), 0);
    EXPECT_FALSE(inheritedByPrograms(h));
    EXPECT_EQ(ks_fio_putm(h, "one", "", "\ntwo\n", static_cast<const char *>(nullptr)), 8);
    EXPECT_EQ(ks_fio_close(h), 0);
    ASSERT_EQ(ks_fio_open(path.c_str(), KS_FIO_MODE_UPDATE, &h), 0);  // contents kept
    char buffer[16];
    EXPECT_EQ(ks_fio_gets(h, buffer, sizeof buffer), 4);
    EXPECT_STREQ(buffer, "one\n");
    EXPECT_EQ(ks_fio_gets(h, buffer, 3), 2);  // a line longer than the buffer comes in pieces
    EXPECT_STREQ(buffer, "tw");
    EXPECT_EQ(ks_fio_getb(h, buffer, 16), 2);  // the offset stayed right after what gets gave
    EXPECT_EQ(ks_fio_gets(h, buffer, sizeof buffer), 0);
    EXPECT_EQ(ks_fio_seek(h, 3, 0), 3);
    EXPECT_EQ(ks_fio_trunc(h), 0);
    EXPECT_EQ(ks_fio_close(h), 0);
    EXPECT_EQ(readFile(path), "one");
    EXPECT_EQ(ks_fio_open(path.c_str(), KS_FIO_MODE_WRITABLE, nullptr), 0);
    EXPECT_EQ(ks_fio_open(dir.path().c_str(), KS_FIO_MODE_WRITABLE, nullptr), EISDIR);
    EXPECT_EQ(ks_fio_open(path.c_str(), KS_FIO_MODE_WRITABLE, &h), EINVAL);
    EXPECT_EQ(ks_fio_open(path.c_str(), 3, &h), EINVAL);
    ASSERT_EQ(ks_fio_open(path.c_str(), KS_FIO_MODE_REPLACE, &h), 0);
    EXPECT_EQ(ks_fio_close(h), 0);
    EXPECT_EQ(readFile(path), "");
    EXPECT_EQ(ks_fio_unlink(path.c_str()), 0);
    EXPECT_EQ(ks_fio_unlink(path.c_str()), ENOENT);
    EXPECT_STREQ(ks_fio_errdesc(KS_FIO_ERR_BUFFER), "The buffer cannot hold a single character");
}

TEST(FileBytes, OffsetsAndSizesBeyondFourGiB) {
    ScratchDir dir;
    const std::string path = dir / "sparse";
    ks_fio_handle h = 0;
    ASSERT_EQ(ks_fio_open(path.c_str(), KS_FIO_MODE_UPDATE, &h), 0);
    const long long far = 5LL << 30;
    ASSERT_EQ(ks_fio_seek64(h, far, 0), far);
    ASSERT_EQ(ks_fio_putb(h, "x", 1), 1);
    EXPECT_EQ(ks_fio_seek64(h, -1, 2), far);
    // A long is 32 bits on Windows: no room there for the offset.
    EXPECT_EQ(ks_fio_seek(h, 0, 2), kOnWindows ? -1 : far + 1);
    EXPECT_TRUE(!kOnWindows || ks_fio_lasterror() == EOVERFLOW) << ks_fio_lasterror();
    EXPECT_EQ(ks_fio_seek64(h, -far - 2, 1), -1);
    EXPECT_EQ(ks_fio_close(h), 0);
    ks_fio_status status;
    ASSERT_EQ(ks_fio_stat64(path.c_str(), &status), 0);
    EXPECT_EQ(status.size64, (unsigned long long)far + 1);
    EXPECT_EQ(status.size, 0xFFFFFFFFu);  // the 32-bit size says "too large"
    ASSERT_EQ(ks_fio_stat(dir.path().c_str(), &status), 0);
    EXPECT_EQ(status.type, KS_FIO_TYPE_DIRECTORY);
    EXPECT_EQ(ks_fio_stat((dir / "missing").c_str(), &status), ENOENT);
}

TEST(FileBytes, TemporaryFiles) {
    ScratchDir dir;
    char first[1024], second[1024];
    ks_fio_handle a = 0, b = 0;
    ASSERT_EQ(ks_fio_tmpfile(dir.path().c_str(), "runprog", first, sizeof first, &a), 0);
    ASSERT_EQ(ks_fio_tmpfile((dir.path() + "/").c_str(), "runprog", second, sizeof second, &b), 0);
    EXPECT_STRNE(first, second);
    EXPECT_EQ(std::string(first).rfind(dir.path() + (kOnWindows ? "\\" : "/") + "runprog", 0), 0u) << first;
    EXPECT_EQ(std::string(second).rfind(dir / "runprog", 0), 0u) << second;  // its separator kept
    EXPECT_TRUE(ownerOnly(first));
    EXPECT_FALSE(inheritedByPrograms(a));
    EXPECT_EQ(ks_fio_close(a) | ks_fio_close(b), 0);
    // A path that would not fit the buffer is refused, and nothing is made.
    char small[16];
    EXPECT_EQ(ks_fio_tmpfile(dir.path().c_str(), "p", small, sizeof small, &a), ENAMETOOLONG);
    EXPECT_EQ(ks_fio_tmpfile((dir / "missing").c_str(), "p", first, sizeof first, &a), ENOENT);
}

// Opens text written as bytes.
ks_fio_handle openText(const ScratchDir &dir, const std::string &bytes, int encoding) {
    writeFile(dir / "t", bytes);
    ks_fio_handle h = 0;
    EXPECT_EQ(ks_fio_text_open((dir / "t").c_str(), KS_FIO_MODE_READ, encoding, 0, &h), 0);
    return h;
}

// Every line, each followed by '|' when complete.
std::string readAll(ks_fio_handle h, unsigned size) {
    std::string all;
    std::string buffer(size, '\0');
    int ended = 0, n;
    while ((n = ks_fio_text_readline(h, &buffer[0], size, &ended)) > 0 || ended) {
        all += buffer.c_str();
        if (ended) all += '|';
    }
    EXPECT_EQ(n, 0) << ks_fio_errdesc(ks_fio_text_geterr(h));
    return all;
}

// A CR LF or two CRs split between two reads of the file, and text decoded
// from three bytes a byte that outgrows its buffer. fuzz_txtfile splits every other
// character and line end too.
TEST(FileText, WhereTheReadersBlocksMeet) {
    ScratchDir dir;
    const std::string x(64 * 1024 - 1, 'x');  // the reader's block, but one byte
    std::string euros;
    for (int i = 0; i < 70000; ++i) euros += "\xE2\x82\xAC";
    const struct { int encoding; std::string bytes, lines; } cases[] = {
        {KS_UCHAR_ENC_UTF8, x + "\r\ny", x + "|y"}, {KS_UCHAR_ENC_UTF8, x + "\r\ry", x + "||y"},
        {KS_UCHAR_ENC_WINDOWS1252, std::string(70000, '\x80') + "\x81\r\n", euros + "\xC2\x81|"},
    };
    for (const auto &c : cases) {
        for (unsigned size : {7u, 300000u}) {
            const ks_fio_handle h = openText(dir, c.bytes, c.encoding);
            EXPECT_EQ(readAll(h, size), c.lines) << size;
            EXPECT_EQ(ks_fio_text_close(h), 0);
        }
    }
}

TEST(FileText, ReadStopsAtACharacterLimit) {
    ScratchDir dir;
    const ks_fio_handle h = openText(dir, "a\xC3\xA9\r\nbc", KS_UCHAR_ENC_UTF8);
    char buffer[16];
    EXPECT_EQ(ks_fio_text_read(h, 2, buffer, sizeof buffer), 2);
    EXPECT_STREQ(buffer, "a\xC3\xA9");
    EXPECT_EQ(ks_fio_text_read(h, 0, buffer, sizeof buffer), 0);
    EXPECT_EQ(ks_fio_text_read(h, 2, buffer, sizeof buffer), 2);
    EXPECT_STREQ(buffer, "\nb");
    EXPECT_EQ(ks_fio_text_skip(h, 5), 1);
    EXPECT_EQ(ks_fio_text_read(h, -1, buffer, sizeof buffer), 0);
    EXPECT_EQ(ks_fio_text_write(h, "x", -1), -1);  // a reader does not write
    EXPECT_EQ(ks_fio_text_geterr(h), EBADF);
    EXPECT_EQ(ks_fio_text_close(h), 0);
}

TEST(FileText, LargeWritesInEveryEncodingReadBack) {
    ScratchDir dir;
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + " caf\xC3\xA9\n";
    for (int encoding : {1, 2, 3, 10}) {  // UTF-8, Latin-1, Windows-1252, UTF-16BE
        ks_fio_handle h = 0;
        ASSERT_EQ(ks_fio_text_open((dir / "w").c_str(), KS_FIO_MODE_REPLACE, encoding, 4, &h), 0);
        EXPECT_EQ(ks_fio_text_write(h, text.c_str(), int(text.size())), int(text.size()) - 20000);
        EXPECT_EQ(ks_fio_text_close(h), 0);
        ASSERT_EQ(ks_fio_text_open((dir / "w").c_str(), KS_FIO_MODE_READ, encoding, 0, &h), 0);
        std::string back(text.size() + 1, '\0');
        EXPECT_EQ(ks_fio_text_read(h, -1, &back[0], unsigned(back.size())), int(text.size()) - 20000);
        EXPECT_EQ(back.c_str(), text) << encoding;
        EXPECT_EQ(ks_fio_text_close(h), 0);
    }
    // Unknown encodings and modes create nothing.
    ks_fio_handle h0 = 0;
    for (int encoding : {-1, 4, 7, 11, 1000})
        EXPECT_EQ(ks_fio_text_open((dir / "x").c_str(), KS_FIO_MODE_REPLACE, encoding, 0, &h0), KS_FIO_ERR_ENCODING);
    EXPECT_EQ(ks_fio_text_open((dir / "x").c_str(), 0x82, 0, 0, &h0), EINVAL);
    EXPECT_EQ(h0, 0u);
    EXPECT_FALSE(std::filesystem::exists(dir / "x"));
}

}  // namespace
