// Record files: a file the input writes, opened in the mode, encoding and
// options it chooses, then read, pushed back, written and sought by records
// as the input says. A model of bytes (the file, its offset, a skipped
// byte-order mark and the stack of pushed-back blocks) must agree with every
// result, every byte delivered and tell().
#include "fuzz_support.h"

#include <qeb/qebtxtfile.h>

#include <climits>
#include <cstring>
#include <deque>

namespace {

const int kEncodings[] = {qebEncodingAuto,  qebEncodingUtf8,    qebEncodingLatin1, qebEncodingWindows1252,
                          qebEncodingUtf16, qebEncodingUtf16LE, qebEncodingUtf16BE};
const char *const kMarks[] = {"\xEF\xBB\xBF", "\xFE\xFF", "\xFF\xFE"};

// The mark a text open for writing puts in an empty file with
// qebTextByteOrderMark: that of the encoding, which Latin encodings lack.
std::string markWritten(int encoding) {
    switch (encoding) {
    case qebEncodingAuto:
    case qebEncodingUtf8: return kMarks[0];
    case qebEncodingUtf16:
    case qebEncodingUtf16LE: return kMarks[2];
    case qebEncodingUtf16BE: return kMarks[1];
    default: return "";
    }
}

struct Model {
    std::string file;
    long long offset = 0;
    long long markLength = 0;
    std::deque<std::string> pushedBack;  // the next to deliver first

    long long tell() const {
        long long pending = 0;
        for (const std::string &block : pushedBack) pending += (long long)block.size();
        return offset - pending;
    }

    std::string read(unsigned count) {
        std::string out;
        while (count > 0 && !pushedBack.empty()) {
            std::string &block = pushedBack.front();
            const size_t taken = std::min<size_t>(count, block.size());
            out += block.substr(0, taken);
            block.erase(0, taken);
            count -= unsigned(taken);
            if (block.empty()) pushedBack.pop_front();
        }
        if (offset < (long long)file.size()) {
            const size_t taken = std::min<size_t>(count, file.size() - size_t(offset));
            out += file.substr(size_t(offset), taken);
            offset += (long long)taken;
        }
        return out;
    }

    void write(const std::string &bytes) {
        if (bytes.empty()) return;
        if ((long long)file.size() < offset) file.resize(size_t(offset), '\0');
        file.replace(size_t(offset), std::min(bytes.size(), file.size() - size_t(offset)), bytes);
        offset += (long long)bytes.size();
    }
};

// Offsets up to which every file system seeks; writes happen only near the
// start, so that no large file is made.
const long long kLargestSure = 1LL << 40;
const long long kLargestWrite = 1 << 16;

enum Operation { kRead, kUnread, kWrite, kSeek, kOperations };

std::string describe(const Model &m) {
    return "file " + escaped(m.file) + " at " + std::to_string(m.offset) + " with " +
           std::to_string(m.pushedBack.size()) + " blocks pushed back";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    const auto mode = QebTxtFileFW::Mode(input.ConsumeIntegralInRange(0, 2));
    const int encoding = input.PickValueInArray(kEncodings);
    const int options = input.ConsumeIntegralInRange(0, 7);
    Model model;
    model.file = input.ConsumeRandomLengthString(256);
    const std::string path = writeScratchFile("records", model.file);

    QebTxtFileFW records;
    FUZZ_CHECK(records.getencoding() == -1 && records.open(path.c_str(), mode, encoding, options),
               "%s cannot be opened in mode %d", escaped(model.file).c_str(), int(mode));
    if (mode != QebTxtFileFW::Read && model.file.empty() && (options & qebTextByteOrderMark))
        model.file = markWritten(encoding);
    if (mode == QebTxtFileFW::Write) model.file = (options & qebTextByteOrderMark) ? markWritten(encoding) : "";
    const bool markExpected = (options & (qebTextByteOrderMark | qebTextMarkDecides)) != 0;
    if (mode == QebTxtFileFW::Append) {
        model.offset = (long long)model.file.size();
    } else if (markExpected) {
        for (const char *mark : kMarks)
            if (model.file.compare(0, std::strlen(mark), mark) == 0) model.markLength = (long long)std::strlen(mark);
        model.offset = model.markLength;
    }
    FUZZ_CHECK(records.tell() == model.offset && records.size() == (long long)model.file.size(),
               "%s opened: tell %lld, size %lld", describe(model).c_str(), records.tell(), records.size());

    while (input.remaining_bytes() > 0) {
        switch (Operation(input.ConsumeIntegralInRange(0, kOperations - 1))) {
        case kRead: {
            const unsigned count = input.ConsumeIntegralInRange(0u, 40u);
            std::vector<char> buffer(count + 1);
            const int n = records.read(buffer.data(), count);
            const std::string expected = model.read(count);
            FUZZ_CHECK(n == int(expected.size()) && std::string(buffer.data(), size_t(n)) == expected,
                       "reading %u gives %d bytes, not %s", count, n, escaped(expected).c_str());
            break;
        }
        case kUnread: {
            const std::string bytes = input.ConsumeRandomLengthString(8);
            FUZZ_CHECK(records.unread(bytes.data(), unsigned(bytes.size())), "unread failed");
            if (!bytes.empty()) model.pushedBack.push_front(bytes);
            break;
        }
        case kWrite: {
            const std::string bytes = input.ConsumeRandomLengthString(16);
            if (model.offset > kLargestWrite) break;
            const bool written = records.write(bytes.data(), int(bytes.size()));
            // Writing nothing to a file open for reading may succeed or not.
            FUZZ_CHECK(written == (mode != QebTxtFileFW::Read) || bytes.empty(), "writing %s in mode %d gives %d",
                       escaped(bytes).c_str(), int(mode), written);
            if (written) model.write(bytes);
            break;
        }
        case kSeek: {
            const int record =
                input.ConsumeBool() ? input.ConsumeIntegralInRange(-2, 20) : input.ConsumeIntegral<int>();
            const int length =
                input.ConsumeBool() ? input.ConsumeIntegralInRange(-1, 64) : input.ConsumeIntegral<int>();
            const long long offset = (long long)record * length + (markExpected ? model.markLength : 0);
            const bool sought = records.recseek(record, length);
            FUZZ_CHECK(sought == (offset >= 0) || offset > kLargestSure, "recseek(%d, %d) gives %d", record, length,
                       sought);
            if (sought) model.offset = offset;
            break;
        }
        case kOperations: break;
        }
        FUZZ_CHECK(records.tell() == model.tell() && records.size() == (long long)model.file.size(),
                   "%s: tell %lld, size %lld", describe(model).c_str(), records.tell(), records.size());
    }
    FUZZ_CHECK(records.close() && records.getencoding() == -1 && records.tell() == 0, "closing failed");
    return 0;
}
