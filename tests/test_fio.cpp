// The file library: byte files, temporary files, status, and the text layer
// where its blocks meet (characters, surrogate pairs and CR LF split between
// two reads of the file).
#include "ks_fio.h"

#include "ks_uchar.h"
#include "test_support.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool closeOnExec(ks_fio_handle handle) { return fcntl(int(handle - 1), F_GETFD) & FD_CLOEXEC; }

TEST(FileBytes, OpenModes) {
    ScratchDir dir;
    const std::string path = dir / "f";
    ks_fio_handle h = 0;
    EXPECT_EQ(ks_fio_open(path.c_str(), KS_FIO_MODE_READ, &h), ENOENT);
    EXPECT_EQ(ks_fio_open(path.c_str(), KS_FIO_MODE_WRITABLE, nullptr), ENOENT);  // tests, never creates
    ASSERT_EQ(ks_fio_open(path.c_str(), KS_FIO_MODE_UPDATE, &h), 0);
    EXPECT_TRUE(closeOnExec(h));
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
    EXPECT_EQ(std::string(first).rfind(dir / "runprog", 0), 0u) << first;
    struct stat info;
    ASSERT_EQ(stat(first, &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(closeOnExec(a));
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

std::string utf16le(const std::string &utf8) {
    std::string out;
    unsigned short units[16];
    const int n = ks_uchar_utf8_to_utf16(utf8.c_str(), units, 16);
    for (int i = 0; i < n; ++i) out += {char(units[i] & 0xFF), char(units[i] >> 8)};
    return out;
}

TEST(FileText, CharactersAndLineEndsSplitBetweenReads) {
    ScratchDir dir;
    const size_t block = 64 * 1024;  // the reader's block
    const std::string x(block - 1, 'x');
    std::string xs16, euros;
    for (size_t i = 0; i < block / 2 - 1; ++i) xs16 += utf16le("x");
    for (int i = 0; i < 70000; ++i) euros += "\xE2\x82\xAC";
    const struct { const char *name; int encoding; std::string bytes, lines; } cases[] = {
        {"CR LF", KS_UCHAR_ENC_UTF8, x + "\r\ny", x + "|y"},
        {"CR then CR", KS_UCHAR_ENC_UTF8, x + "\r\ry", x + "||y"},
        {"UTF-8", KS_UCHAR_ENC_UTF8, x + "\xE2\x82\xAC\n", x + "\xE2\x82\xAC|"},
        {"surrogate pair", KS_UCHAR_ENC_UTF16LE, xs16 + utf16le("\xF0\x9F\x98\x80"),
         std::string(block / 2 - 1, 'x') + "\xF0\x9F\x98\x80"},
        // Three bytes of text a byte: the decoded text outgrows its buffer.
        {"Windows-1252", KS_UCHAR_ENC_WINDOWS1252, std::string(70000, '\x80') + "\x81", euros + "\xC2\x81"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        for (unsigned size : {7u, 100000u, 300000u}) {
            const ks_fio_handle h = openText(dir, c.bytes, c.encoding);
            EXPECT_EQ(readAll(h, size), c.lines) << size;
            EXPECT_EQ(ks_fio_text_close(h), 0);
        }
    }
}

TEST(FileText, InvalidBytesStopAPieceShortOfAFullBuffer) {
    ScratchDir dir;
    const ks_fio_handle h = openText(dir, "abcdefghij\xFFxyz\n", KS_UCHAR_ENC_UTF8);
    char buffer[8];
    int ended = 1;
    EXPECT_EQ(ks_fio_text_readline(h, buffer, sizeof buffer, &ended), 7);
    EXPECT_EQ(ks_fio_text_readline(h, buffer, sizeof buffer, &ended), 3);
    EXPECT_STREQ(buffer, "hij");
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(ks_fio_text_readline(h, buffer, sizeof buffer, &ended), -1);
    EXPECT_EQ(ks_fio_text_geterr(h), KS_FIO_ERR_ENCODING);
    EXPECT_EQ(ks_fio_text_close(h), 0);
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
    EXPECT_EQ(access((dir / "x").c_str(), F_OK), -1);
}

}  // namespace
