// QebString editing driven by operation codes: every operation of the
// search-and-editing family and the assignments and appends, with positions
// small, negative and huge, operands owned, borrowed, null or the string's
// own text. Each result is checked against a model on bytes, every string's
// length() against its characters counted here, and a copy taken before each
// edit must keep its text.
#include "fuzz_support.h"

#include <climits>
#include <cstring>

namespace {

// A string as the model sees it.
struct Text {
    bool null = true;
    std::string bytes;
};

Text textOf(const QebString &s) { return {s.isNull(), bytesOf(s)}; }
Text nonNull(const std::string &bytes) { return {false, bytes}; }

std::string describe(const Text &t) { return t.null ? "null" : escaped(t.bytes); }

void checkSame(const QebString &s, const Text &expected, const char *operation) {
    checkCounts(s, operation);
    const Text actual = textOf(s);
    FUZZ_CHECK(actual.null == expected.null && actual.bytes == expected.bytes, "%s gives %s, not %s", operation,
               describe(actual).c_str(), describe(expected).c_str());
}

// Byte offsets of the characters, with the text's size after the last.
std::vector<size_t> characterStarts(const std::string &bytes) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    std::vector<size_t> starts;
    for (size_t at = 0; at < bytes.size(); at += utf8CharacterAt(p + at, bytes.size() - at).bytes) starts.push_back(at);
    starts.push_back(bytes.size());
    return starts;
}

// Characters that start before byte offset `before`, from character `from`.
int charactersBefore(const std::vector<size_t> &starts, size_t from, size_t before) {
    int n = 0;
    for (size_t i = from; i + 1 < starts.size() && starts[i] < before; ++i) ++n;
    return n;
}

int modelFind(const Text &t, const Text &needle, int start) {
    if (t.null || needle.bytes.empty()) return -1;
    const std::vector<size_t> starts = characterStarts(t.bytes);
    if (start < 0) start = 0;
    if (size_t(start) >= starts.size()) return -1;
    const size_t match = t.bytes.find(needle.bytes, starts[size_t(start)]);
    return match == std::string::npos ? -1 : start + charactersBefore(starts, size_t(start), match);
}

int modelRfind(const Text &t, const Text &needle) {
    if (t.null || needle.bytes.empty()) return -1;
    const auto *p = reinterpret_cast<const unsigned char *>(t.bytes.data());
    size_t last = std::string::npos;
    for (size_t match = t.bytes.find(needle.bytes); match != std::string::npos;) {
        last = match;
        match = t.bytes.find(needle.bytes, match + utf8CharacterAt(p + match, t.bytes.size() - match).bytes);
    }
    return last == std::string::npos ? -1 : charactersBefore(characterStarts(t.bytes), 0, last);
}

// Up to count characters (all when negative) from character start.
Text modelMid(const Text &t, unsigned long long start, long long count) {
    if (t.null) return t;
    const std::vector<size_t> starts = characterStarts(t.bytes);
    const size_t length = starts.size() - 1;
    if (start > length) return nonNull("");
    const size_t end = count < 0 || start + (unsigned long long)count > length ? length : size_t(start + count);
    return nonNull(t.bytes.substr(starts[start], starts[end] - starts[start]));
}

Text modelReplace(const Text &t, const Text &from, const Text &to, unsigned start, int count) {
    if (t.null) return t;
    const std::vector<size_t> starts = characterStarts(t.bytes);
    if (start >= starts.size()) return t;
    size_t cursor = starts[start];
    std::string result = t.bytes.substr(0, cursor);
    for (size_t match;
         count != 0 && !from.bytes.empty() && (match = t.bytes.find(from.bytes, cursor)) != std::string::npos;) {
        result += t.bytes.substr(cursor, match - cursor) + to.bytes;
        cursor = match + from.bytes.size();
        if (count > 0) --count;
    }
    return nonNull(result + t.bytes.substr(cursor));
}

// Trims the characters `trimmed` accepts from the chosen ends: the count.
template <class Trimmed>
int modelTrim(Text &t, bool left, bool right, Trimmed trimmed) {
    if (t.null || !(left || right)) return 0;
    std::vector<std::string> characters = utf8Characters(t.bytes);
    size_t leading = 0, trailing = 0;
    while (left && leading < characters.size() && trimmed(characters[leading])) ++leading;
    while (right && leading + trailing < characters.size() && trimmed(characters[characters.size() - 1 - trailing]))
        ++trailing;
    t.bytes = joined({characters.begin() + long(leading), characters.end() - long(trailing)});
    return int(leading + trailing);
}

long codePointOf(const std::string &character) {
    return utf8CharacterAt(reinterpret_cast<const unsigned char *>(character.data()), character.size()).codePoint;
}

bool isAscii(const std::string &bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
}

std::string mapAscii(std::string bytes, int (*map)(int)) {
    for (char &c : bytes) c = char(map(c));
    return bytes;
}

template <class Number>
std::string printed(const char *format, Number n) {
    char text[64];
    std::snprintf(text, sizeof text, format, n);
    return text;
}

int sign(int n) { return (n > 0) - (n < 0); }

// Appending a string to itself doubles it: a session stops at this size.
const size_t kMaxBytes = 1024;

enum Operation {
    kFind,
    kRfind,
    kMid,
    kRight,
    kReplace,
    kTrim,
    kTrimChar,
    kLowercase,
    kUppercase,
    kTruncate,
    kAppendString,
    kAppendChars,
    kAppendText,
    kAssign,
    kAssignChars,
    kAssignBytes,
    kAssignNumber,
    kCompare,
    kSetNull,
    kShare,
    kOperations
};

class Session {
public:
    explicit Session(FuzzedDataProvider &input)
        : mInput(input),
          mInitial(input.ConsumeRandomLengthString(100).c_str()),
          mOperand(input.ConsumeRandomLengthString(20).c_str()) {
        mString = QebString(mInitial.c_str(), mInput.ConsumeBool());
        mModel = nonNull(mInitial);
    }

    void run() {
        while (mInput.remaining_bytes() > 0 && mModel.bytes.size() <= kMaxBytes) {
            const QebString copy = mString;
            const Text before = mModel;
            const int operation = mInput.ConsumeIntegralInRange(0, kOperations - 1);
            apply(Operation(operation));
            checkSame(mString, mModel, name(operation).c_str());
            checkSame(copy, before, ("a copy taken before " + name(operation)).c_str());
        }
    }

private:
    static std::string name(int operation) { return "operation " + std::to_string(operation); }

    // Positions and counts: small ones, the limits of int, and anything.
    int position() {
        switch (mInput.ConsumeIntegralInRange(0, 3)) {
        case 0: return mInput.ConsumeIntegralInRange(-2, 12);
        case 1: return mInput.PickValueInArray({INT_MIN, INT_MIN + 1, -1, INT_MAX - 1, INT_MAX});
        default: return mInput.ConsumeIntegral<int>();
        }
    }

    // An operand string: the input's own text owned or borrowed, a null
    // string, or one sharing the edited string's text.
    QebString operand() {
        switch (mInput.ConsumeIntegralInRange(0, 3)) {
        case 0: return QebString(mOperand.c_str());
        case 1: return QebString(mOperand.c_str(), true);
        case 2: return QebString();
        default: return mString;
        }
    }

    // An operand text: the input's, or a part of the edited string's own
    // (which the model copies before the string changes).
    const char *operandText() {
        if (mInput.ConsumeBool()) return mOperand.c_str();
        return mString.asCstr() + mInput.ConsumeIntegralInRange<unsigned>(0, mString.cStrSize() - 1);
    }

    void checkNew(const QebString &result, const Text &expected, const char *what) {
        checkSame(result, expected, what);
        if (mInput.ConsumeBool()) {
            mString = result;
            mModel = expected;
        }
    }

    void apply(Operation operation) {
        switch (operation) {
        case kFind: {
            const QebString needle = operand();
            const int start = position();
            const int found = mString.find(needle, start);
            FUZZ_CHECK(found == modelFind(mModel, textOf(needle), start), "find of %s in %s from %d gives %d",
                       describe(textOf(needle)).c_str(), describe(mModel).c_str(), start, found);
            break;
        }
        case kRfind: {
            const QebString needle = operand();
            const int found = mString.rfind(needle);
            FUZZ_CHECK(found == modelRfind(mModel, textOf(needle)), "rfind of %s in %s gives %d",
                       describe(textOf(needle)).c_str(), describe(mModel).c_str(), found);
            break;
        }
        case kMid: {
            const unsigned start = unsigned(position());
            const int count = position();
            checkNew(mString.mid(start, count), modelMid(mModel, start, count), "mid");
            break;
        }
        case kRight: {
            const int n = position();
            const long long length = (long long)utf8Length(mModel.bytes);
            const long long start = std::min(std::max(length - n, 0LL), length);
            checkNew(mString.right(n), modelMid(mModel, (unsigned long long)start, -1), "right");
            break;
        }
        case kReplace: {
            const QebString from = operand(), to = operand();
            const unsigned start = unsigned(position());
            const int count = position();
            checkNew(mString.replace(from, to, start, count),
                     modelReplace(mModel, textOf(from), textOf(to), start, count), "replace");
            break;
        }
        case kTrim: {
            const bool left = mInput.ConsumeBool(), right = mInput.ConsumeBool();
            const int removed = mString.trim(left, right);
            FUZZ_CHECK(removed == modelTrim(mModel, left, right, isSpaceCharacter), "trim removes %d", removed);
            break;
        }
        case kTrimChar: {
            const bool left = mInput.ConsumeBool(), right = mInput.ConsumeBool();
            const std::vector<std::string> characters = utf8Characters(mModel.bytes);
            const int ch =
                characters.empty() || mInput.ConsumeBool()
                    ? position()
                    : int(codePointOf(characters[mInput.ConsumeIntegralInRange<size_t>(0, characters.size() - 1)]));
            const int removed = mString.trimChar(ch, left, right);
            const int expected =
                modelTrim(mModel, left, right, [ch](const std::string &c) { return codePointOf(c) == ch; });
            FUZZ_CHECK(removed == expected, "trimChar(%d) removes %d, not %d", ch, removed, expected);
            break;
        }
        case kLowercase:
        case kUppercase: {
            const bool lower = operation == kLowercase;
            FUZZ_CHECK(lower ? mString.lowercase() : mString.uppercase(), "case mapping failed");
            if (isAscii(mModel.bytes))
                mModel.bytes = mapAscii(mModel.bytes, lower ? ::tolower : ::toupper);
            else
                mModel = textOf(mString);  // the counts are still checked
            break;
        }
        case kTruncate: {
            const unsigned n = unsigned(position());
            mString.truncate(n);
            mModel = modelMid(mModel, 0, n);
            break;
        }
        case kAppendString: {
            const QebString other = operand();
            bool failed = true;
            mString.append(other, &failed);
            FUZZ_CHECK(!failed, "append failed");
            if (mModel.null)
                mModel = textOf(other);
            else if (!other.isNull())
                mModel.bytes += bytesOf(other);
            break;
        }
        case kAppendChars: {
            const char *text = operandText();
            const int chars = position();
            if (mModel.null || chars != 0) mModel = nonNull(mModel.bytes + modelMid(nonNull(text), 0, chars).bytes);
            mString.append(text, chars);
            break;
        }
        case kAppendText: {
            const char *text = operandText();
            mModel = nonNull(mModel.bytes + text);
            bool failed = true;
            mString.append(text, &failed);
            FUZZ_CHECK(!failed, "append failed");
            break;
        }
        case kAssign: {
            const char *text = operandText();
            mModel = nonNull(text);
            mString.assign(text);
            break;
        }
        case kAssignChars: {
            const char *text = operandText();
            const int chars = position();
            mModel = modelMid(nonNull(text), 0, chars);
            mString.assign(text, chars);
            break;
        }
        case kAssignBytes: {
            const char *text = operandText();
            const int maxBytes = position();
            std::string kept;
            for (const std::string &c : utf8Characters(text)) {
                if (codePointOf(c) < 0 || (long long)(kept.size() + c.size()) > maxBytes) break;
                kept += c;
            }
            mModel = nonNull(kept);
            mString.assignBytes(text, maxBytes);
            break;
        }
        case kAssignNumber: assignNumber(); break;
        case kCompare: {
            const QebString other = operand();
            const Text o = textOf(other);
            const int expected = mModel.null ? (o.null ? 0 : -1) : o.null ? 1 : sign(mModel.bytes.compare(o.bytes));
            FUZZ_CHECK(mString.compare(other) == expected, "comparing %s with %s gives %d", describe(mModel).c_str(),
                       describe(o).c_str(), mString.compare(other));
            FUZZ_CHECK(sign(mString.compare(other, false)) == -sign(other.compare(mString, false)),
                       "comparing %s with %s without case is not antisymmetric", describe(mModel).c_str(),
                       describe(o).c_str());
            break;
        }
        case kSetNull:
            mString.setNull();
            mModel = Text();
            break;
        case kShare: {
            const QebString other = operand();
            mString = other;
            mModel = textOf(other);
            break;
        }
        case kOperations: break;
        }
    }

    void assignNumber() {
        switch (mInput.ConsumeIntegralInRange(0, 3)) {
        case 0: {
            const int n = position();
            mString.assign(n);
            mModel = nonNull(printed("%d", n));
            break;
        }
        case 1: {
            const long long n = mInput.ConsumeIntegral<long long>();
            mString.assign(n);
            mModel = nonNull(printed("%lld", n));
            break;
        }
        case 2: {
            const unsigned long long n = mInput.ConsumeIntegral<unsigned long long>();
            mString.assign(n);
            mModel = nonNull(printed("%llu", n));
            break;
        }
        default: {
            const uint64_t bits = mInput.ConsumeIntegral<uint64_t>();
            double d;
            std::memcpy(&d, &bits, sizeof d);
            mString.assign(d);
            mModel = nonNull(printed("%.15g", d));
            break;
        }
        }
    }

    FuzzedDataProvider &mInput;
    const std::string mInitial, mOperand;
    QebString mString;
    Text mModel;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    Session(input).run();
    return 0;
}
