// QebTxtFileFW where fuzz_recfile's byte model does not reach: the encoding
// a mark gives, bytes pushed back while closed, record encodings, failures
// and copies.
#include <qeb/qebtxtfile.h>

#include "test_support.h"

#include <climits>

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
    }
}

// fuzz_recfile checks every result against a model of bytes; here each
// operation once. Records start after the mark written, unless appending.
TEST_F(RecordFile, RecordsAreWrittenSoughtAndPushedBack) {
    ASSERT_TRUE(file.open(path.c_str(), QebTxtFileFW::Write, qebEncodingUtf8, qebTextByteOrderMark));
    ASSERT_TRUE(file.write("AAAABBBB", 8));
    ASSERT_TRUE(file.unread("xy", 2));
    ASSERT_TRUE(file.unread("", 0));
    ASSERT_TRUE(file.recseek(1, 4));
    EXPECT_EQ(file.tell(), 5);  // the bytes pushed back still come first
    EXPECT_EQ(read(0), "");
    EXPECT_EQ(read(1), "x");
    EXPECT_EQ(read(8), "yBBBB");
    EXPECT_FALSE(file.recseek(-1, 10));
    EXPECT_EQ(file.size(), 11);
    ASSERT_TRUE(file.open(path.c_str(), QebTxtFileFW::Append));
    EXPECT_EQ(file.tell(), 11);
    ASSERT_TRUE(file.recseek(1, 4));
    EXPECT_EQ(file.tell(), 4);
    EXPECT_EQ(readFile(path), "\xEF\xBB\xBF" "AAAABBBB");
    EXPECT_TRUE(file.open((dir / "new").c_str(), QebTxtFileFW::Append));  // made when missing
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
    // A count beyond an int's range takes what there is; Windows refuses a
    // count larger than the buffer, whatever the file holds.
    EXPECT_EQ(read(UINT_MAX), kOnWindows ? "failed" : "file");
    EXPECT_FALSE(file.unread(nullptr, 2));
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
