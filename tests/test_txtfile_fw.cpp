// QebTxtFileFW: marks, record positions (also beyond 2 GiB), bytes pushed
// back, appending, encodings and failures.
#include <qeb/qebtxtfile.h>

#include "test_support.h"

namespace {

class RecordFile : public PoolLeakCheck {
protected:
    void TearDown() override {
        file = QebTxtFileFW();  // its message goes before the pool is counted
        PoolLeakCheck::TearDown();
    }

    ScratchDir dir;
    const std::string path = dir / "records";
    QebTxtFileFW file;
    char buffer[32] = {};

    // What read(count) delivers.
    std::string read(unsigned count) {
        const int n = file.read(buffer, count);
        return n < 0 ? "failed" : std::string(buffer, size_t(n));
    }
};

TEST_F(RecordFile, MarksAreSkippedOnlyWhenExpected) {
    const struct { std::string bytes; int options; long long start; int encoding; } cases[] = {
        {"\xEF\xBB\xBF" "0123456789", qebTextByteOrderMark, 3, qebEncodingUtf8},
        {"\xEF\xBB\xBF" "0123456789", 0, 0, qebEncodingUtf8}, {"\xFF\xFE", qebTextMarkDecides, 2, qebEncodingUtf16LE},
        {std::string("\xFE\xFF\0a", 4), qebTextByteOrderMark, 2, qebEncodingUtf16BE},
        {"\xFF", qebTextByteOrderMark, 0, qebEncodingUtf8},  // half a mark is none
    };
    for (const auto &c : cases) {
        writeFile(path, c.bytes);
        ASSERT_TRUE(file.open(path.c_str(), QebTxtFileFW::Read, qebEncodingAuto, c.options));
        EXPECT_EQ(file.tell(), c.start);
        EXPECT_EQ(file.getencoding(), c.encoding);
        ASSERT_TRUE(file.recseek(0, 80));
        EXPECT_EQ(file.tell(), c.start);
        EXPECT_EQ(read(1), c.bytes.substr(size_t(c.start), 1));
    }
}

// Writing empties the file; with a mark wanted, a new file gets one and
// records start after it.
TEST_F(RecordFile, RecordsAreReadAndWrittenAsBytes) {
    writeFile(path, "stale contents");
    ASSERT_TRUE(file.open(path.c_str(), QebTxtFileFW::Write, qebEncodingUtf8, qebTextByteOrderMark));
    EXPECT_EQ(file.tell(), 3);
    ASSERT_TRUE(file.write("AAAA\0BBBBCCCC", 13));
    ASSERT_TRUE(file.recseek(1, 5));
    ASSERT_TRUE(file.write("\xFF\xFE", 2));
    ASSERT_TRUE(file.recseek(0, 5));
    EXPECT_EQ(read(32), std::string("AAAA\0\xFF\xFE" "BBCCCC", 13));
    EXPECT_EQ(file.tell(), 16);
    EXPECT_EQ(read(32), "");
    EXPECT_EQ(file.size(), 16);
    EXPECT_TRUE(file.close());
    EXPECT_EQ(file.tell(), 0);
    EXPECT_EQ(file.size(), 0);
    EXPECT_EQ(readFile(path), std::string("\xEF\xBB\xBF" "AAAA\0\xFF\xFE" "BBCCCC", 16));
}

TEST_F(RecordFile, AppendingStartsAtTheEndWithoutLookingForAMark) {
    writeFile(path, "\xEF\xBB\xBF" "12345");
    ASSERT_TRUE(file.open(path.c_str(), QebTxtFileFW::Append, qebEncodingAuto, qebTextByteOrderMark));
    EXPECT_EQ(file.tell(), 8);
    ASSERT_TRUE(file.write("67", 2));
    EXPECT_EQ(file.tell(), 10);
    ASSERT_TRUE(file.recseek(1, 2));  // record 1 counts from the start: no mark was looked for
    EXPECT_EQ(file.tell(), 2);
    ASSERT_TRUE(file.close());
    EXPECT_EQ(readFile(path), "\xEF\xBB\xBF" "1234567");
    ASSERT_TRUE(file.open((dir / "new").c_str(), QebTxtFileFW::Append));  // created
    EXPECT_EQ(file.tell(), 0);
}

TEST_F(RecordFile, PushedBackBytesComeFirstLastPushedFirst) {
    writeFile(path, "0123456789");
    ASSERT_TRUE(file.open(path.c_str(), QebTxtFileFW::Read));
    ASSERT_EQ(read(4), "0123");
    ASSERT_TRUE(file.unread("ab", 2));
    ASSERT_TRUE(file.unread("cd", 2));
    EXPECT_EQ(file.tell(), 0);
    EXPECT_EQ(read(0), "");
    EXPECT_EQ(read(3), "cda");
    EXPECT_EQ(file.tell(), 3);
    EXPECT_EQ(read(10), "b456789");  // the rest of them, then the file
    EXPECT_EQ(file.tell(), 10);
    // Pushed-back bytes stay across a record seek and still count before it.
    ASSERT_TRUE(file.unread("xy", 2));
    ASSERT_TRUE(file.recseek(1, 3));
    EXPECT_EQ(file.tell(), 1);
    EXPECT_EQ(read(3), "xy3");
    EXPECT_EQ(file.tell(), 4);
    EXPECT_TRUE(file.unread("", 0));
    EXPECT_FALSE(file.unread(nullptr, 2));
}

TEST_F(RecordFile, BytesPushedBackWhileClosedAreDroppedByOpen) {
    writeFile(path, "file");
    EXPECT_EQ(read(0), "failed");
    ASSERT_TRUE(file.unread("stale", 5));
    ASSERT_TRUE(file.open(path.c_str(), QebTxtFileFW::Read));
    EXPECT_EQ(read(8), "file");
    ASSERT_TRUE(file.unread("again", 5));
    ASSERT_TRUE(file.close());  // drops them too
    ASSERT_TRUE(file.open(path.c_str(), QebTxtFileFW::Read));
    EXPECT_EQ(read(8), "file");
}

TEST_F(RecordFile, RecordsBeyondTwoGiB) {
    ASSERT_TRUE(file.open(path.c_str(), QebTxtFileFW::Write));
    ASSERT_TRUE(file.recseek(3, 1 << 30));  // 3 GiB: a 32-bit product would wrap
    EXPECT_EQ(file.tell(), 3LL << 30);
    ASSERT_TRUE(file.write("z", 1));
    EXPECT_EQ(file.size(), (3LL << 30) + 1);
    EXPECT_FALSE(file.recseek(-1, 10));
    EXPECT_EQ(file.tell(), (3LL << 30) + 1);
}

TEST_F(RecordFile, EncodingsConvertRecords) {
    writeFile(path, "\xFF\xFE");
    char out[16];
    EXPECT_EQ(file.getencoding(), -1);
    EXPECT_EQ(file.encode(out, sizeof out, "abc"), 0);  // no encoding before any open
    ASSERT_TRUE(file.open(path.c_str(), QebTxtFileFW::Read, qebEncodingAuto, qebTextMarkDecides));
    EXPECT_EQ(file.decode(out, sizeof out, "\xC3\xA9z"), 4);
    EXPECT_EQ(std::string(out, 4), std::string("\xE9\0z\0", 4));
    const std::string utf16("\xE9\0z\0\0\0", 6);
    EXPECT_EQ(file.encode(out, sizeof out, utf16.c_str()), 3);
    EXPECT_STREQ(out, "\xC3\xA9z");
    ASSERT_TRUE(file.close());
    EXPECT_EQ(file.getencoding(), -1);
    EXPECT_EQ(file.encode(out, sizeof out, utf16.c_str()), 3);  // the last open's encoding stays
}

TEST_F(RecordFile, FailuresLeaveMessages) {
    EXPECT_FALSE(file.open(path.c_str(), QebTxtFileFW::Read));
    EXPECT_EQ(textOf(file.getErrorMessage()), "File input or output failed: No such file or directory");
    EXPECT_FALSE(file.open(path.c_str(), QebTxtFileFW::Write, 42, 0));
    EXPECT_EQ(textOf(file.getErrorMessage()),
              "File input or output failed: The text is not valid in its encoding, or the encoding is not supported");
    writeFile(path, "x");
    ASSERT_TRUE(file.open(path.c_str(), QebTxtFileFW::Read));
    EXPECT_FALSE(file.open(path.c_str(), static_cast<QebTxtFileFW::Mode>(-1), 0, 0));
    EXPECT_FALSE(file.write("x", 1));
    EXPECT_FALSE(file.recseek(0, 1));
    EXPECT_EQ(read(0), "failed");
    EXPECT_FALSE(file.open(dir.path().c_str(), QebTxtFileFW::Read));
    EXPECT_EQ(textOf(file.getErrorMessage()), "File input or output failed: Is a directory");
}

TEST_F(RecordFile, CopiesShareOneFile) {
    writeFile(path, "abcdef");
    ASSERT_TRUE(file.open(path.c_str(), QebTxtFileFW::Read));
    {
        QebTxtFileFW copy = file;
        ASSERT_EQ(copy.read(buffer, 2), 2);
        ASSERT_TRUE(copy.unread("Z", 1));
    }
    EXPECT_EQ(file.tell(), 1);
    EXPECT_EQ(read(2), "Zc");
}

}  // namespace
