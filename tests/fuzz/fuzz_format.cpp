// qebStringFormat with the input as the format: each conversion is fed the
// argument of its own type from a fixed list, so none reads a wrong type,
// and the result is compared with a model of the documented rules. Formats
// with more conversions than one call is built for are formatted in pieces
// that end after a conversion, and the pieces appended.
#include "fuzz_support.h"

#include <qeb/qebformat.h>

#include <climits>
#include <cmath>
#include <cstring>

namespace {

enum Kind { kText, kString, kInt, kLong, kInt64, kUInt64, kDouble };

// The conversions one call passes; longer formats go in pieces.
constexpr int kMaxArguments = 3;

const char *const kTexts[] = {"", "abc", "h\xC3\xA9", "\xFF\xC3", "100%d"};
const QebString kNullString, kEmptyString(""), kEuro("x\xE2\x82\xAC", true);
const QebString *const kStrings[] = {nullptr, &kNullString, &kEmptyString, &kEuro};
const int kInts[] = {0, -1, INT_MIN, INT_MAX, 42};
const long kLongs[] = {LONG_MIN, -7, LONG_MAX};
const long long kInt64s[] = {LLONG_MIN, 0, LLONG_MAX};
const unsigned long long kUInt64s[] = {0, ULLONG_MAX, 1};
const double kDoubles[] = {0.0, -0.0, 2.5, 0.1, 1e300, -1e-300, INFINITY, NAN};

template <class T, size_t N>
T argument(const T (&values)[N], size_t index) {
    return values[index % N];
}

// What a conversion appends; the bool is false when it appends nothing and
// leaves a null result null.
std::pair<bool, std::string> converted(Kind kind, size_t index) {
    char text[64];
    switch (kind) {
    case kText: return {true, argument(kTexts, index)};
    case kString: {
        const QebString *s = argument(kStrings, index);
        return {s && !s->isNull(), s ? bytesOf(*s) : ""};
    }
    case kInt: std::snprintf(text, sizeof text, "%d", argument(kInts, index)); break;
    case kLong: std::snprintf(text, sizeof text, "%ld", argument(kLongs, index)); break;
    case kInt64: std::snprintf(text, sizeof text, "%lld", argument(kInt64s, index)); break;
    case kUInt64: std::snprintf(text, sizeof text, "%llu", argument(kUInt64s, index)); break;
    case kDouble: std::snprintf(text, sizeof text, "%.15g", argument(kDoubles, index)); break;
    }
    return {true, text};
}

// The format read by the rules: its conversions, where each ends, and the
// text expected.
struct Reading {
    std::vector<Kind> kinds;
    std::vector<size_t> ends;
    bool null = true;
    std::string text;
};

Reading read(const std::string &format) {
    Reading r;
    auto copy = [&r](const std::string &bytes) {
        r.text += bytes;
        r.null = false;
    };
    for (size_t i = 0; i < format.size();) {
        if (format[i] != '%') {
            copy(format.substr(i++, 1));
            continue;
        }
        const std::string rest = format.substr(i + 1);
        const char next = rest.empty() ? '\0' : rest[0];
        Kind kind;
        size_t length = 2;
        if (next == 's' || next == 'S' || next == 'd' || next == 'g') {
            kind = next == 's' ? kText : next == 'S' ? kString : next == 'd' ? kInt : kDouble;
        } else if (rest.compare(0, 2, "ld") == 0) {
            kind = kLong;
            length = 3;
        } else if (rest.compare(0, 4, "I64i") == 0 || rest.compare(0, 4, "I64u") == 0) {
            kind = rest[3] == 'i' ? kInt64 : kUInt64;
            length = 5;
        } else {
            // Copied: "%%" and "%I" give '%' alone, "%l" takes one more
            // character, anything else is copied with its '%'.
            const size_t copied = next == '%' || next == 'I' ? 1
                                  : next == 'l'              ? std::min<size_t>(3, 1 + rest.size())
                                                             : std::min<size_t>(2, 1 + rest.size());
            copy(format.substr(i, copied));
            i += next == '%' || next == 'I' ? 2 : copied;
            continue;
        }
        const std::pair<bool, std::string> piece = converted(kind, r.kinds.size());
        if (piece.first) copy(piece.second);
        r.kinds.push_back(kind);
        i += length;
        r.ends.push_back(i);
    }
    return r;
}

// Calls qebStringFormat with arguments of the kinds [next, end), built up
// one at a time, so that each has its own type.
template <int Depth>
struct Call {
    template <class... Arguments>
    static QebString with(const char *format, const Reading &r, size_t next, size_t end, Arguments... arguments) {
        if (next == end) return qebStringFormat(format, arguments...);
        if constexpr (Depth == 0) {
            fuzzFail(__FILE__, __LINE__, "more than %d conversions in one call", kMaxArguments);
        } else {
            using Next = Call<Depth - 1>;
            switch (r.kinds[next]) {
            case kText: return Next::with(format, r, next + 1, end, arguments..., argument(kTexts, next));
            case kString: return Next::with(format, r, next + 1, end, arguments..., argument(kStrings, next));
            case kInt: return Next::with(format, r, next + 1, end, arguments..., argument(kInts, next));
            case kLong: return Next::with(format, r, next + 1, end, arguments..., argument(kLongs, next));
            case kInt64: return Next::with(format, r, next + 1, end, arguments..., argument(kInt64s, next));
            case kUInt64: return Next::with(format, r, next + 1, end, arguments..., argument(kUInt64s, next));
            case kDouble: return Next::with(format, r, next + 1, end, arguments..., argument(kDoubles, next));
            }
            return QebString();
        }
    }
};

// The format in pieces of at most kMaxArguments conversions, each ending
// after its last conversion, formatted and appended.
QebString formatted(const std::string &format, const Reading &r) {
    QebString result;
    size_t begin = 0, first = 0;
    do {
        const size_t last = std::min(first + kMaxArguments, r.kinds.size());
        const size_t end = last < r.kinds.size() ? r.ends[last - 1] : format.size();
        const std::string piece = format.substr(begin, end - begin);
        bool failed = true;
        result.append(Call<kMaxArguments>::with(piece.c_str(), r, first, last), &failed);
        FUZZ_CHECK(!failed, "appending a piece failed");
        begin = end;
        first = last;
    } while (first < r.kinds.size() || begin < format.size());
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string format = std::string(reinterpret_cast<const char *>(data), size).c_str();
    const Reading expected = read(format);
    const QebString result = formatted(format, expected);
    checkCounts(result, "qebStringFormat");
    FUZZ_CHECK(result.isNull() == expected.null && bytesOf(result) == expected.text, "the format %s gives %s, not %s",
               escaped(format).c_str(), result.isNull() ? "null" : escaped(bytesOf(result)).c_str(),
               expected.null ? "null" : escaped(expected.text).c_str());
    return 0;
}
