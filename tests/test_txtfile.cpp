// QebTxtFile on real files: writing every encoding against an independent
// converter, marks and invalid bytes, appending, copies, failures and pipes;
// the system's devices in posix/ and windows/ test_file_os.cpp. Reading any bytes by
// the documented rules is fuzz_txtfile's.
#include <qeb/qebtxtfile.h>

#include "test_support.h"

#include <filesystem>

// The bytes of UTF-8 text in the encoding Python calls codec, by a converter
// independent of ours (posix/ and windows/ test_file_os.cpp).
std::string encodeLike(const std::string &text, const char *codec);
// Opens file for reading on a pipe that holds text and whose writer is gone.
bool openPipeHolding(QebTxtFile &file, const std::string &text);

namespace {

class TxtFile : public PoolLeakCheck {
protected:
    ScratchDir dir;
    const std::string path = dir / "file.txt";
};

struct Encoding {
    int id;
    const char *codec;   // Python's name for it
    const char *mark;    // its byte-order mark
    std::string text;    // lines it can hold, '\n' between them
};

const std::string kUnicodeLines =
    "plain ASCII\ncaf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80\n\nlast";
const std::string kLatin1Lines = "plain ASCII\ncaf\xC3\xA9 \xC2\xBD \xC3\xBF\n\nlast";
const std::string k1252Lines = "plain ASCII\ncaf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D\n\nlast";

const Encoding kEncodings[] = {
    {qebEncodingUtf8, "utf-8", "\xEF\xBB\xBF", kUnicodeLines},
    {qebEncodingUtf16LE, "utf-16-le", "\xFF\xFE", kUnicodeLines},
    {qebEncodingUtf16BE, "utf-16-be", "\xFE\xFF", kUnicodeLines},
    {qebEncodingUtf16, "utf-16-le", "\xFF\xFE", kUnicodeLines},  // this machine's order
    {qebEncodingLatin1, "latin-1", "", kLatin1Lines},
    {qebEncodingWindows1252, "cp1252", "", k1252Lines},
};

std::string replaceAll(std::string text, const std::string &from, const std::string &to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
    return text;
}

TEST_F(TxtFile, WritesEveryEncodingAsAnIndependentConverterDoes) {
    for (const Encoding &e : kEncodings) {
        for (int options : {0, 1, 4, 5}) {  // the mark and CR LF bits
            SCOPED_TRACE(std::string(e.codec) + " options " + std::to_string(options));
            QebTxtFile out;
            ASSERT_TRUE(out.open(path.c_str(), QebTxtFile::Write, e.id, options));
            size_t start = 0;
            for (size_t end; (end = e.text.find('\n', start)) != std::string::npos; start = end + 1)
                ASSERT_TRUE(out.writeln(e.text.substr(start, end - start).c_str()));
            ASSERT_TRUE(out.write(e.text.substr(start).c_str()));  // the last line stays open
            EXPECT_EQ(out.tell(), QebString(replaceAll(e.text, "\n", "").c_str()).length());
            ASSERT_TRUE(out.close());

            const std::string lineEnd = options & qebTextCrLf ? "\r\n" : "\n";
            const std::string mark = options & qebTextByteOrderMark ? e.mark : "";
            EXPECT_EQ(readFile(path), mark + encodeLike(replaceAll(e.text, "\n", lineEnd), e.codec));

            QebTxtFile in;
            ASSERT_TRUE(in.open(path.c_str(), QebTxtFile::Read, e.id, qebTextByteOrderMark));
            EXPECT_EQ(in.getencoding(), e.id);
            char back[256];
            EXPECT_GT(in.read(back, sizeof back), 0);
            EXPECT_EQ(back, e.text);
        }
    }
}

// A mark is text unless asked for; reading stops before bytes not valid in
// the encoding. fuzz_txtfile reads any bytes by these rules.
TEST_F(TxtFile, MarksAndInvalidBytes) {
    const std::string utf8Mark = "\xEF\xBB\xBFx\n";
    const struct { int encoding, options; std::string bytes, text; int reported, end; } cases[] = {
        {qebEncodingUtf8, 0, utf8Mark, "\xEF\xBB\xBFx\n", qebEncodingUtf8, 0},  // U+FEFF is text here
        {qebEncodingUtf8, qebTextByteOrderMark, utf8Mark, "x\n", qebEncodingUtf8, 0},
        {qebEncodingAuto, 0, utf8Mark, "x\n", qebEncodingUtf8, 0},
        {qebEncodingLatin1, qebTextByteOrderMark, utf8Mark, "\xC3\xAF\xC2\xBB\xC2\xBFx\n", qebEncodingLatin1, 0},
        {qebEncodingLatin1, qebTextMarkDecides, utf8Mark, "x\n", qebEncodingUtf8, 0},  // over a wrong encoding
        {qebEncodingAuto, 0, "\xFF\xFE", "", qebEncodingUtf16LE, 0},                    // a mark alone
        {qebEncodingUtf8, 0, "ok\r\nbad \xC3", "ok\nbad ", qebEncodingUtf8, -1},  // a lead byte at the end
        {qebEncodingUtf8, 0, "ok\xED\xA0\x80", "ok", qebEncodingUtf8, -1},  // a surrogate
        {qebEncodingUtf8, 0, "cut \xE2\x82", "cut ", qebEncodingUtf8, -1},   // the file ends inside a character
        {qebEncodingUtf16LE, 0, std::string("o\0k\0\n\0\x00\xDC", 8), "ok\n", qebEncodingUtf16LE, -1},  // a lone trail
        {qebEncodingUtf16BE, 0, std::string("\0o\xD8\x3D", 4), "o", qebEncodingUtf16BE, -1},  // a lead at the end
        {qebEncodingUtf16LE, 0, std::string("o\0k", 3), "o", qebEncodingUtf16LE, -1},         // an odd byte at the end
    };
    for (const auto &c : cases) {
        writeFile(path, c.bytes);
        QebTxtFile file;
        ASSERT_TRUE(file.open(path.c_str(), QebTxtFile::Read, c.encoding, c.options));
        EXPECT_EQ(file.getencoding(), c.reported);
        char buffer[16] = "";
        file.read(buffer, sizeof buffer);
        EXPECT_EQ(buffer, c.text);
        EXPECT_EQ(file.read(buffer, sizeof buffer), c.end) << c.text;
    }
}

// fuzz_txtfile reads with buffers that hold any character; here one that
// holds none fails, and loses nothing.
TEST_F(TxtFile, ABufferTooSmallForACharacterFails) {
    writeFile(path, "\n\xE2\x82\xAC\n");
    QebTxtFile file;
    ASSERT_TRUE(file.open(path.c_str(), QebTxtFile::Read));
    char buffer[4];
    bool complete = false;
    EXPECT_EQ(file.readln(buffer, 1, &complete), 0);  // an empty line needs room for the NUL only
    EXPECT_TRUE(complete);
    EXPECT_EQ(file.readln(buffer, 3, &complete), -1);
    EXPECT_FALSE(complete);
    EXPECT_EQ(textOf(file.getErrorMessage()), "The buffer is too small to hold a single character of the file's text.");
    EXPECT_EQ(file.readln(buffer, 4, &complete), 1);
    EXPECT_STREQ(buffer, "\xE2\x82\xAC");
}

TEST_F(TxtFile, AppendsInTheFilesEncodingAndWritesOnlyWhatItHolds) {
    QebTxtFile file;
    ASSERT_TRUE(file.open(path.c_str(), QebTxtFile::Append, qebEncodingUtf16BE, qebTextByteOrderMark));
    ASSERT_TRUE(file.writeln("a"));
    ASSERT_TRUE(file.close());
    // Appending with the automatic encoding follows the file's mark.
    ASSERT_TRUE(file.open(path.c_str(), QebTxtFile::Append, qebEncodingAuto, qebTextByteOrderMark));
    EXPECT_EQ(file.getencoding(), qebEncodingUtf16BE);
    EXPECT_EQ(file.tell(), 0);
    ASSERT_TRUE(file.writeln("\xC3\xA9"));
    ASSERT_TRUE(file.close());
    EXPECT_EQ(readFile(path), std::string("\xFE\xFF\0a\0\n\0\xE9\0\n", 10));

    ASSERT_TRUE(file.open(path.c_str(), QebTxtFile::Write, qebEncodingLatin1, 0));
    EXPECT_TRUE(file.write("caf\xC3\xA9 "));
    EXPECT_FALSE(file.write("5 \xE2\x82\xAC"));  // no euro sign in Latin-1: nothing of it is written
    EXPECT_FALSE(file.writeln("bad \xC3("));
    EXPECT_FALSE(file.write(nullptr));
    EXPECT_EQ(file.tell(), 5);
    ASSERT_TRUE(file.close());
    EXPECT_EQ(readFile(path), "caf\xE9 ");
    EXPECT_FALSE(file.write("closed"));
}

TEST_F(TxtFile, FailuresLeaveMessages) {
    QebTxtFile file;
    const std::string missing = dir / "missing.txt";
    EXPECT_FALSE(file.open(missing.c_str(), QebTxtFile::Read));
    EXPECT_EQ(textOf(file.getErrorMessage()), "Cannot open the file \"" + missing + "\": No such file or directory");
    // A directory opens, but cannot be read.
    EXPECT_FALSE(file.open(dir.path().c_str(), QebTxtFile::Read));
    EXPECT_EQ(textOf(file.getErrorMessage()), "Cannot open the file \"" + dir.path() + "\": Is a directory");
    EXPECT_FALSE(file.open(missing.c_str(), QebTxtFile::Write, 7, 0));
    const std::string badEncoding = "The file's text is not valid in its encoding, or the encoding is not supported.";
    EXPECT_EQ(textOf(file.getErrorMessage()), badEncoding);
    // A later success keeps the message; a bad mode closes and sets none.
    writeFile(path, "x");
    ASSERT_TRUE(file.open(path.c_str(), QebTxtFile::Read));
    EXPECT_FALSE(file.open(path.c_str(), static_cast<QebTxtFile::Mode>(3), 0, 0));
    EXPECT_EQ(file.getencoding(), -1);
    EXPECT_EQ(file.read(nullptr, 0), -1);
    EXPECT_EQ(file.tell(), 0);
    EXPECT_EQ(file.size(), 0);
    EXPECT_TRUE(file.close());
    EXPECT_EQ(textOf(file.getErrorMessage()), badEncoding);
}

// Copies share one file and position; the file reads on when its path is
// removed, but has no size then (Windows may keep the name until the file
// closes). fuzz_txtfile checks every read, skip and
// position against a model.
TEST_F(TxtFile, CopiesShareOneFileAndPosition) {
    writeFile(path, "one\ntwo\nthree\n");
    QebTxtFile first;
    ASSERT_TRUE(first.open(path.c_str(), QebTxtFile::Read));
    char buffer[16];
    ASSERT_EQ(first.readln(buffer, sizeof buffer), 3);
    {
        QebTxtFile copy(first);
        EXPECT_EQ(copy.skip(5), 5);  // "two", its line end and "t"
        EXPECT_EQ(copy.skipline(), 4);
        QebTxtFile assigned;
        assigned = copy;
        EXPECT_EQ(assigned.tell(), 12);
    }
    EXPECT_EQ(first.size(), 14);
    ASSERT_TRUE(std::filesystem::remove(path));
    EXPECT_TRUE(first.size() == 0 || (kOnWindows && first.size() == 14)) << first.size();
    EXPECT_EQ(first.readln(buffer, sizeof buffer), -2);
    EXPECT_EQ(first.rewind(), 0);  // still open after the copies went
    EXPECT_EQ(first.read(buffer, sizeof buffer), 14);
    first = first;
    EXPECT_EQ(first.tell(), 14);
}

TEST_F(TxtFile, APipeReadsButCannotRewind) {
    QebTxtFile file;
    ASSERT_TRUE(openPipeHolding(file, "one\ntwo"));
    char buffer[8];
    EXPECT_EQ(file.readln(buffer, sizeof buffer), 3);
    EXPECT_EQ(file.rewind(), -1);  // a failure, not a position of 0
    EXPECT_EQ(file.tell(), 3);
    EXPECT_EQ(file.readln(buffer, sizeof buffer), 3);
    EXPECT_STREQ(buffer, "two");
}

}  // namespace
