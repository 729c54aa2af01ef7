// The character library's encoding conversions (the wide-text ones are
// covered through the converter classes in test_convert.cpp).
#include "ks_uchar.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char kMixed[] = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // "aé€😀": 1 to 4 bytes
const std::string kMixedLE("a\0\xE9\0\xAC\x20\x3D\xD8\x00\xDE", 10);
const std::string kMixedBE("\0a\0\xE9\x20\xAC\xD8\x3D\xDE\x00", 10);

TEST(EncodeDecode, EachEncodingBothWays) {
    const struct {
        int encoding;
        const char *utf8;
        std::string bytes;  // the same text in the encoding, without terminator
        int unitSize;
    } cases[] = {
        {KS_UCHAR_ENC_UTF8, "a\xC3\xA9", "a\xC3\xA9", 1},
        {KS_UCHAR_ENC_ISO8859_1, "a\xC3\xA9\xC3\xBF", "a\xE9\xFF", 1},
        {KS_UCHAR_ENC_WINDOWS1252, "\xE2\x82\xAC\xC3\xA9", "\x80\xE9", 1},
        {KS_UCHAR_ENC_UTF16LE, kMixed, kMixedLE, 2},
        {KS_UCHAR_ENC_UTF16BE, kMixed, kMixedBE, 2},
        {KS_UCHAR_ENC_UTF16, kMixed, __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? kMixedLE : kMixedBE, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.encoding);
        const std::string source = c.bytes + std::string(size_t(c.unitSize), '\0');
        char out[64];
        int n = ks_uchar_encode(c.encoding, source.data(), out, sizeof out);
        EXPECT_EQ(std::string(out, size_t(n) + 1), std::string(c.utf8) + '\0');
        n = ks_uchar_decode(c.encoding, c.utf8, out + 1, sizeof out - 1);  // unaligned on purpose
        EXPECT_EQ(std::string(out + 1, size_t(n + c.unitSize)), source);
    }
}

TEST(EncodeDecode, CutsAtWholeCharactersAndLeavesRoomForTheTerminator) {
    const std::string le = kMixedLE + std::string(2, '\0');
    char out[16];
    std::memset(out, 'z', sizeof out);
    // 9 bytes: "aé€" takes 6 and the NUL 1; the emoji's 4 do not fit.
    EXPECT_EQ(ks_uchar_encode(KS_UCHAR_ENC_UTF16LE, le.data(), out, 9), 6);
    EXPECT_EQ(std::string(out, 7), std::string("a\xC3\xA9\xE2\x82\xAC\0", 7));
    EXPECT_EQ(out[9], 'z');
    // 9 bytes of UTF-16: three units and a terminator; the pair is not split.
    std::memset(out, 'z', sizeof out);
    EXPECT_EQ(ks_uchar_decode(KS_UCHAR_ENC_UTF16BE, kMixed, out, 9), 6);
    EXPECT_EQ(std::string(out, 9), std::string("\0a\0\xE9\x20\xAC\0\0z", 9));
    // Room for the terminator only.
    EXPECT_EQ(ks_uchar_decode(KS_UCHAR_ENC_UTF16LE, kMixed, out, 3), 0);
    EXPECT_EQ(ks_uchar_encode(KS_UCHAR_ENC_UTF8, "abc", out, 1), 0);
    EXPECT_EQ(out[0], 0);
}

TEST(EncodeDecode, BadInputIsReplacedAndMissingCharactersBecomeQuestionMarks) {
    char out[32];
    int n = ks_uchar_encode(KS_UCHAR_ENC_UTF8, "a\xE2\x82z", out, sizeof out);
    EXPECT_EQ(std::string(out, size_t(n)), "a\xEF\xBF\xBDz");
    const std::string lone("\0\xD8z\0\0\0", 6);  // an unpaired lead surrogate, then 'z'
    n = ks_uchar_encode(KS_UCHAR_ENC_UTF16LE, lone.data(), out, sizeof out);
    EXPECT_EQ(std::string(out, size_t(n)), "\xEF\xBF\xBDz");
    n = ks_uchar_decode(KS_UCHAR_ENC_ISO8859_1, "\xE2\x82\xAC!", out, sizeof out);
    EXPECT_EQ(std::string(out, size_t(n)), "?!");
}

TEST(EncodeDecode, UnknownEncodingNullSourceAndNoRoomWriteNothing) {
    char out[8] = "xxxxxxx";
    EXPECT_EQ(ks_uchar_encode(-1, "abc", out, sizeof out), 0);
    EXPECT_EQ(ks_uchar_encode(KS_UCHAR_ENC_UTF8, "abc", nullptr, 8), 0);
    EXPECT_EQ(ks_uchar_decode(KS_UCHAR_ENC_UTF16, "abc", out, 1), 0);
    EXPECT_EQ(out[0], 'x');
    EXPECT_EQ(ks_uchar_decode(KS_UCHAR_ENC_UTF8, nullptr, out, sizeof out), 0);
    EXPECT_EQ(out[0], 0);
}

}  // namespace
