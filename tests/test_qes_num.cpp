#include "qes_num.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

// "result:value", or "result" when the parser refused (the value untouched).
template <class T, class Parse>
std::string parsed(const char *text, Parse parse) {
    T value = T(99);
    const int result = parse(text, &value);
    return result > 0 ? std::to_string(result) + ":" + std::to_string(value) : std::to_string(result);
}

std::string asInt(const char *text) {
    return parsed<int>(text, [](const char *t, int *v) { return qes_numparse(t, v, 0, 0); });
}
std::string asInt64(const char *text) {
    return parsed<long long>(text, [](const char *t, long long *v) { return qes_numparse64(t, v, 0, 0); });
}
std::string asDouble(const char *text) {
    return parsed<double>(text, qes_numparsedbl);
}

TEST(NumberParsers, Integers) {
    const std::pair<const char *, const char *> cases[] = {
        {"42", "1:42"}, {" \t+7 ", "1:7"}, {"-0", "1:0"}, {"007", "1:7"},
        {"-2147483648", "1:-2147483648"}, {"2147483648", "-1"}, {"-2147483649", "-1"},
        {"99999999999999999999999x", "0"},
    };
    for (const auto &[text, expected] : cases) EXPECT_EQ(asInt(text), expected) << text;
    for (const char *text : {"", "   ", "+", "-", "+-1", "--1", "1 2", "12x", "x12", "1.0", "1e3",
                             "0x10", "\xC2\xA0" "1", "1,000", "\xEF\xBC\x91"})
        EXPECT_EQ(asInt(text), "0") << '"' << text << '"';
    int value = 0;
    EXPECT_EQ(qes_numparse(nullptr, &value, 0, 0), 0);
    EXPECT_EQ(qes_numparse("1", nullptr, 0, 0), 0);
    EXPECT_EQ(qes_numparse("1", &value, 16, 0), 0);
    EXPECT_EQ(asInt64("9223372036854775807"), "1:9223372036854775807");
    EXPECT_EQ(asInt64(" -9223372036854775808"), "1:-9223372036854775808");
    EXPECT_EQ(asInt64("9223372036854775808"), "-1");
    EXPECT_EQ(asInt64("1.5"), "0");
}

TEST(NumberParsers, Doubles) {
    const std::pair<const char *, double> good[] = {
        {"0.1", 0.1}, {" -2.5 ", -2.5}, {"+.5", 0.5}, {"5.", 5.0}, {"1e3", 1000.0},
        {"1E-3", 0.001}, {"12", 12.0}, {"4.9e-324", 4.9e-324}, {"0e-400", 0.0},
        {"1.7976931348623157e308", std::numeric_limits<double>::max()},
    };
    for (const auto &[text, expected] : good) {
        double value = 0;
        EXPECT_EQ(qes_numparsedbl(text, &value), 1) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const char *text : {"", " ", ".", "-.", "e5", "1e", "1e+", "1.2.3", "1,5", "inf", "nan",
                             "-infinity", "0x1p3", "1 e3", "1e3x"})
        EXPECT_EQ(asDouble(text), "0") << '"' << text << '"';
    for (const char *text : {"1e309", "-1e309", "1e-400"}) EXPECT_EQ(asDouble(text), "-1") << text;
}

}  // namespace
