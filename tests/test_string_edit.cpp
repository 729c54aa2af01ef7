// QebString's search and editing: positions in characters, mid and right,
// replace, trimming (never past the NUL), case mapping and truncation.
#include <qeb/qebstring.h>

#include "test_support.h"

namespace {

using Access = QebStringTestAccess;
using StringEdit = PoolLeakCheck;

const char *kHello = "h\xC3\xA9llo";  // 'é' takes two bytes

TEST_F(StringEdit, SearchCountsCharacters) {
    struct Case { const char *haystack, *needle; int start, found; };
    const Case finds[] = {
        {"hello", "lo", 0, 3},  {"hello", "lo", 4, -1},     {"hello", "lo", -5, 3},
        {"hello", "lo", 6, -1}, {"hello", "", 0, -1},       {kHello, "l", 0, 2},
        {kHello, "l", 3, 3},    {kHello, "\xC3\xA9", 1, 1}, {"\xE2\x82\xAC\xE2\x82\xAC" "x", "x", 0, 2},
    };
    for (const Case &c : finds) EXPECT_EQ(QebString(c.haystack).find(c.needle, c.start), c.found) << c.haystack;
    EXPECT_EQ(QebString("a").find(QebString(), 0), -1);
    EXPECT_EQ(QebString().find("a", 0), -1);
    const Case rfinds[] = {
        {"hello", "l", 0, 3}, {"aaa", "aa", 0, 1}, {"\xC3\xA9\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9", 0, 1},
        {"abc", "x", 0, -1},  {"abc", "", 0, -1},
    };
    for (const Case &c : rfinds) EXPECT_EQ(QebString(c.haystack).rfind(c.needle), c.found) << c.haystack;
    EXPECT_EQ(QebString().rfind("a"), -1);
}

TEST_F(StringEdit, MidAndRight) {
    const QebString s(kHello);
    const std::string hello = std::string(kHello) + "/5";
    const std::pair<QebString, std::string> cases[] = {
        {s.mid(1, 3), "\xC3\xA9ll/3"}, {s.mid(10, 2), "/0"},  // empty, not null
        {s.mid(5), "/0"}, {s.mid(0, -1), hello}, {s.mid(3, 100), "lo/2"}, {s.mid(2, 0), "/0"},
        {s.mid(0xFFFFFFFFu, 1), "/0"}, {QebString().mid(0, 1), "<null>"}, {s.right(4), "\xC3\xA9llo/4"},
        {s.right(10), hello}, {s.right(-1), "/0"}, {s.right(-2147483647 - 1), "/0"},
    };
    for (const auto &[got, want] : cases) EXPECT_EQ(textAndLength(got), want);
}

TEST_F(StringEdit, Replace) {
    const struct { const char *source, *from, *to; unsigned start; int count; const char *expected; } cases[] = {
        {"banana", "a", "b", 0, -1, "bbnbnb/6"},  {"banana", "a", "b", 0, 1, "bbnana/6"},
        {"banana", "a", "b", 2, -1, "banbnb/6"},  {"banana", "a", "b", 0, 0, "banana/6"},
        {"banana", "a", "b", 0, 2, "bbnbna/6"},   {"banana", "", "b", 0, -1, "banana/6"},
        {"banana", "a", nullptr, 0, -1, "bnn/3"}, {"banana", "a", "b", 99, -1, "banana/6"},
        {"banana", "ana", "[ana]", 0, -1, "b[ana]na/8"},
        {"banana", "a", "aa", 0, -1, "baanaanaa/9"},  // the replacement is never searched
        {"", "a", "b", 3, -1, "/0"},
        {"\xC3\xA9t\xC3\xA9 \xC3\xA9t\xC3\xA9", "\xC3\xA9", "e", 1, -1, "\xC3\xA9te ete/7"},
        {"\xC3\xA9t\xC3\xA9", "t", "\xE2\x82\xAC", 0, -1, "\xC3\xA9\xE2\x82\xAC\xC3\xA9/3"},
    };
    for (const auto &c : cases) {
        const QebString to = c.to ? QebString(c.to) : QebString();
        EXPECT_EQ(textAndLength(QebString(c.source).replace(c.from, to, c.start, c.count)), c.expected)
            << c.source << " " << c.from;
    }
    EXPECT_EQ(textAndLength(QebString().replace("a", "b")), "<null>");

    // Matches a plain loop on a large text with many occurrences.
    std::string large, expected;
    for (int i = 0; i < 5000; ++i) large += (i % 7 == 0) ? "needle\xC3\xA9" : "hay ";
    for (size_t pos = 0, at;; pos = at + 6) {
        at = large.find("needle", pos);
        expected += large.substr(pos, at - pos);
        if (at == std::string::npos) break;
        expected += "pin";
    }
    EXPECT_EQ(textAndLength(QebString(large.c_str()).replace("needle", "pin")),
              textAndLength(QebString(expected.c_str())));
}

TEST_F(StringEdit, TrimFromEitherEnd) {
    const struct { const char *source; bool left, right; int removed; const char *expected; } cases[] = {
        {"  ab ", true, true, 3, "ab/2"},  {" \t\n ", true, true, 4, "/0"},
        {"  x  ", true, false, 2, "x  /3"}, {"  x  ", false, true, 2, "  x/3"}, {"  x  ", false, false, 0, "  x  /5"},
        // A no-break space and an ideographic space are white space too.
        {"\xC2\xA0 \xC3\xA9 x \xE3\x80\x80", true, true, 4, "\xC3\xA9 x/3"},
    };
    for (const auto &c : cases) {
        QebString s(c.source);
        EXPECT_EQ(s.trim(c.left, c.right), c.removed) << c.source;
        EXPECT_EQ(textAndLength(s), c.expected);
    }
    QebString inner("a b"), copy(inner), null;
    EXPECT_EQ(inner.trim(true, true), 0);
    EXPECT_EQ(Access::record(inner), Access::record(copy));  // nothing to do: no copy
    EXPECT_EQ(null.trim(true, true), 0);

    QebString zeros("00120");
    EXPECT_EQ(zeros.trimChar('0', true, false), 2);
    EXPECT_EQ(textAndLength(zeros), "120/3");
    QebString euros("\xE2\x82\xAC" "5\xE2\x82\xAC\xE2\x82\xAC");
    EXPECT_EQ(euros.trimChar(0x20AC, true, true), 3);
    EXPECT_EQ(textAndLength(euros), "5/1");
    // The terminating NUL is no character to trim.
    for (QebString text : {QebString("", true), QebString(""), QebString("a")}) {
        const std::string before = textAndLength(text);
        EXPECT_EQ(text.trimChar(0, true, true), 0);
        EXPECT_EQ(textAndLength(text), before);
    }
}

TEST_F(StringEdit, CaseMappingAndTruncation) {
    QebString s("Stra\xC3\x9F" "e \xC3\x89t\xC3\xA9"), copy(s), null, empty("");
    EXPECT_TRUE(s.uppercase());
    EXPECT_EQ(textAndLength(s), "STRASSE \xC3\x89T\xC3\x89/11");  // one character became two
    EXPECT_EQ(textAndLength(copy), "Stra\xC3\x9F" "e \xC3\x89t\xC3\xA9/10");
    EXPECT_TRUE(s.lowercase());
    EXPECT_EQ(textAndLength(s), "strasse \xC3\xA9t\xC3\xA9/11");
    EXPECT_TRUE(null.lowercase() && empty.uppercase());
    EXPECT_EQ(textAndLength(null) + textAndLength(empty), "<null>/0");

    QebString h(kHello), hCopy(h);
    h.truncate(2);
    EXPECT_EQ(textAndLength(h), "h\xC3\xA9/2");
    EXPECT_EQ(h.cStrSize(), 4u);
    h.truncate(5);
    EXPECT_EQ(textAndLength(h), "h\xC3\xA9/2");
    h.truncate(0);
    EXPECT_EQ(textAndLength(h), "/0");
    EXPECT_EQ(textAndLength(hCopy), std::string(kHello) + "/5");
    null.truncate(0);
    EXPECT_TRUE(null.isNull());
}

}  // namespace
