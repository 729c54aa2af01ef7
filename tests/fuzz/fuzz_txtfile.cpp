// Text-file decoding: the input's first bytes choose the encoding, the
// options, a buffer size and a padding that puts the text across the
// reader's block boundary; the rest becomes the file. A model decodes the
// file by the documented rules (byte-order marks, line ends as '\n', reading
// stops at the first bytes not valid in the encoding), and the file is read
// three times from the start: by read alone, by readln alone, and by a mix
// of read, readln, skip and skipline from the input. Each result, the
// position and the end (0, -2, or -1 where bytes are not valid) must agree
// with the model.
#include "fuzz_support.h"

#include <qeb/qebtxtfile.h>

#include <cstring>

namespace {

const int kEncodings[] = {qebEncodingAuto,  qebEncodingUtf8,    qebEncodingLatin1,  qebEncodingWindows1252,
                          qebEncodingUtf16, qebEncodingUtf16LE, qebEncodingUtf16BE, 4 /* none */};
// Bytes the reader takes from the file at a time.
const size_t kBlockSize = 64 * 1024;
// Characters of a padding read in pieces before the text.
const size_t kPaddingRead = 100;
// Every character fits a buffer this large with its NUL.
const unsigned kSmallestBuffer = 5;

// Code points of Windows-1252's bytes 0x80 to 0x9F; the five it leaves
// undefined stand for the C1 controls of the same value.
const long kWindows1252[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                               0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                               0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

struct Mark {
    int encoding;
    const char *bytes;
};
const Mark kMarks[] = {
    {qebEncodingUtf8, "\xEF\xBB\xBF"}, {qebEncodingUtf16LE, "\xFF\xFE"}, {qebEncodingUtf16BE, "\xFE\xFF"}};

// What reading the file must give: its text (line ends as '\n') with the
// byte offset of each character and of the end, whether bytes not valid in
// the encoding follow it, and the encoding.
struct Expected {
    std::string text;
    std::vector<size_t> starts;
    bool invalid = false;
    int encoding = 0;

    size_t characters() const { return starts.size() - 1; }
    size_t bytes(size_t character) const { return starts[character + 1] - starts[character]; }
    bool isLineEnd(size_t character) const { return text[starts[character]] == '\n'; }
};

std::vector<long> decode(const std::string &bytes, int encoding, bool *invalid) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const size_t n = bytes.size();
    std::vector<long> points;
    points.reserve(n);
    *invalid = false;
    if (encoding == qebEncodingUtf16LE || encoding == qebEncodingUtf16BE) {
        const bool little = encoding == qebEncodingUtf16LE;
        auto unit = [&](size_t i) { return long(little ? p[i] | p[i + 1] << 8 : p[i] << 8 | p[i + 1]); };
        size_t i = 0;
        for (; i + 1 < n; i += 2) {
            const long u = unit(i);
            if (u >= 0xD800 && u <= 0xDBFF && i + 3 < n && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
                points.push_back(0x10000 + ((u - 0xD800) << 10) + (unit(i + 2) - 0xDC00));
                i += 2;
            } else if (u >= 0xD800 && u <= 0xDFFF) {
                break;
            } else {
                points.push_back(u);
            }
        }
        *invalid = i < n;
        return points;
    }
    for (size_t i = 0; i < n;) {
        if (encoding != qebEncodingUtf8) {
            const bool upper = encoding == qebEncodingWindows1252 && p[i] >= 0x80 && p[i] < 0xA0;
            points.push_back(upper ? kWindows1252[p[i] - 0x80] : p[i]);
            ++i;
            continue;
        }
        const Utf8Character c = utf8CharacterAt(p + i, n - i);
        if (c.codePoint < 0) {
            *invalid = true;
            break;
        }
        points.push_back(c.codePoint);
        i += c.bytes;
    }
    return points;
}

Expected expectedReading(const std::string &file, int encoding, int options) {
    Expected e;
    const Mark *mark = nullptr;
    for (const Mark &m : kMarks)
        if (file.compare(0, std::strlen(m.bytes), m.bytes) == 0) mark = &m;
    const int codec = encoding == qebEncodingUtf16 ? qebEncodingUtf16LE : encoding;
    size_t skipped = 0;
    if (mark && (encoding == qebEncodingAuto || (options & qebTextMarkDecides))) {
        e.encoding = mark->encoding;
        skipped = std::strlen(mark->bytes);
    } else {
        e.encoding = encoding == qebEncodingAuto ? qebEncodingUtf8 : encoding;
        if (mark && (options & qebTextByteOrderMark) && mark->encoding == codec) skipped = std::strlen(mark->bytes);
    }
    const int decoding = e.encoding == qebEncodingUtf16 ? qebEncodingUtf16LE : e.encoding;
    const std::vector<long> points = decode(file.substr(skipped), decoding, &e.invalid);
    e.starts.reserve(points.size() + 1);
    for (size_t i = 0; i < points.size(); ++i) {
        const bool lineEnd = points[i] == '\r' || points[i] == '\n';
        if (points[i] == '\r' && i + 1 < points.size() && points[i + 1] == '\n') ++i;
        e.starts.push_back(e.text.size());
        e.text += lineEnd ? "\n" : utf8Of(points[i]);
    }
    e.starts.push_back(e.text.size());
    return e;
}

// The bytes of the first n characters of valid UTF-8 (a NUL among them).
size_t bytesOfCharacters(const char *text, int n) {
    size_t bytes = 0;
    for (; n > 0; --n) bytes += utf8CharacterAt(reinterpret_cast<const unsigned char *>(text) + bytes, 4).bytes;
    return bytes;
}

enum Operation { kRead, kReadLine, kSkip, kSkipLine, kOperations };

// Reads the file and the model side by side.
class Reader {
public:
    Reader(QebTxtFile &file, const Expected &expected) : mFile(file), mExpected(expected) {}

    // Applies an operation; false once the file has nothing more to give.
    bool apply(Operation operation, unsigned size, int count) {
        const size_t end = mExpected.characters();
        // At the end of the text: the end of the file, or the bytes that
        // are not valid.
        const int atEnd = mPosition == end && mExpected.invalid        ? -1
                          : operation == kReadLine && mPosition == end ? -2
                                                                       : 0;
        std::vector<char> buffer(size + 1, '\x7F');
        bool complete = false;
        size_t taken = mPosition;
        const int n = operation == kRead       ? mFile.read(buffer.data(), size)
                      : operation == kReadLine ? mFile.readln(buffer.data(), size, &complete)
                      : operation == kSkip     ? mFile.skip(count)
                                               : mFile.skipline();
        bool expectedComplete = false;
        if (operation == kSkip) {
            taken = count <= 0 ? mPosition : std::min(end, mPosition + size_t(count));
        } else {
            const bool acrossLines = operation == kRead;
            const size_t room = operation == kSkipLine ? SIZE_MAX : size - 1;
            for (size_t bytes = 0;
                 taken < end && (acrossLines || !mExpected.isLineEnd(taken)) && bytes + mExpected.bytes(taken) <= room;)
                bytes += mExpected.bytes(taken++);
            expectedComplete = !acrossLines && taken < end && mExpected.isLineEnd(taken);
        }
        const std::string expected =
            mExpected.text.substr(mExpected.starts[mPosition], mExpected.starts[taken] - mExpected.starts[mPosition]);
        const int expectedCount = int(taken - mPosition);
        const bool ending = expectedCount == 0 && !expectedComplete && (operation != kSkip || count > 0);
        const int expectedResult = ending ? atEnd : expectedCount;
        FUZZ_CHECK(n == expectedResult, "operation %d (size %u, count %d) at character %zu of %zu gives %d, not %d",
                   operation, size, count, mPosition, end, n, expectedResult);
        if (operation == kRead || operation == kReadLine) {
            const size_t bytes = n > 0 ? bytesOfCharacters(buffer.data(), n) : 0;
            FUZZ_CHECK(n < 0 || (std::string(buffer.data(), bytes) == expected && buffer[bytes] == '\0'),
                       "operation %d at character %zu delivers %s, not %s", operation, mPosition,
                       escaped(std::string(buffer.data(), bytes)).c_str(), escaped(expected).c_str());
            FUZZ_CHECK(complete == expectedComplete, "readln at character %zu: complete %d", mPosition, complete);
        }
        if (n >= 0) mCounted += n;
        FUZZ_CHECK(mFile.tell() == mCounted, "tell() %lld, not %lld", mFile.tell(), mCounted);
        mPosition = taken + (expectedComplete ? 1 : 0);
        return !ending;
    }

private:
    QebTxtFile &mFile;
    const Expected &mExpected;
    size_t mPosition = 0;
    long long mCounted = 0;
};

void rewind(QebTxtFile &file) { FUZZ_CHECK(file.rewind() == 0 && file.tell() == 0, "rewind failed"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int encoding = input.PickValueInArray(kEncodings);
    const int options = input.ConsumeIntegralInRange(0, 7);
    const unsigned bufferSize = input.ConsumeIntegralInRange(kSmallestBuffer, 70u);
    const bool padded = input.ConsumeIntegralInRange(0, 31) == 0;
    const size_t misalignment = input.ConsumeIntegralInRange<size_t>(0, 7);
    std::string file = input.ConsumeRandomLengthString(2048);
    // The passes skip most of a padding and read the rest in small pieces.
    size_t skipped = 0;
    if (padded) {
        const bool wide = encoding >= qebEncodingUtf16;
        const std::string unit = !wide                            ? "x"
                                 : encoding == qebEncodingUtf16BE ? std::string("\0x", 2)
                                                                  : std::string("x\0", 2);
        std::string padding;
        while (padding.size() + unit.size() + misalignment <= kBlockSize) padding += unit;
        file = padding + file;
        skipped = padding.size() / unit.size() - kPaddingRead;
    }
    const std::string path = writeScratchFile("text", file);

    QebTxtFile text;
    if (!text.open(path.c_str(), QebTxtFile::Read, encoding, options)) {
        FUZZ_CHECK(encoding == 4 && !text.getErrorMessage().isNull(), "%s cannot be opened in encoding %d",
                   escaped(file).c_str(), encoding);
        return 0;
    }
    const Expected expected = expectedReading(file, encoding, options);
    FUZZ_CHECK(text.getencoding() == expected.encoding && text.size() == (long long)file.size(),
               "encoding %d and size %lld", text.getencoding(), text.size());
    for (Operation only : {kRead, kReadLine}) {
        Reader reader(text, expected);
        reader.apply(kSkip, kSmallestBuffer, int(skipped));
        while (reader.apply(only, bufferSize, 0)) {
        }
        rewind(text);
    }
    Reader mixed(text, expected);
    while (input.remaining_bytes() > 0) {
        const Operation operation = Operation(input.ConsumeIntegralInRange(0, kOperations - 1));
        mixed.apply(operation, input.ConsumeIntegralInRange(kSmallestBuffer, 40u),
                    input.ConsumeIntegralInRange(-1, 12));
    }
    return 0;
}
