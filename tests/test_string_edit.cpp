#include <qeb/qebstring.h>

#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Access = QebStringTestAccess;
using StringEdit = PoolLeakCheck;

const char *kHello = "h\xC3\xA9llo";  // 'é' takes two bytes

TEST_F(StringEdit, FindCountsCharacters) {
    QebString hello("hello"), accented(kHello), lo("lo"), l("l");
    EXPECT_EQ(hello.find(lo, 0), 3);
    EXPECT_EQ(hello.find(lo, 4), -1);
    EXPECT_EQ(hello.find(lo, -5), 3);
    EXPECT_EQ(hello.find(lo, 5), -1);
    EXPECT_EQ(hello.find(lo, 6), -1);
    EXPECT_EQ(hello.find(QebString(""), 0), -1);
    EXPECT_EQ(hello.find(QebString(), 0), -1);
    EXPECT_EQ(QebString().find(lo, 0), -1);
    EXPECT_EQ(accented.find(l, 0), 2);
    EXPECT_EQ(accented.find(l, 3), 3);
    EXPECT_EQ(accented.find(QebString("\xC3\xA9"), 1), 1);
    EXPECT_EQ(QebString("\xE2\x82\xAC\xE2\x82\xAC" "x").find(QebString("x")), 2);
}

TEST_F(StringEdit, RfindCountsOverlaps) {
    EXPECT_EQ(QebString("hello").rfind(QebString("l")), 3);
    EXPECT_EQ(QebString("aaa").rfind(QebString("aa")), 1);
    EXPECT_EQ(QebString("\xC3\xA9\xC3\xA9\xC3\xA9").rfind(QebString("\xC3\xA9\xC3\xA9")), 1);
    EXPECT_EQ(QebString("abc").rfind(QebString("x")), -1);
    EXPECT_EQ(QebString("abc").rfind(QebString("")), -1);
    EXPECT_EQ(QebString().rfind(QebString("a")), -1);
}

TEST_F(StringEdit, MidAndRight) {
    QebString s(kHello);
    EXPECT_STREQ(s.mid(1, 3).asCstr(), "\xC3\xA9ll");
    EXPECT_EQ(s.mid(1, 3).length(), 3u);
    QebString past = s.mid(10, 2);
    EXPECT_FALSE(past.isNull());
    EXPECT_STREQ(past.asCstr(), "");
    EXPECT_STREQ(s.mid(0, -1).asCstr(), kHello);
    EXPECT_STREQ(s.mid(5).asCstr(), "");
    EXPECT_FALSE(s.mid(5).isNull());
    EXPECT_STREQ(s.mid(2, 0).asCstr(), "");
    EXPECT_STREQ(s.mid(3, 100).asCstr(), "lo");
    EXPECT_EQ(s.mid(3, 100).length(), 2u);
    EXPECT_STREQ(s.mid(0xFFFFFFFFu, 1).asCstr(), "");
    EXPECT_TRUE(QebString().mid(0, 1).isNull());

    QebString hello("hello");
    EXPECT_STREQ(hello.right(2).asCstr(), "lo");
    EXPECT_STREQ(hello.right(10).asCstr(), "hello");
    EXPECT_STREQ(hello.right(-1).asCstr(), "");
    EXPECT_STREQ(hello.right(-2147483647 - 1).asCstr(), "");
    EXPECT_STREQ(s.right(4).asCstr(), "\xC3\xA9llo");
}

TEST_F(StringEdit, Replace) {
    QebString banana("banana"), a("a"), b("b");
    EXPECT_STREQ(banana.replace(a, b, 0, -1).asCstr(), "bbnbnb");
    EXPECT_STREQ(banana.replace(a, b, 0, 1).asCstr(), "bbnana");
    EXPECT_STREQ(banana.replace(a, b, 2, -1).asCstr(), "banbnb");
    EXPECT_STREQ(banana.replace(a, b, 0, 0).asCstr(), "banana");
    EXPECT_STREQ(banana.replace(a, b, 0, 2).asCstr(), "bbnbna");
    EXPECT_STREQ(banana.replace(QebString(""), b).asCstr(), "banana");
    EXPECT_STREQ(banana.replace(QebString(), b).asCstr(), "banana");
    EXPECT_STREQ(banana.replace(a, QebString()).asCstr(), "bnn");
    EXPECT_STREQ(banana.replace(a, b, 99, -1).asCstr(), "banana");
    EXPECT_STREQ(banana.replace(QebString("ana"), QebString("[ana]")).asCstr(), "b[ana]na");
    EXPECT_STREQ(banana.replace(a, QebString("aa")).asCstr(), "baanaanaa");  // to is never searched
    EXPECT_TRUE(QebString().replace(a, b).isNull());
    EXPECT_STREQ(banana.asCstr(), "banana");

    QebString accented("\xC3\xA9t\xC3\xA9 \xC3\xA9t\xC3\xA9");
    EXPECT_STREQ(accented.replace(QebString("\xC3\xA9"), QebString("e"), 1, -1).asCstr(),
                 "\xC3\xA9te ete");
    QebString replaced = accented.replace(QebString("t"), QebString("\xE2\x82\xAC"));
    EXPECT_STREQ(replaced.asCstr(), "\xC3\xA9\xE2\x82\xAC\xC3\xA9 \xC3\xA9\xE2\x82\xAC\xC3\xA9");
    EXPECT_EQ(replaced.length(), 7u);

    QebString empty("");
    EXPECT_FALSE(empty.replace(a, b, 3, -1).isNull());
}

TEST_F(StringEdit, ReplaceOnALargeTextMatchesAPlainLoop) {
    std::string text;
    for (int i = 0; i < 5000; ++i) text += (i % 7 == 0) ? "needle\xC3\xA9" : "hay ";
    std::string expected;
    for (size_t pos = 0;;) {
        size_t at = text.find("needle", pos);
        expected += text.substr(pos, at - pos);
        if (at == std::string::npos) break;
        expected += "pin";
        pos = at + 6;
    }
    QebString result = QebString(text.c_str()).replace(QebString("needle"), QebString("pin"));
    EXPECT_EQ(std::string(result.asCstr()), expected);
    EXPECT_EQ(result.length(), QebString(expected.c_str()).length());
}

TEST_F(StringEdit, Trim) {
    QebString s("  ab ");
    EXPECT_EQ(s.trim(true, true), 3);
    EXPECT_STREQ(s.asCstr(), "ab");
    EXPECT_EQ(s.length(), 2u);

    QebString inner("a b");
    QebString copy(inner);
    EXPECT_EQ(inner.trim(true, true), 0);
    EXPECT_EQ(Access::record(inner), Access::record(copy));  // no copy made

    QebString blanks(" \t\n ");
    EXPECT_EQ(blanks.trim(true, true), 4);
    EXPECT_STREQ(blanks.asCstr(), "");
    EXPECT_FALSE(blanks.isNull());

    QebString sides("  x  ");
    EXPECT_EQ(sides.trim(true, false), 2);
    EXPECT_STREQ(sides.asCstr(), "x  ");
    EXPECT_EQ(sides.trim(false, true), 2);
    EXPECT_STREQ(sides.asCstr(), "x");
    EXPECT_EQ(sides.trim(false, false), 0);

    // A no-break space is white space; trailing runs restart after text.
    QebString unicode("\xC2\xA0 \xC3\xA9 x \xE3\x80\x80");
    EXPECT_EQ(unicode.trim(true, true), 4);
    EXPECT_STREQ(unicode.asCstr(), "\xC3\xA9 x");
    EXPECT_EQ(unicode.length(), 3u);

    QebString null;
    EXPECT_EQ(null.trim(true, true), 0);
    EXPECT_TRUE(null.isNull());
}

TEST_F(StringEdit, TrimChar) {
    QebString zeros("00120");
    EXPECT_EQ(zeros.trimChar('0', true, false), 2);
    EXPECT_STREQ(zeros.asCstr(), "120");
    EXPECT_EQ(zeros.trimChar('0', false, true), 1);
    EXPECT_STREQ(zeros.asCstr(), "12");
    QebString euros("\xE2\x82\xAC" "5\xE2\x82\xAC\xE2\x82\xAC");
    EXPECT_EQ(euros.trimChar(0x20AC, true, true), 3);
    EXPECT_STREQ(euros.asCstr(), "5");
    EXPECT_EQ(euros.length(), 1u);
}

TEST_F(StringEdit, CaseMappingMayChangeTheByteLength) {
    QebString s("Stra\xC3\x9F" "e \xC3\x89t\xC3\xA9");
    QebString copy(s);
    EXPECT_TRUE(s.uppercase());
    EXPECT_STREQ(s.asCstr(), "STRASSE \xC3\x89T\xC3\x89");
    EXPECT_EQ(s.length(), 11u);
    EXPECT_STREQ(copy.asCstr(), "Stra\xC3\x9F" "e \xC3\x89t\xC3\xA9");
    EXPECT_TRUE(s.lowercase());
    EXPECT_STREQ(s.asCstr(), "strasse \xC3\xA9t\xC3\xA9");

    QebString null, empty("");
    EXPECT_TRUE(null.lowercase());
    EXPECT_TRUE(null.isNull());
    EXPECT_TRUE(empty.uppercase());
    EXPECT_STREQ(empty.asCstr(), "");
}

TEST_F(StringEdit, Truncate) {
    QebString s(kHello);
    QebString copy(s);
    s.truncate(2);
    EXPECT_STREQ(s.asCstr(), "h\xC3\xA9");
    EXPECT_EQ(s.cStrSize(), 4u);
    EXPECT_EQ(s.length(), 2u);
    EXPECT_STREQ(copy.asCstr(), kHello);
    s.truncate(5);
    EXPECT_STREQ(s.asCstr(), "h\xC3\xA9");
    s.truncate(0);
    EXPECT_STREQ(s.asCstr(), "");
    EXPECT_FALSE(s.isNull());
    QebString null;
    null.truncate(0);
    EXPECT_TRUE(null.isNull());
}

}  // namespace
