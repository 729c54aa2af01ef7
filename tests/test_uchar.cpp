// Tests of the character library (platform/ks_uchar.h); its wide-text
// conversions are covered through the converter classes in test_convert.cpp.
// Texts sit at the very end of exactly sized heap blocks, so that
// AddressSanitizer catches any read past the NUL.
#include "ks_uchar.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// The text and its NUL in a heap block of exactly their size.
std::vector<char> exact(const std::string &s) { return std::vector<char>(s.c_str(), s.c_str() + s.size() + 1); }

// "result|text" of `write` on 16 '#' of which it may use `size` bytes;
// fails when it writes past them.
template <class Write>
std::string written(int size, Write write) {
    std::string buf(16, '#');
    const int result = write(&buf[0]);
    EXPECT_EQ(buf.substr(size_t(size)), std::string(16 - size_t(size), '#')) << "wrote past " << size;
    const size_t nul = buf.find('\0');
    return std::to_string(result) + "|" + (nul == std::string::npos ? "(nothing)" : buf.substr(0, nul));
}

TEST(UcharWalk, MaximalSubpartsAndTheNul) {
    const struct { const char *text; int chars, first, firstLen; } cases[] = {
        {"", 0, 0, 1}, {"\xC3\xA9llo", 4, 0xE9, 2}, {"\xE2\x82\xAC\xF0\x9F\x98\x80", 2, 0x20AC, 3},
        {"\xF0\x9F\x98\x80!", 2, 0x1F600, 4}, {"\x80\x80" "b", 3, -1, 1},  // a stray trail byte is one
        {"\xE2\x82", 1, -1, 2}, {"\xF0\x9F\x98", 1, -1, 3}, {"\xE2\x82\xE2\x82\xAC", 2, -1, 2},  // cut short
        {"\xC0\x80", 2, -1, 1}, {"\xE0\x80\x80", 3, -1, 1}, {"\xED\xA0\x80", 3, -1, 1},  // overlong, surrogate
        {"\xF4\x90\x80\x80", 4, -1, 1}, {"\xF5\xF8\xFE\xFF", 4, -1, 1},  // beyond U+10FFFF, never in UTF-8
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        const std::vector<char> t = exact(c.text);
        int len = 0;
        EXPECT_EQ(ks_uchar_length(t.data()), c.chars);
        EXPECT_EQ(ks_uchar_toint(t.data(), &len), c.first);
        EXPECT_EQ(len, c.firstLen);
        // Seek and tell agree with toint's lengths, and stop at the NUL.
        const char *p = t.data();
        for (int k = 1, n = 0; k <= c.chars; ++k, p += n) {
            ks_uchar_toint(p, &n);
            ASSERT_EQ(ks_uchar_seek(p, 1), p + n);
            ASSERT_EQ(ks_uchar_tell(t.data(), p + n), k);
        }
        ASSERT_EQ(p, &t.back());
        ASSERT_EQ(ks_uchar_seek(t.data(), c.chars + 1), nullptr);
        for (auto isClass : {ks_uchar_isspace, ks_uchar_isdigit, ks_uchar_isalpha, ks_uchar_isascii}) {
            if (c.first > 0) break;  // the NUL and ill-formed sequences are of no class
            EXPECT_FALSE(isClass(t.data(), &len));
            EXPECT_EQ(len, c.firstLen);
        }
    }
}

// The seeks that know the end: word at a time through ASCII, lead bytes only
// through well-formed text; each agrees with the walk above at every
// position, on texts with no NUL after them.
TEST(UcharWalk, SeeksThatKnowTheEndAgreeWithTheWalk) {
    const char *const wellFormed[] = {"a", "abcdefgh", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"};
    const char *const illFormed[] = {"\x80", "\xE2\x82!", "\xC0"};  // none completes another
    unsigned seed = 7;
    for (int round = 0; round < 40; ++round) {
        const bool clean = round % 2 == 0;
        std::string text;
        size_t firstBad = std::string::npos;
        for (int piece = round % 7 * 9; piece > 0; --piece) {
            seed = seed * 1103515245 + 12345;
            const unsigned pick = seed >> 16;
            if (!clean && pick % 9 == 0) {
                firstBad = std::min(firstBad, text.size());
                text += illFormed[pick % 3];
            } else {
                text += wellFormed[pick % 5];
            }
        }
        SCOPED_TRACE(text);
        const std::vector<char> bytes(text.begin(), text.end());
        const char *begin = bytes.data(), *end = begin + bytes.size();
        const std::vector<char> t = exact(text);
        const int chars = ks_uchar_length(t.data());
        for (int n = 0; n <= chars + 1; ++n) {
            const char *walked = ks_uchar_seek(t.data(), n);
            const char *expected = walked ? begin + (walked - t.data()) : nullptr;
            bool allWellFormed = false;
            ASSERT_EQ(ks_uchar_seek_bounded(begin, end, n, &allWellFormed), expected) << n;
            if (expected) {
                EXPECT_EQ(allWellFormed, size_t(expected - begin) <= firstBad) << n;
            }
            if (firstBad != std::string::npos) continue;
            ASSERT_EQ(ks_uchar_seek_wellformed(begin, end, n), expected) << n;
            if (expected) {
                ASSERT_EQ(ks_uchar_count_wellformed(begin, expected), n);
            }
        }
    }
}

// ASCII takes a path of its own past ICU's properties.
TEST(UcharClass, AsciiAsTheCLocaleHasIt) {
    for (int c = 1; c < 0x80; ++c) {
        const char text[2] = {char(c), 0};
        int len = 0;
        EXPECT_EQ(!!ks_uchar_isalpha(text, &len), !!std::isalpha(c)) << c;
        EXPECT_EQ(!!ks_uchar_isdigit(text, &len) + 2 * !!ks_uchar_isspace(text, &len), !!std::isdigit(c) + 2 * !!std::isspace(c)) << c;
    }
}

// Full folding with ICU; on Windows one code point for one, so a character
// whose folding expands stays itself there.
TEST(UcharCompare, CaseFoldingInCodePointOrder) {
    const int expanded = kOnWindows ? 1 : 0;
    const struct { const char *a, *b; int order; } cases[] = {
        {"Stra\xC3\x9F" "e", "STRASSE", expanded}, {"\xEF\xAC\x83", "FFI", expanded},  // ß, the ligature ffi
        {"\xCE\xA3\xCE\x91\xCE\xA3", "\xCF\x83\xCE\xB1\xCF\x82", 0},          // final sigma
        {"\xC4\xB0", "i\xCC\x87", expanded}, {"\xCE\x90", "\xCE\xB9\xCC\x88\xCC\x81", -expanded},  // to 2 and 3
        {"", "", 0}, {"", "a", -1}, {"abc", "ABCD", -1}, {"a", "B", -1}, {"Z", "\xC3\xA0", -1},
        {"\xC3\x9F", "ST", kOnWindows ? 1 : -1}, {"sr", "\xC3\x9F", -1},      // inside an expansion
        {"i", "\xC4\xB0", -1}, {"\xC4\xB0", "\xC4\xB1", -1}, {"I", "\xC4\xB1", -1},  // not Turkish
        {"a\x80\xE2\x82", "A\x80\xE2\x82", 0}, {"\xF4\x8F\xBF\xBF", "\x80", -1},  // ill-formed bytes last,
        {"\x80", "\xFF", -1}, {"\xE2", "\xE2\x82", -1},                       // by value, then length
    };
    for (const auto &c : cases) {
        const std::vector<char> a = exact(c.a), b = exact(c.b);
        EXPECT_EQ(ks_uchar_icomp(a.data(), b.data()), c.order) << c.a << " / " << c.b;
        EXPECT_EQ(ks_uchar_icomp(b.data(), a.data()), -c.order) << c.b << " / " << c.a;
    }
}

// Measuring, writing, and writing into one byte too few, which cuts at a
// character; root rules whatever the default locale. Windows maps one
// character to one, with no final sigma.
TEST(UcharCase, MapsChangingByteLengthsAndCutsAtACharacter) {
    const bool w = kOnWindows;
    const struct { decltype(&ks_uchar_lower) map; const char *in, *out, *cut; } cases[] = {
        {ks_uchar_upper, "Stra\xC3\x9F" "e", w ? "STRA\xC3\x9F" "E" : "STRASSE", w ? "STRA\xC3\x9F" : "STRASS"},
        {ks_uchar_upper, "\xEF\xAC\x81x", w ? "\xEF\xAC\x81X" : "FIX", w ? "\xEF\xAC\x81" : "FI"},
        {ks_uchar_lower, "\xC4\xB0", w ? "i" : "i\xCC\x87", w ? "" : "i"},
        {ks_uchar_lower, "\xCE\x91\xCE\xA3", w ? "\xCE\xB1\xCF\x83" : "\xCE\xB1\xCF\x82", "\xCE\xB1"},
        {ks_uchar_lower, "I", "i", ""}, {ks_uchar_upper, "i", "I", ""},
        {ks_uchar_upper, "a\x80z\xED\xA0\x80\xF0\x9F\x98", "A\x80Z\xED\xA0\x80\xF0\x9F\x98", "A\x80Z\xED\xA0\x80"},
    };
    const std::string saved = setUnicodeDefaultLocale("tr_TR");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.in);
        const std::vector<char> in = exact(c.in);
        const int n = int(strlen(c.out));
        EXPECT_EQ(c.map(in.data(), nullptr, -1), n);
        for (int size : {n + 1, n, 0}) {
            EXPECT_EQ(written(size, [&](char *buf) { return c.map(in.data(), buf, size); }),
                      std::to_string(n) + "|" + (size > n ? c.out : size > 0 ? c.cut : "(nothing)"));
        }
    }
    setUnicodeDefaultLocale(saved);
}

TEST(UcharCopy, WholeCharactersAlwaysTerminated) {
    const struct { const char *in; int size, n; const char *out; } cases[] = {
        {"a\xE2\x82\xAC" "b", 4, 9, "1|a"}, {"a\xE2\x82\xAC" "b", 5, 9, "4|a\xE2\x82\xAC"},
        {"h\xC3\xA9llo", 8, 2, "3|h\xC3\xA9"},
        {"a\xE2\x82", 3, 9, "1|a"}, {"a\xE2\x82", 4, 9, "3|a\xE2\x82"},  // the ill-formed pair is kept whole
        {"abc", 8, 0, "0|"}, {"abc", 8, -1, "0|"}, {"abc", 1, 3, "0|"}, {"abc", 0, 3, "0|(nothing)"},
    };
    for (const auto &c : cases) {
        const std::vector<char> in = exact(c.in);
        EXPECT_EQ(written(c.size, [&](char *buf) { return ks_uchar_bufncopy(buf, in.data(), c.size, c.n); }), c.out)
            << c.in;
    }
    char buf[16] = "xxh\xC3\xA9llo";
    EXPECT_EQ(ks_uchar_bufncopy(buf + 4, buf + 2, 12, 4), 5);  // overlapping
    EXPECT_EQ(ks_uchar_bufncopy(buf + 4, buf + 4, 12, 2), 3);  // in place
    EXPECT_STREQ(buf + 4, "h\xC3\xA9");
}

const char kMixed[] = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // "aé€😀": 1 to 4 bytes
const std::string kMixedLE = "a\0\xE9\0\xAC\x20\x3D\xD8\x00\xDE\0\0"s, kMixedBE = "\0a\0\xE9\x20\xAC\xD8\x3D\xDE\x00\0\0"s;

// Into an unaligned destination: whole characters and the terminator within
// the size, nothing past it; bad input replaced, missing characters as '?'.
TEST(UcharCopy, ACutAtAByteCountEndsAtAWholeCharacter) {
    const struct { const char *text; int length, whole; } cases[] = {
        {"ab", 2, 2}, {"a\xE2\x82\xAC", 4, 4}, {"a\xE2\x82\xAC", 3, 1}, {"a\xE2\x82\xAC", 2, 1},
        {"\xF0\x9F\x98\x80", 3, 0}, {"a\xFF", 2, 2},  // ill-formed, not cut short: kept
        {"a\xC3(", 2, 1}, {"", 0, 0}, {"x", -1, 0},
    };
    for (const auto &c : cases) EXPECT_EQ(ks_uchar_wholelength(c.text, c.length), c.whole) << c.text << c.length;
}

TEST(UcharCodec, EncodeAndDecode) {
    typedef int (*Convert)(int, const char *, char *, int);
    const struct { Convert convert; int encoding; const char *in; int size, result; std::string out; } cases[] = {
        {ks_uchar_encode, KS_UCHAR_ENC_ISO8859_1, "a\xE9\xFF", 16, 5, "a\xC3\xA9\xC3\xBF\0"s},
        {ks_uchar_decode, KS_UCHAR_ENC_ISO8859_1, "\xC3\xA9\xE2\x82\xAC!", 16, 3, "\xE9?!\0"s},
        {ks_uchar_encode, KS_UCHAR_ENC_WINDOWS1252, "\x80\xE9", 16, 5, "\xE2\x82\xAC\xC3\xA9\0"s},
        {ks_uchar_encode, KS_UCHAR_ENC_UTF16LE, kMixedLE.c_str(), 16, 10, kMixed + "\0"s},
        {ks_uchar_encode, KS_UCHAR_ENC_UTF16LE, kMixedLE.c_str(), 9, 6, "a\xC3\xA9\xE2\x82\xAC\0"s},
        {ks_uchar_decode, KS_UCHAR_ENC_UTF16BE, kMixed, 16, 10, kMixedBE},
        {ks_uchar_decode, KS_UCHAR_ENC_UTF16BE, kMixed, 11, 6, "\0a\0\xE9\x20\xAC\0\0"s},  // the pair stays whole
        {ks_uchar_decode, KS_UCHAR_ENC_UTF16, kMixed, 16, 10, __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? kMixedLE : kMixedBE},
        {ks_uchar_decode, KS_UCHAR_ENC_UTF16LE, kMixed, 3, 0, "\0\0"s},
        {ks_uchar_encode, KS_UCHAR_ENC_UTF16LE, "\0\xD8z\0\0", 16, 4, "\xEF\xBF\xBDz\0"s},  // a lone surrogate
        {ks_uchar_encode, KS_UCHAR_ENC_UTF8, "a\xE2\x82z", 16, 5, "a\xEF\xBF\xBDz\0"s},
        {ks_uchar_decode, KS_UCHAR_ENC_UTF8, nullptr, 16, 0, "\0"s},
        {ks_uchar_encode, -1, "abc", 16, 0, "z"}, {ks_uchar_decode, KS_UCHAR_ENC_UTF16, "abc", 1, 0, "z"},  // nothing
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.size);
        std::string out(17, 'z');
        EXPECT_EQ(c.convert(c.encoding, c.in, &out[1], c.size), c.result);
        EXPECT_EQ(out.substr(1, c.out.size()), c.out);
        EXPECT_EQ(out.substr(size_t(c.size) + 1), std::string(16 - size_t(c.size), 'z'));
    }
    EXPECT_EQ(ks_uchar_encode(KS_UCHAR_ENC_UTF8, "abc", nullptr, 8), 0);
}

}  // namespace
