// Helpers shared by the fuzz targets: failing loudly, reading UTF-8 by the
// maximal-subpart rule independently of the library, and scratch files.
#ifndef QEB_FUZZ_SUPPORT_H
#define QEB_FUZZ_SUPPORT_H

#include <qeb/qebreal.h>
#include <qeb/qebstring.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// Prints what went wrong and stops, so that libFuzzer keeps the input.
[[noreturn]] inline void fuzzFail(const char *file, int line, const char *format, ...) {
    std::fprintf(stderr, "\n%s:%d: invariant broken: ", file, line);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fprintf(stderr, "\n");
    std::fflush(stderr);
    __builtin_trap();
}

#define FUZZ_CHECK(condition, ...)                                   \
    do {                                                             \
        if (!(condition)) fuzzFail(__FILE__, __LINE__, __VA_ARGS__); \
    } while (0)

// A string's bytes (without the NUL); the text of a null string is empty.
inline std::string bytesOf(const QebString &s) { return std::string(s.asCstr(), s.cStrSize() - 1); }

// Bytes shown as C escapes, for messages.
inline std::string escaped(const std::string &bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        char hex[8];
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += char(c);
        } else {
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out + "\"";
}

// One character of UTF-8 by the Unicode maximal-subpart rule: a well-formed
// sequence, or a lead byte with the trail bytes that still fit it, or a
// lone byte.
struct Utf8Character {
    size_t bytes;
    long codePoint;  // -1 for an ill-formed sequence
};

inline Utf8Character utf8CharacterAt(const unsigned char *p, size_t available) {
    const unsigned char lead = p[0];
    if (lead < 0x80) return {1, lead};
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    long value;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return {1, -1};
    }
    size_t i = 1;
    for (; i < length && i < available; ++i) {
        const unsigned char lo = i == 1 ? low : 0x80, hi = i == 1 ? high : 0xBF;
        if (p[i] < lo || p[i] > hi) break;
        value = value << 6 | (p[i] & 0x3F);
    }
    return i == length ? Utf8Character{length, value} : Utf8Character{i, -1};
}

// The UTF-8 form of a code point.
inline std::string utf8Of(long c) {
    std::string out;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | c >> 6);
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | c >> 12);
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | c >> 18);
        out += char(0x80 | (c >> 12 & 0x3F));
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
    return out;
}

// The characters of bytes, each as its byte string.
inline std::vector<std::string> utf8Characters(const std::string &bytes) {
    std::vector<std::string> characters;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = utf8CharacterAt(p + i, bytes.size() - i).bytes;
        characters.push_back(bytes.substr(i, n));
        i += n;
    }
    return characters;
}

inline size_t utf8Length(const std::string &bytes) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    size_t n = 0;
    for (size_t i = 0; i < bytes.size(); ++n) i += utf8CharacterAt(p + i, bytes.size() - i).bytes;
    return n;
}

inline bool isValidUtf8(const std::string &bytes) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    for (size_t i = 0; i < bytes.size();) {
        const Utf8Character c = utf8CharacterAt(p + i, bytes.size() - i);
        if (c.codePoint < 0) return false;
        i += c.bytes;
    }
    return true;
}

// Unicode White_Space.
inline bool isUnicodeSpace(long c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

inline bool isSpaceCharacter(const std::string &character) {
    const auto *p = reinterpret_cast<const unsigned char *>(character.data());
    return isUnicodeSpace(utf8CharacterAt(p, character.size()).codePoint);
}

// The characters without the white space at either end.
inline std::vector<std::string> trimmedCharacters(std::vector<std::string> characters) {
    while (!characters.empty() && isSpaceCharacter(characters.back())) characters.pop_back();
    size_t leading = 0;
    while (leading < characters.size() && isSpaceCharacter(characters[leading])) ++leading;
    characters.erase(characters.begin(), characters.begin() + long(leading));
    return characters;
}

inline std::string joined(const std::vector<std::string> &characters) {
    std::string text;
    for (const std::string &c : characters) text += c;
    return text;
}

// A string's character count and byte size agree with its text.
inline void checkCounts(const QebString &s, const char *context) {
    const std::string bytes = bytesOf(s);
    FUZZ_CHECK(std::string(s.asCstr()) == bytes, "%s: a NUL inside %s", context, escaped(bytes).c_str());
    FUZZ_CHECK(s.length() == utf8Length(bytes), "%s: length() %u, but %s has %zu characters", context, s.length(),
               escaped(bytes).c_str(), utf8Length(bytes));
}

// The text of a number, "null" for a null one.
inline std::string textOf(QebReal x) {
    const QebString text = x.asString();
    return text.isNull() ? "null" : text.asCstr();
}

// A number read from text.
inline QebReal realOf(const std::string &text) {
    QebReal x;
    x.assign(text.c_str());
    return x;
}

// True when rounded, read from `text`, lies within half a unit of the text's
// last digit of x (infinities only of themselves).
inline bool withinHalfUnit(const QebReal &x, QebReal rounded, const std::string &text) {
    if (text.find("Inf") != std::string::npos) return rounded.compare(x) == 0;
    const size_t e = text.find_first_of("Ee");
    const size_t point = text.find('.');
    const long exponent = e == std::string::npos ? 0 : std::strtol(text.c_str() + e + 1, nullptr, 10);
    const long fraction = point == std::string::npos ? 0 : long((e == std::string::npos ? text.size() : e) - point - 1);
    QebReal difference = rounded.subtract(x).absolute();
    const QebReal unit = realOf("1E" + std::to_string(exponent - fraction));
    return (difference + difference).compare(unit) <= 0;
}

// A directory of the process's own under the system's temporary directory,
// made on first use and removed with its files when the process ends.
inline const std::string &scratchDirectory() {
    static const std::string path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "qeb_fuzz_XXXXXX").string();
        FUZZ_CHECK(mkdtemp(&pattern[0]) != nullptr, "cannot make a scratch directory");
        return pattern;
    }();
    static const struct Remover {
        ~Remover() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } remover;
    return path;
}

// Writes the bytes as the whole file `name` in the scratch directory and
// gives its path.
inline std::string writeScratchFile(const char *name, const std::string &bytes) {
    const std::string path = scratchDirectory() + "/" + name;
    std::FILE *file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fclose(file) == 0,
               "cannot write %s", path.c_str());
    return path;
}

#endif
