#include <qeb/qebstring.h>

#include "test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using Access = QebStringTestAccess;
using StringCore = PoolLeakCheck;

TEST_F(StringCore, NullEmptyAndBorrowedStates) {
    QebString null;
    EXPECT_TRUE(null.isNull());
    EXPECT_EQ(null.length(), 0u);
    EXPECT_EQ(null.cStrSize(), 1u);
    ASSERT_NE(null.asCstr(), nullptr);
    EXPECT_STREQ(null.asCstr(), "");
    EXPECT_TRUE(QebString(nullptr).isNull());
    EXPECT_TRUE(QebString(nullptr, true).isNull());

    QebString empty;
    empty.assign("");
    EXPECT_FALSE(empty.isNull());
    EXPECT_EQ(empty.length(), 0u);
    EXPECT_EQ(Access::capacity(empty), 1u);

    static const char literal[] = "h\xC3\xA9llo";
    QebString borrowed(literal, true);
    EXPECT_TRUE(Access::isBorrowed(borrowed));
    EXPECT_EQ(borrowed.asCstr(), literal);
    EXPECT_EQ(borrowed.length(), 5u);
    EXPECT_EQ(borrowed.cStrSize(), 7u);
}

TEST_F(StringCore, CopiesShareUntilOneChanges) {
    QebString a("shared text");
    QebString b(a);
    QebString c;
    c = a;
    EXPECT_EQ(Access::record(a), Access::record(b));
    EXPECT_EQ(Access::refCount(a), 3);

    b.append("x");
    EXPECT_STREQ(a.asCstr(), "shared text");
    EXPECT_STREQ(b.asCstr(), "shared textx");
    EXPECT_EQ(Access::refCount(a), 2);
    c.setNull();
    EXPECT_EQ(Access::refCount(a), 1);
}

// Every in-place edit copies a shared text before it changes it.
TEST_F(StringCore, EveryEditLeavesOtherSharersAlone) {
    const std::vector<std::pair<const char *, void (*)(QebString &)>> edits = {
        {"append", [](QebString &s) { s.append(" more"); }},
        {"appendString", [](QebString &s) { s.append(QebString("!")); }},
        {"trim", [](QebString &s) { s.trim(true, true); }},
        {"trimChar", [](QebString &s) { s.trimChar(' ', true, true); }},
        {"lowercase", [](QebString &s) { s.lowercase(); }},
        {"uppercase", [](QebString &s) { s.uppercase(); }},
        {"truncate", [](QebString &s) { s.truncate(2); }},
        {"assign", [](QebString &s) { s.assign("other"); }},
        {"assignNumber", [](QebString &s) { s.assign(12); }},
    };
    for (const auto &[name, edit] : edits) {
        SCOPED_TRACE(name);
        QebString original("  Mixed Case  ");
        QebString copy(original);
        edit(copy);
        EXPECT_STREQ(original.asCstr(), "  Mixed Case  ");
        EXPECT_STRNE(copy.asCstr(), "  Mixed Case  ");
        EXPECT_EQ(Access::refCount(original), 1);
    }
}

TEST_F(StringCore, BorrowedTextIsNeverWritten) {
    static const char literal[] = "  Literal  ";
    const std::vector<void (*)(QebString &)> edits = {
        [](QebString &s) { s.append("x"); },
        [](QebString &s) { s.trim(true, true); },
        [](QebString &s) { s.uppercase(); },
        [](QebString &s) { s.truncate(3); },
        [](QebString &s) { s.trimChar(' ', true, false); },
    };
    for (auto edit : edits) {
        QebString s(literal, true);
        QebString copy(s);
        EXPECT_TRUE(Access::isBorrowed(copy));
        edit(s);
        EXPECT_FALSE(Access::isBorrowed(s));
        EXPECT_STREQ(literal, "  Literal  ");
        EXPECT_EQ(copy.asCstr(), literal);
    }
}

TEST_F(StringCore, AssignCountsCharactersNotBytes) {
    const char *text = "h\xC3\xA9llo";
    QebString s;
    EXPECT_STREQ(s.assign(text, 3).asCstr(), "h\xC3\xA9l");
    EXPECT_EQ(s.length(), 3u);
    EXPECT_EQ(s.cStrSize(), 5u);
    EXPECT_STREQ(s.assign(text, 10).asCstr(), text);
    EXPECT_EQ(s.length(), 5u);
    EXPECT_STREQ(s.assign(text, -1).asCstr(), text);
    EXPECT_STREQ(s.assign(text, 0).asCstr(), "");
    EXPECT_FALSE(s.isNull());
    EXPECT_TRUE(s.assign(nullptr).isNull());
}

TEST_F(StringCore, AssignBytesKeepsWholeCharacters) {
    const char *text = "h\xC3\xA9llo";
    QebString s;
    EXPECT_STREQ(s.assignBytes(text, 2).asCstr(), "h");
    EXPECT_STREQ(s.assignBytes(text, 3).asCstr(), "h\xC3\xA9");
    EXPECT_EQ(s.length(), 2u);
    EXPECT_STREQ(s.assignBytes(text, 100).asCstr(), text);
    EXPECT_STREQ(s.assignBytes(text, 0).asCstr(), "");
    EXPECT_FALSE(s.isNull());
    EXPECT_STREQ(s.assignBytes(text, -4).asCstr(), "");
    // Stops at an ill-formed sequence.
    EXPECT_STREQ(s.assignBytes("ab\xFF" "cd", 10).asCstr(), "ab");
    EXPECT_STREQ(s.assignBytes("\x80", 10).asCstr(), "");
}

TEST_F(StringCore, CapacityDoublesFromTheAssignedSize) {
    QebString s;
    s.assign("hello");
    EXPECT_EQ(Access::capacity(s), 8u);
    s.append("abc");
    EXPECT_EQ(Access::capacity(s), 16u);
    s.assign("12345678");
    EXPECT_EQ(Access::capacity(s), 16u);
    s.assign("1234567");
    EXPECT_EQ(Access::capacity(s), 8u);
    // A shared text is copied at exactly the new size.
    QebString copy(s);
    copy.append("89");
    EXPECT_EQ(Access::capacity(copy), 10u);
    copy.append("x");
    EXPECT_EQ(Access::capacity(copy), 20u);
}

TEST_F(StringCore, AppendRules) {
    QebString s;
    QebString nullString;
    bool failed = true;
    s.append(nullString, &failed);
    EXPECT_TRUE(s.isNull());
    EXPECT_FALSE(failed);
    s.append("", &failed);
    EXPECT_FALSE(s.isNull());
    EXPECT_FALSE(failed);

    QebString source("abc");
    QebString taker;
    taker.append(source);
    EXPECT_EQ(Access::record(taker), Access::record(source));
    EXPECT_EQ(Access::refCount(source), 2);

    QebString borrowed("lit", true);
    QebString taker2;
    taker2.append(borrowed);
    EXPECT_TRUE(Access::isBorrowed(taker2));

    QebString s2("x");
    s2.append("h\xC3\xA9llo", 2).append(borrowed).append(nullString).append("\xE2\x82\xAC", 0);
    EXPECT_STREQ(s2.asCstr(), "xh\xC3\xA9lit");
    EXPECT_EQ(s2.length(), 6u);
    s2.append(static_cast<const char *>(nullptr));
    EXPECT_STREQ(s2.asCstr(), "xh\xC3\xA9lit");
}

TEST_F(StringCore, SelfAssignmentAndSelfAppend) {
    QebString s("abcdef");
    s = s;
    EXPECT_STREQ(s.asCstr(), "abcdef");
    s.assign(s.asCstr());
    EXPECT_STREQ(s.asCstr(), "abcdef");
    s.assign(s.asCstr() + 2, 3);
    EXPECT_STREQ(s.asCstr(), "cde");
    s.assignBytes(s.asCstr() + 1, 1);
    EXPECT_STREQ(s.asCstr(), "d");
    s.append(s);
    s.append(s);
    s.append(s.asCstr());  // forces the buffer to grow while reading itself
    EXPECT_STREQ(s.asCstr(), "dddddddd");
    EXPECT_EQ(s.length(), 8u);

    QebString shared(s);
    s.append(s.asCstr() + 4);
    EXPECT_STREQ(s.asCstr(), "dddddddddddd");
    EXPECT_STREQ(shared.asCstr(), "dddddddd");
}

TEST_F(StringCore, IllFormedTextIsCountedNotRejected) {
    QebString s("a\xE2\x82");  // ends inside a sequence
    EXPECT_EQ(s.length(), 2u);
    s.append("\xAC");  // completes it: the count follows the bytes
    EXPECT_STREQ(s.asCstr(), "a\xE2\x82\xAC");
    EXPECT_EQ(s.length(), 2u);
    QebString t("\xFF\xFE");
    EXPECT_EQ(t.length(), 2u);
    EXPECT_EQ(t.mid(1).cStrSize(), 2u);
}

TEST_F(StringCore, Comparison) {
    QebString null, empty(""), abc("abc"), abd("abd"), upper("A"), lower("a");
    EXPECT_EQ(null.compare(QebString()), 0);
    EXPECT_EQ(null.compare(empty), -1);
    EXPECT_EQ(empty.compare(null), 1);
    EXPECT_EQ(null.compare(static_cast<const char *>(nullptr)), 0);
    EXPECT_EQ(null.compare(""), -1);
    EXPECT_EQ(abc.compare(abd), -1);
    EXPECT_EQ(abd.compare("abc"), 1);
    EXPECT_EQ(abc.compare("abc"), 0);
    EXPECT_EQ(upper.compare(lower, true), -1);
    EXPECT_EQ(upper.compare(lower, false), 0);
    EXPECT_EQ(QebString("\xC3\xA9").compare("z"), 1);  // bytes compare unsigned
    EXPECT_EQ(QebString("STRASSE").compare("stra\xC3\x9F" "e", false), 0);
    EXPECT_LT(QebString("apple").compare("Banana", false), 0);
}

TEST_F(StringCore, OrderedContainers) {
    std::set<QebString, QebStringLess> sorted = {QebString("b"), QebString(), QebString("B"),
                                                 QebString("a")};
    std::vector<std::string> order;
    for (const auto &s : sorted) order.push_back(s.isNull() ? "<null>" : s.asCstr());
    EXPECT_EQ(order, (std::vector<std::string>{"<null>", "B", "a", "b"}));

    std::map<QebString, int, QebStringLessInsensitive> folded;
    folded[QebString("Key")] = 1;
    folded[QebString("KEY")] += 1;
    EXPECT_EQ(folded.size(), 1u);
    EXPECT_EQ(folded.begin()->second, 2);
    EXPECT_TRUE(QebString("a") < QebString("b"));
    EXPECT_FALSE(QebString("b") < QebString());
}

}  // namespace
