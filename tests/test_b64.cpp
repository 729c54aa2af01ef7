// Base64 against Python's encoder, over every length class and byte value.
#include "qes_b64.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

namespace {

std::string encode(const std::string &bytes) {
    std::string out(qes_b64_encode(bytes.data(), bytes.size(), nullptr, 0) + 1, '\x5A');
    EXPECT_EQ(qes_b64_encode(bytes.data(), bytes.size(), &out[0], out.size()), out.size() - 1);
    EXPECT_EQ(out.back(), '\0');
    out.pop_back();
    return out;
}

TEST(Base64, KnownEncodings) {
    const struct { std::string bytes, text; } cases[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {std::string("\0\xFF\xFE", 3), "AP/+"},
        {"\xFB\xEF\xBE", "++++"}, {"\xFF\xFF\xFF", "////"},
    };
    for (const auto &c : cases) EXPECT_EQ(encode(c.bytes), c.text);
    EXPECT_EQ(qes_b64_encode(nullptr, 0, nullptr, 0), 0u);
}

TEST(Base64, ATooSmallDestinationIsLeftAlone) {
    char out[8] = "xxxxxxx";
    EXPECT_EQ(qes_b64_encode("foobar", 6, out, 8), 8u);  // 8 characters need 9 bytes
    EXPECT_STREQ(out, "xxxxxxx");
}

TEST(Base64, RandomBytesAsPythonEncodesThem) {
    ScratchDir dir;
    std::mt19937 random(7);
    std::string bytes, expected;
    for (size_t length = 0; length < 200; ++length) {
        std::string chunk(length, '\0');
        for (char &c : chunk) c = char(random());
        bytes += chunk;
        expected += encode(chunk) + "\n";
    }
    writeFile(dir / "bytes", bytes);
    const std::string command = "/usr/bin/python3 -c \"import base64, sys; data = open(sys.argv[1], 'rb').read(); "
                                "out = []; start = 0\nfor n in range(200): out.append(base64.b64encode(data[start:start + n]).decode() + '\\\\n'); start += n\n"
                                "open(sys.argv[2], 'w').write(''.join(out))\" '" + (dir / "bytes") + "' '" + (dir / "python") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(readFile(dir / "python"), expected);
}

}  // namespace
