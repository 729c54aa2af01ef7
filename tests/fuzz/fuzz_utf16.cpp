// UTF-8 to UTF-16 and back: the input read as UTF-8 text and as UTF-16
// units (little-endian byte pairs) converts by every path exactly as a model
// that replaces each ill-formed sequence and unpaired surrogate by U+FFFD;
// valid UTF-8 comes back unchanged; the bounded conversions keep whole
// characters and their terminator.
#include "fuzz_support.h"

#include <qeb/qebconvert.h>

#include <cstring>

namespace {

using Units = std::vector<unsigned short>;

const long kReplacement = 0xFFFD;

void appendUtf16(Units &out, long c) {
    if (c < 0x10000) {
        out.push_back((unsigned short)c);
    } else {
        out.push_back((unsigned short)(0xD800 + ((c - 0x10000) >> 10)));
        out.push_back((unsigned short)(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
}

// The code points of UTF-8 text, an ill-formed sequence as U+FFFD.
std::vector<long> codePointsOfUtf8(const std::string &text) {
    std::vector<long> points;
    for (const std::string &c : utf8Characters(text)) {
        const long point = utf8CharacterAt(reinterpret_cast<const unsigned char *>(c.data()), c.size()).codePoint;
        points.push_back(point < 0 ? kReplacement : point);
    }
    return points;
}

// The code points of UTF-16 units, an unpaired surrogate as U+FFFD.
std::vector<long> codePointsOfUtf16(const Units &units) {
    std::vector<long> points;
    for (size_t i = 0; i < units.size(); ++i) {
        const long u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            points.push_back(0x10000 + ((u - 0xD800) << 10) + (units[++i] - 0xDC00));
        } else {
            points.push_back(u >= 0xD800 && u <= 0xDFFF ? kReplacement : u);
        }
    }
    return points;
}

std::string utf8Text(const std::vector<long> &points) {
    std::string out;
    for (long c : points) out += utf8Of(c);
    return out;
}

Units utf16Of(const std::vector<long> &points) {
    Units out;
    for (long c : points) appendUtf16(out, c);
    return out;
}

Units unitsOf(const unsigned short *wide) {
    Units units;
    for (; wide && *wide; ++wide) units.push_back(*wide);
    return units;
}

// Whole characters of points that fit `room` units or bytes.
template <class Encode>
std::vector<long> prefixFitting(const std::vector<long> &points, size_t room, Encode size) {
    std::vector<long> prefix;
    size_t used = 0;
    for (long c : points) {
        if (used + size(c) > room) break;
        used += size(c);
        prefix.push_back(c);
    }
    return prefix;
}

size_t utf16Size(long c) { return c < 0x10000 ? 1 : 2; }
size_t utf8Size(long c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

void checkBounded(const std::vector<long> &points, const char *text, const Units &wide) {
    const int full = int(wide.size()) + 1, fullBytes = int(utf8Text(points).size()) + 1;
    for (int room : {0, 1, 2, 3, full / 2, full - 1, full}) {
        Units out(size_t(full) + 2, 0xABCD);
        convertUtf8ToUC(text, out.data(), room);
        const Units expected = utf16Of(prefixFitting(points, size_t(std::max(room - 1, 0)), utf16Size));
        if (room > 0) {
            out.resize(expected.size() + 1);
            FUZZ_CHECK(Units(out.begin(), out.end() - 1) == expected && out.back() == 0,
                       "convertUtf8ToUC of %s into %d units", escaped(text).c_str(), room);
        } else {
            FUZZ_CHECK(out[0] == 0xABCD, "convertUtf8ToUC into no room writes");
        }
    }
    const Units terminated = [&] {
        Units t = wide;
        t.push_back(0);
        return t;
    }();
    for (int room : {0, 1, 2, 3, 4, fullBytes / 2, fullBytes - 1, fullBytes}) {
        std::string out(size_t(fullBytes) + 2, '\x7F');
        convertUCToUtf8(terminated.data(), &out[0], room);
        const std::string expected = utf8Text(prefixFitting(points, size_t(std::max(room - 1, 0)), utf8Size));
        FUZZ_CHECK(room <= 0 ? out[0] == '\x7F'
                             : out.compare(0, expected.size() + 1, expected.c_str(), expected.size() + 1) == 0,
                   "convertUCToUtf8 of %s into %d bytes gives %s", escaped(text).c_str(), room,
                   escaped(out.c_str()).c_str());
    }
}

// Wide text converts to the UTF-8 of its code points by every path.
void checkFromWide(const Units &wide, const std::string &expected) {
    Units terminated = wide;
    terminated.push_back(0);
    QebString s;
    s.fromUCS2(terminated.data());
    checkCounts(s, "fromUCS2");
    FUZZ_CHECK(!s.isNull() && bytesOf(s) == expected, "fromUCS2 gives %s, not %s", escaped(bytesOf(s)).c_str(),
               escaped(expected).c_str());
    QeUCToUtf8 converter;
    FUZZ_CHECK(converter.set(int(wide.size())) && converter.bufLength() == int(wide.size()), "set(%zu) failed",
               wide.size());
    if (wide.empty()) return;
    std::memcpy(converter.getUCBuffer(), wide.data(), wide.size() * sizeof wide[0]);
    const char *utf8 = converter.utf8String();
    FUZZ_CHECK(utf8 && utf8 == expected && converter.utf8String() == utf8, "QeUCToUtf8 gives %s, not %s",
               utf8 ? escaped(utf8).c_str() : "null", escaped(expected).c_str());
}

void checkText(const std::string &text) {
    const std::vector<long> points = codePointsOfUtf8(text);
    const Units wide = utf16Of(points);
    QeUtf8ToUC converter;
    FUZZ_CHECK(converter.set(text.c_str()) && converter.bufLength() == int(wide.size()) + 1 &&
                   unitsOf(converter.ucString()) == wide && converter.ucString()[wide.size()] == 0,
               "QeUtf8ToUC of %s", escaped(text).c_str());
    QeUtf8ToUC *fromString = QebString(text.c_str(), true).asUCS2();
    FUZZ_CHECK(fromString && fromString->bufLength() == int(wide.size()) + 1 && unitsOf(fromString->ucString()) == wide,
               "asUCS2 of %s", escaped(text).c_str());
    fromString->release();
    const std::string back = utf8Text(points);
    FUZZ_CHECK(!isValidUtf8(text) || back == text, "valid %s comes back as %s", escaped(text).c_str(),
               escaped(back).c_str());
    checkFromWide(wide, back);
    checkBounded(points, text.c_str(), wide);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    checkText(std::string(reinterpret_cast<const char *>(data), size).c_str());
    Units wide;
    for (size_t i = 0; i + 1 < size && (data[i] || data[i + 1]); i += 2)
        wide.push_back((unsigned short)(data[i] | data[i + 1] << 8));
    checkFromWide(wide, utf8Text(codePointsOfUtf16(wide)));
    return 0;
}
