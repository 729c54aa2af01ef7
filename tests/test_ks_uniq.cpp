#include "ks_uniq.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

TEST(UniqueIdentifiers, ShapeAndSpread) {
    std::set<std::string> seen;
    int firstCharacters[64] = {};
    const std::string alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    for (int i = 0; i < 20000; ++i) {
        char out[KS_UNIQ_S64_SIZE];
        std::memset(out, 'X', sizeof out);
        ASSERT_EQ(ks_uniq_s64(out), 0);
        ASSERT_EQ(std::strlen(out), 22u);
        ASSERT_EQ(std::strspn(out, alphabet.c_str()), 22u);
        // The last character carries only two bits.
        ASSERT_NE(std::string("AQgw").find(out[21]), std::string::npos);
        ++firstCharacters[alphabet.find(out[0])];
        seen.insert(out);
    }
    EXPECT_EQ(seen.size(), 20000u);
    for (int count : firstCharacters) EXPECT_GT(count, 200);  // about 312 each
}

}  // namespace
