// Base64: every bit of the padded ends, the sizes the encoder reports and a
// destination too small for the text. Python's email package decodes what
// it encodes (random bytes, lines of 57) in mail/e2e.py.
#include "qes_b64.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(Base64, KnownEncodingsAndATooSmallDestination) {
    char out[9] = "xxxxxxxx";
    EXPECT_EQ(qes_b64_encode("foobar", 6, nullptr, 0), 8u);  // measures
    EXPECT_EQ(qes_b64_encode("foobar", 6, out, 8), 8u);      // 8 characters need 9 bytes
    EXPECT_STREQ(out, "xxxxxxxx");
    const std::pair<std::string, const char *> known[] = {
        {"foobar", "Zm9vYmFy"}, {"\xFB\xEF\xBE\xFF", "++++/w=="}, {"\xFF\xFF", "//8="}, {"", ""}};
    for (const auto &[bytes, text] : known) {
        EXPECT_EQ(qes_b64_encode(bytes.data(), bytes.size(), out, sizeof out), std::strlen(text));
        EXPECT_STREQ(out, text);
    }
    EXPECT_EQ(qes_b64_encode(nullptr, 0, nullptr, 0), 0u);
}

}  // namespace
