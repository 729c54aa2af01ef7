// QebString's numbers: the C locale's full stop in any locale, reading
// numbers with failure flags, and unique identifiers. Numbers to text are
// checked against printf by fuzz_string_edit.
#include <qeb/qebstring.h>

#include "qebstring_parse.h"
#include "test_support.h"

#include <clocale>
#include <cstdio>
#include <set>

namespace {

using StringNumber = PoolLeakCheck;

TEST_F(StringNumber, FullStopInACommaLocale) {
    if (!useCommaDecimalLocale()) GTEST_SKIP() << "no locale with a decimal comma";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 2.5);
    EXPECT_STREQ(probe, "2,5");  // the locale really is in force
    EXPECT_STREQ(QebString().assign(2.5).asCstr(), "2.5");
    double value = 0;
    EXPECT_TRUE(parseDoubleText("2.5", &value) && value == 2.5);
    EXPECT_FALSE(parseDoubleText("2,5", &value));
    std::setlocale(LC_ALL, "C");
}

// The parsers themselves are tested in test_qes_num.cpp; here the flags.
TEST_F(StringNumber, TextToNumbers) {
    const std::pair<QebString, const char *> cases[] = {  // asInt asInt64 asDouble, '!' after a failure
        {QebString(), "0! 0! 0!"}, {QebString(" -17 "), "-17 -17 -17"}, {QebString("12abc"), "0! 0! 0!"},
        {QebString("2147483648"), "0! 2147483648 2.14748e+09"}, {QebString("1e999"), "0! 0! 0!"},
    };
    for (const auto &[text, expected] : cases) {
        bool f[3];
        char got[96];
        const int i = text.asInt(&f[0]);
        const long long l = text.asInt64(&f[1]);
        const double d = text.asDouble(&f[2]);
        std::snprintf(got, sizeof got, "%d%s %lld%s %g%s", i, f[0] ? "!" : "", l, f[1] ? "!" : "", d, f[2] ? "!" : "");
        EXPECT_STREQ(got, expected) << text.asCstr();
    }
    EXPECT_EQ(QebString("x").asDouble(), 0.0);  // the flag is optional
}

// 22 characters of the URL-safe alphabet; the last carries only two bits.
TEST_F(StringNumber, UniqueIdentifiers) {
    std::set<std::string> seen;
    for (int i = 0; i < 2000; ++i) {
        const std::string id = textOf(qebGetUUID());
        ASSERT_EQ(id.size(), 22u);
        ASSERT_EQ(id.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"),
                  std::string::npos) << id;
        ASSERT_NE(std::string("AQgw").find(id[21]), std::string::npos) << id;
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 2000u);
}

}  // namespace
