// Tests of the character library (platform/ks_uchar.h). Texts are copied to
// the very end of exactly sized heap blocks, so that under AddressSanitizer any
// read past the NUL is caught.
#include "ks_uchar.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

namespace {

// A text in a block of exactly its size plus the NUL.
struct Exact {
    std::unique_ptr<char[]> block;
    size_t size;
    explicit Exact(const std::string &s) : block(new char[s.size() + 1]), size(s.size()) {
        memcpy(block.get(), s.c_str(), s.size() + 1);
    }
    const char *c() const { return block.get(); }
    const char *end() const { return block.get() + size; }
};

// Ill-formed samples: text and its character count.
const struct { const char *text; int chars; } kIllFormed[] = {
    {"\x80", 1},                  // lone continuation byte
    {"a\x80\x80" "b", 4},         // each stray trail byte is a character
    {"\xE2\x82", 1},              // truncated before the NUL
    {"\xE2\x82x", 2},
    {"\xF0\x9F\x98", 1},
    {"\xC0\x80", 2},              // overlong: C0 is never a lead byte
    {"\xE0\x80\x80", 3},          // overlong 3-byte form
    {"\xED\xA0\x80", 3},          // a surrogate encoded in UTF-8
    {"\xF4\x90\x80\x80", 4},      // beyond U+10FFFF
    {"\xF5\xF8\xFE\xFF", 4},      // bytes that never occur in UTF-8
    {"\xE2\x82\xE2\x82\xAC", 2},  // truncated sequence, then a whole one
};

// The count ICU's converter gives (one U+FFFD per maximal subpart).
int referenceLength(const std::string &s) {
    std::u16string buf(s.size() + 1, u'\0');  // never more units than bytes
    int32_t len = 0;
    UErrorCode err = U_ZERO_ERROR;
    u_strFromUTF8WithSub(&buf[0], (int32_t)buf.size(), &len, s.c_str(), (int32_t)s.size(), 0xFFFD, nullptr, &err);
    if (U_FAILURE(err)) return -1;
    return u_countChar32(buf.data(), len);
}

std::string lower(const char *s) {
    int n = ks_uchar_lower(s, nullptr, -1);
    std::string out(n + 1, '#');
    EXPECT_EQ(ks_uchar_lower(s, &out[0], n + 1), n);
    EXPECT_EQ(out[n], '\0');
    out.resize(n);
    return out;
}

std::string upper(const char *s) {
    int n = ks_uchar_upper(s, nullptr, -1);
    std::string out(n + 1, '#');
    EXPECT_EQ(ks_uchar_upper(s, &out[0], n + 1), n);
    EXPECT_EQ(out[n], '\0');
    out.resize(n);
    return out;
}

}  // namespace

TEST(UcharWalk, LengthCountsCharacters) {
    EXPECT_EQ(ks_uchar_length(Exact("").c()), 0);
    EXPECT_EQ(ks_uchar_length(Exact("hello").c()), 5);
    EXPECT_EQ(ks_uchar_length(Exact("h\xC3\xA9llo").c()), 5);                 // é
    EXPECT_EQ(ks_uchar_length(Exact("\xE2\x82\xAC\xF0\x9F\x98\x80").c()), 2);  // € 😀
    for (const auto &t : kIllFormed) {
        EXPECT_EQ(ks_uchar_length(Exact(t.text).c()), t.chars) << t.text;
        EXPECT_EQ(referenceLength(t.text), t.chars) << t.text;
    }
}

TEST(UcharWalk, SeekStopsAtTheNulThenFails) {
    Exact t("h\xC3\xA9llo");
    EXPECT_EQ(ks_uchar_seek(t.c(), 0), t.c());
    EXPECT_EQ(ks_uchar_seek(t.c(), -3), t.c());
    EXPECT_EQ(ks_uchar_seek(t.c(), 1), t.c() + 1);
    EXPECT_EQ(ks_uchar_seek(t.c(), 2), t.c() + 3);
    EXPECT_EQ(ks_uchar_seek(t.c(), 5), t.end());  // exactly the remaining count: the NUL
    EXPECT_EQ(ks_uchar_seek(t.c(), 6), nullptr);
    Exact e("");
    EXPECT_EQ(ks_uchar_seek(e.c(), 0), e.c());
    EXPECT_EQ(ks_uchar_seek(e.c(), 1), nullptr);
    for (const auto &s : kIllFormed) {
        Exact x(s.text);
        EXPECT_EQ(ks_uchar_seek(x.c(), s.chars), x.end()) << s.text;
        EXPECT_EQ(ks_uchar_seek(x.c(), s.chars + 1), nullptr) << s.text;
    }
    Exact cut("a\xE2\x82");  // lead byte and one trail just before the NUL
    EXPECT_EQ(ks_uchar_seek(cut.c(), 1), cut.c() + 1);
    EXPECT_EQ(ks_uchar_seek(cut.c(), 2), cut.end());
}

TEST(UcharWalk, TellInvertsSeek) {
    Exact t("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
    EXPECT_EQ(ks_uchar_tell(t.c(), t.c()), 0);
    EXPECT_EQ(ks_uchar_tell(t.c(), t.c() + 1), 1);
    EXPECT_EQ(ks_uchar_tell(t.c(), t.c() + 3), 2);
    EXPECT_EQ(ks_uchar_tell(t.c(), t.c() + 6), 3);
    EXPECT_EQ(ks_uchar_tell(t.c(), t.end()), 5);
    // Long texts take the eight-bytes-at-a-time path; put characters of every
    // width at every offset of a word.
    std::string big;
    const char *pieces[] = {"abcdefghijk", "abcde", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\x80", "\xE2\x82", "x"};
    std::mt19937 rng(7);
    for (int i = 0; i < 8000; ++i) big += pieces[rng() % 8];
    Exact b(big);
    int n = ks_uchar_length(b.c());
    EXPECT_EQ(n, referenceLength(big));
    EXPECT_EQ(ks_uchar_tell(b.c(), b.end()), n);
    for (int k = 0; k <= n; k += 1 + k % 5) EXPECT_EQ(ks_uchar_tell(b.c(), ks_uchar_seek(b.c(), k)), k) << k;
    std::string ascii(1 << 20, 'q');
    EXPECT_EQ(ks_uchar_length(Exact(ascii).c()), 1 << 20);
}

TEST(UcharWalk, RandomBytesWalkConsistently) {
    const unsigned char alphabet[] = {'a', ' ', 0x80, 0x82, 0x9F, 0xA0, 0xAC, 0xBF, 0xC0, 0xC2,
                                      0xC3, 0xE0, 0xE2, 0xED, 0xF0, 0xF4, 0xF5, 0xFF};
    std::mt19937 rng(12345);
    for (int round = 0; round < 3000; ++round) {
        std::string s;
        for (int i = rng() % 24; i > 0; --i) s += (char)alphabet[rng() % sizeof alphabet];
        Exact t(s);
        int n = ks_uchar_length(t.c());
        ASSERT_EQ(n, referenceLength(s)) << round;
        const char *p = t.c();
        for (int k = 0; k < n; ++k) {  // toint and seek agree on every character
            int len = 0;
            ks_uchar_toint(p, &len);
            ASSERT_EQ(ks_uchar_seek(p, 1), p + len);
            p += len;
            ASSERT_EQ(ks_uchar_tell(t.c(), p), k + 1);
        }
        ASSERT_EQ(p, t.end());
        ASSERT_EQ(ks_uchar_seek(t.c(), n + 1), nullptr);
        ASSERT_EQ(ks_uchar_icomp(t.c(), t.c()), 0);
        ASSERT_EQ(lower(t.c()).size(), lower(s.c_str()).size());
        std::string cut(t.size + 1, '#');
        int kept = ks_uchar_bufncopy(&cut[0], t.c(), (int)t.size + 1, n);
        ASSERT_EQ(kept, (int)t.size);
        ASSERT_EQ(cut.c_str(), s);
    }
}

TEST(UcharClass, ToIntAndLengths) {
    const struct { const char *text; int code, len; } cases[] = {
        {"A", 'A', 1}, {"\xC3\xA9", 0xE9, 2}, {"\xE2\x82\xAC", 0x20AC, 3}, {"\xF0\x9F\x98\x80", 0x1F600, 4},
        {"", 0, 1}, {"\x80", -1, 1}, {"\xE2\x82", -1, 2}, {"\xF0\x9F\x98", -1, 3}, {"\xC0\x80", -1, 1},
        {"\xED\xA0\x80", -1, 1}, {"\xF5", -1, 1}, {"\xFF\xBF", -1, 1}, {"\xE2\x82x", -1, 2},
    };
    for (const auto &c : cases) {
        Exact t(c.text);
        int len = 0;
        EXPECT_EQ(ks_uchar_toint(t.c(), &len), c.code) << c.text;
        EXPECT_EQ(len, c.len) << c.text;
        if (c.code <= 0) {  // the NUL and ill-formed sequences are of no class
            len = 0; EXPECT_FALSE(ks_uchar_isspace(t.c(), &len)); EXPECT_EQ(len, c.len);
            len = 0; EXPECT_FALSE(ks_uchar_isdigit(t.c(), &len)); EXPECT_EQ(len, c.len);
            len = 0; EXPECT_FALSE(ks_uchar_isalpha(t.c(), &len)); EXPECT_EQ(len, c.len);
            len = 0; EXPECT_FALSE(ks_uchar_isascii(t.c(), &len)); EXPECT_EQ(len, c.len);
        }
    }
}

TEST(UcharClass, Classes) {
    int len = 0;
    for (const char *s : {" ", "\t", "\n", "\r", "\xC2\xA0", "\xE3\x80\x80", "\xE2\x80\xA8"}) {  // NBSP, U+3000, U+2028
        EXPECT_TRUE(ks_uchar_isspace(Exact(s).c(), &len)) << s;
        EXPECT_EQ(len, (int)strlen(s));
    }
    EXPECT_FALSE(ks_uchar_isspace(Exact("\xE2\x80\x8B").c(), &len));  // zero width space is no White_Space
    EXPECT_EQ(len, 3);
    EXPECT_FALSE(ks_uchar_isspace(Exact("x").c(), &len));
    EXPECT_TRUE(ks_uchar_isdigit(Exact("0").c(), &len));
    EXPECT_TRUE(ks_uchar_isdigit(Exact("9").c(), &len));
    EXPECT_FALSE(ks_uchar_isdigit(Exact("\xD9\xA3").c(), &len));  // Arabic-Indic three
    EXPECT_EQ(len, 2);
    EXPECT_FALSE(ks_uchar_isdigit(Exact("\xEF\xBC\x91").c(), &len));  // fullwidth one
    EXPECT_EQ(len, 3);
    for (const char *s : {"a", "Z", "\xC3\xA9", "\xC3\x9F", "\xD0\x96", "\xE4\xB8\xAD", "\xF0\x90\x90\x80"})
        EXPECT_TRUE(ks_uchar_isalpha(Exact(s).c(), &len)) << s;
    for (const char *s : {"1", "-", " ", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"})
        EXPECT_FALSE(ks_uchar_isalpha(Exact(s).c(), &len)) << s;
    EXPECT_TRUE(ks_uchar_isascii(Exact("\x7F").c(), &len));
    EXPECT_FALSE(ks_uchar_isascii(Exact("\xC3\xA9").c(), &len));
    EXPECT_EQ(len, 2);
    // The ASCII fast paths agree with ICU's properties.
    for (int c = 1; c < 0x80; ++c) {
        char s[2] = {(char)c, 0};
        EXPECT_EQ(!!ks_uchar_isspace(s, &len), (bool)u_isUWhiteSpace(c)) << c;
        EXPECT_EQ(!!ks_uchar_isalpha(s, &len), (bool)u_isUAlphabetic(c)) << c;
        EXPECT_TRUE(ks_uchar_isascii(s, &len));
        EXPECT_EQ(ks_uchar_toint(s, &len), c);
    }
}

TEST(UcharCompare, FullCaseFolding) {
    const char *equal[][2] = {
        {"A", "a"}, {"", ""}, {"Hello World", "hELLO wORLD"}, {"Stra\xC3\x9F" "e", "STRASSE"}, {"\xC3\x9F", "ss"},
        {"\xEF\xAC\x83", "FFI"},                      // ﬃ ligature
        {"\xCE\xA3\xCE\x91\xCE\xA3", "\xCF\x83\xCE\xB1\xCF\x82"},  // ΣΑΣ / σας
        {"\xC4\xB0", "i\xCC\x87"},                    // İ folds to i + combining dot
        {"\xCE\x90", "\xCE\xB9\xCC\x88\xCC\x81"},     // ΐ folds to three code points
        {"I", "i"},                                   // root rules, not Turkish
        {"a\x80\xE2\x82", "A\x80\xE2\x82"},           // ill-formed equals itself
    };
    for (const auto &p : equal) EXPECT_EQ(ks_uchar_icomp(Exact(p[0]).c(), Exact(p[1]).c()), 0) << p[0];
    const char *less[][2] = {
        {"a", "B"}, {"", "a"}, {"abc", "ABCD"}, {"Z", "\xC3\xA0"},
        {"a", "Z"},                                    // folded order, not byte order
        {"\xC3\x9F", "ST"}, {"sr", "\xC3\x9F"},        // inside an expansion
        {"\xC4\xB0", "\xC4\xB1"}, {"i", "\xC4\xB0"},   // İ folds to i + U+0307, below ı
        {"\xF4\x8F\xBF\xBF", "\x80"},                  // ill-formed after U+10FFFF
        {"\xC3\xA9", "\xC3"}, {"\x80", "\xFF"}, {"\xE2", "\xE2\x82"}, {"\xC2\x80", "\xC0\x80"},
    };
    for (const auto &p : less) {
        Exact a(p[0]), b(p[1]);
        EXPECT_EQ(ks_uchar_icomp(a.c(), b.c()), -1) << p[0] << " / " << p[1];
        EXPECT_EQ(ks_uchar_icomp(b.c(), a.c()), 1) << p[1] << " / " << p[0];
    }
    EXPECT_NE(ks_uchar_icomp(Exact("\xC4\xB1").c(), Exact("I").c()), 0);
}

TEST(UcharCase, MapsWithLengthChange) {
    EXPECT_EQ(upper("Stra\xC3\x9F" "e"), "STRASSE");
    EXPECT_EQ(ks_uchar_upper("Stra\xC3\x9F" "e", nullptr, -1), 7);
    EXPECT_EQ(lower("\xC4\xB0"), "i\xCC\x87");  // İ: 2 bytes to 3
    EXPECT_EQ(ks_uchar_lower("\xC4\xB0", nullptr, -1), 3);
    EXPECT_EQ(lower("\xCE\x91\xCE\xA3"), "\xCE\xB1\xCF\x82");  // ΑΣ: final sigma
    EXPECT_EQ(upper("\xEF\xAC\x81x"), "FIX");
    EXPECT_EQ(lower("\xC3\x80" "BC"), "\xC3\xA0" "bc");
    EXPECT_EQ(lower(""), "");
    EXPECT_EQ(lower(Exact("MiXeD 123").c()), "mixed 123");
    // Root rules whatever the default locale.
    std::string saved = uloc_getDefault();
    UErrorCode err = U_ZERO_ERROR;
    uloc_setDefault("tr_TR", &err);
    EXPECT_EQ(lower("I"), "i");
    EXPECT_EQ(upper("i"), "I");
    uloc_setDefault(saved.c_str(), &err);
}

TEST(UcharCase, IllFormedCopiedUnchanged) {
    const std::string in = "a\x80\xE2\x82z\xC0\x80\xED\xA0\x80\xF5\xFF\xF0\x9F\x98";
    Exact t(in);
    EXPECT_EQ(upper(t.c()), "A\x80\xE2\x82Z\xC0\x80\xED\xA0\x80\xF5\xFF\xF0\x9F\x98");
    EXPECT_EQ(lower(Exact("Q\xE2\x82").c()), "q\xE2\x82");
}

TEST(UcharCase, SmallDestinationCutsAtACharacter) {
    char buf[8];
    memset(buf, '#', sizeof buf);
    EXPECT_EQ(ks_uchar_upper("ab\xC3\x9F", buf, 4), 4);  // ABSS needs 5 bytes
    EXPECT_STREQ(buf, "ABS");
    memset(buf, '#', sizeof buf);
    EXPECT_EQ(ks_uchar_upper("a\xC3\xA9", buf, 3), 3);  // AÉ: never half an É
    EXPECT_STREQ(buf, "A");
    EXPECT_EQ(buf[3], '#');
    memset(buf, '#', sizeof buf);
    EXPECT_EQ(ks_uchar_lower("A\xE2\x82" "B", buf, 3), 4);  // the ill-formed pair is one character
    EXPECT_STREQ(buf, "a");
    EXPECT_EQ(ks_uchar_lower("ABC", buf, 1), 3);
    EXPECT_STREQ(buf, "");
    memset(buf, '#', sizeof buf);
    EXPECT_EQ(ks_uchar_lower("ABC", buf, 0), 3);  // measures only
    EXPECT_EQ(buf[0], '#');
    EXPECT_EQ(ks_uchar_lower("ABC", buf, 4), 3);
    EXPECT_STREQ(buf, "abc");
}

TEST(UcharCopy, WholeCharactersOnly) {
    char buf[16] = "h\xC3\xA9llo";
    EXPECT_EQ(ks_uchar_bufncopy(buf, buf, sizeof buf, 2), 3);  // in place
    EXPECT_STREQ(buf, "h\xC3\xA9");
    char out[16];
    EXPECT_EQ(ks_uchar_bufncopy(out, Exact("a\xE2\x82\xAC" "b").c(), 4, 10), 1);  // € does not fit
    EXPECT_STREQ(out, "a");
    EXPECT_EQ(ks_uchar_bufncopy(out, Exact("a\xE2\x82\xAC" "b").c(), 5, 10), 4);
    EXPECT_STREQ(out, "a\xE2\x82\xAC");
    EXPECT_EQ(ks_uchar_bufncopy(out, Exact("abc").c(), 16, 99), 3);
    EXPECT_STREQ(out, "abc");
    EXPECT_EQ(ks_uchar_bufncopy(out, Exact("a\xE2\x82").c(), 3, 5), 1);  // ill-formed pair kept whole
    EXPECT_EQ(ks_uchar_bufncopy(out, Exact("a\xE2\x82").c(), 4, 5), 3);
    EXPECT_EQ(memcmp(out, "a\xE2\x82", 4), 0);
    EXPECT_EQ(ks_uchar_bufncopy(out, Exact("abc").c(), 16, 0), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(ks_uchar_bufncopy(out, Exact("abc").c(), 16, -1), 0);
    EXPECT_EQ(ks_uchar_bufncopy(out, Exact("abc").c(), 1, 3), 0);
    EXPECT_STREQ(out, "");
    out[0] = '#';
    EXPECT_EQ(ks_uchar_bufncopy(out, "abc", 0, 3), 0);  // nothing written
    EXPECT_EQ(out[0], '#');
    char ov[16] = "xxh\xC3\xA9llo";
    EXPECT_EQ(ks_uchar_bufncopy(ov, ov + 2, 16, 3), 4);  // overlapping, backwards
    EXPECT_STREQ(ov, "h\xC3\xA9l");
    char fw[16] = "h\xC3\xA9llo";
    EXPECT_EQ(ks_uchar_bufncopy(fw + 2, fw, 14, 4), 5);  // overlapping, forwards
    EXPECT_STREQ(fw + 2, "h\xC3\xA9ll");
}
