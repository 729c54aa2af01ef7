// QebString's core: null, empty and borrowed text, copy on write, assigning
// and appending (also from its own text), ill-formed text, comparison.
#include <qeb/qebstring.h>

#include "test_support.h"

#include <functional>
#include <map>
#include <set>
#include <vector>

namespace {

using Access = QebStringTestAccess;
using StringCore = PoolLeakCheck;

TEST_F(StringCore, NullEmptyAndBorrowed) {
    const QebString null;
    ASSERT_NE(null.asCstr(), nullptr);  // an empty text, never a null pointer
    EXPECT_EQ(null.length() + null.cStrSize(), 1u);
    EXPECT_TRUE(QebString(nullptr).isNull() && QebString(nullptr, true).isNull());
    EXPECT_EQ(Access::capacity(QebString("")), 1u);
    const QebString borrowed("h\xC3\xA9llo", true);
    EXPECT_EQ(borrowed.length(), 5u);
    EXPECT_EQ(borrowed.cStrSize(), 7u);
}

// Every change copies a shared text first, and never writes a borrowed one.
TEST_F(StringCore, ChangesNeverShowThroughCopies) {
    static const char literal[] = "  Mixed Case  ";
    const std::vector<std::function<void(QebString &)>> edits = {
        [](QebString &s) { s.append(" more"); },
        [](QebString &s) { s.append(QebString("!")); },
        [](QebString &s) { s.trim(true, true); },
        [](QebString &s) { s.trimChar(' ', true, true); },
        [](QebString &s) { s.lowercase(); },
        [](QebString &s) { s.uppercase(); },
        [](QebString &s) { s.truncate(2); },
        [](QebString &s) { s.assign("other"); },
        [](QebString &s) { s.assign(12); },
    };
    for (size_t i = 0; i < edits.size(); ++i) {
        QebString owned(literal), ownedCopy(owned), borrowed(literal, true), borrowedCopy(borrowed);
        edits[i](ownedCopy);
        edits[i](borrowed);
        EXPECT_EQ(textAndLength(owned), "  Mixed Case  /14") << i;
        EXPECT_EQ(Access::refCount(owned), 1) << i;
        EXPECT_EQ(textAndLength(ownedCopy), textAndLength(borrowed)) << i;
        EXPECT_NE(textAndLength(ownedCopy), textAndLength(owned)) << i;
        EXPECT_EQ(borrowedCopy.asCstr(), literal);
        EXPECT_STREQ(literal, "  Mixed Case  ");
    }
    QebString a("shared"), b(a), c;
    c = a;
    EXPECT_EQ(Access::refCount(a), 3);
}

TEST_F(StringCore, AssignTakesCharactersOrAByteBudget) {
    const char *hello = "h\xC3\xA9llo";
    QebString s;
    const std::pair<int, const char *> byChars[] = {
        {3, "h\xC3\xA9l/3"}, {10, "h\xC3\xA9llo/5"}, {-1, "h\xC3\xA9llo/5"}, {0, "/0"}};
    for (const auto &[chars, expected] : byChars) EXPECT_EQ(textAndLength(s.assign(hello, chars)), expected);
    const std::pair<int, const char *> byBytes[] = {
        {2, "h/1"}, {3, "h\xC3\xA9/2"}, {100, "h\xC3\xA9llo/5"}, {0, "/0"}, {-4, "/0"}};
    for (const auto &[bytes, expected] : byBytes) EXPECT_EQ(textAndLength(s.assignBytes(hello, bytes)), expected);
    EXPECT_EQ(textAndLength(s.assignBytes("ab\xFF" "cd", 10)), "ab/2");  // stops at an ill-formed byte
    EXPECT_EQ(textAndLength(s.assign(nullptr)), "<null>");
}

TEST_F(StringCore, AppendRules) {
    QebString s, nullString, source("abc"), borrowed("lit", true);
    bool failed = true;
    s.append(nullString, &failed);
    EXPECT_TRUE(s.isNull() && !failed);  // null + null stays null
    s.append("", &failed);
    EXPECT_EQ(textAndLength(s), "/0");             // but null + "" is empty
    QebString taker, borrower;
    taker.append(source);
    borrower.append(borrowed);
    EXPECT_EQ(Access::record(taker), Access::record(source));
    EXPECT_TRUE(Access::isBorrowed(borrower));
    QebString t("x");
    t.append("h\xC3\xA9llo", 2).append(borrowed).append(nullString).append("\xE2\x82\xAC", 0);
    t.append(static_cast<const char *>(nullptr));
    EXPECT_EQ(textAndLength(t), "xh\xC3\xA9lit/6");
}

TEST_F(StringCore, ItsOwnTextAsSource) {
    QebString s("abcdef");
    s = s;
    s.assign(s.asCstr());
    s.assign(s.asCstr() + 2, 3);
    EXPECT_EQ(textAndLength(s), "cde/3");
    s.assignBytes(s.asCstr() + 1, 1);
    s.append(s);
    s.append(s);
    s.append(s.asCstr());  // the buffer grows while the text is read from it
    EXPECT_EQ(textAndLength(s), "dddddddd/8");
    QebString shared(s);
    s.append(s.asCstr() + 4);
    EXPECT_EQ(textAndLength(s) + textAndLength(shared), "dddddddddddd/12dddddddd/8");
}

TEST_F(StringCore, IllFormedTextIsCountedNotRejected) {
    QebString s("a\xE2\x82");  // ends inside a sequence
    EXPECT_EQ(s.length(), 2u);
    s.append("\xAC");  // completes it: the count follows the bytes
    EXPECT_EQ(textAndLength(s), "a\xE2\x82\xAC/2");
    EXPECT_EQ(QebString("\xFF\xFE").mid(1).cStrSize(), 2u);
}

TEST_F(StringCore, ComparisonAndOrdering) {
    QebString null, empty("");
    const int results[] = {
        null.compare(QebString()), null.compare(empty),  empty.compare(null),
        null.compare(nullptr),     null.compare(""),     QebString("abc").compare("abd"),
        QebString("abd").compare("abc"), QebString("A").compare("a", true),
        QebString("A").compare("a", false), QebString("\xC3\xA9").compare("z"),
        QebString("STRASSE").compare("stra\xC3\x9F" "e", false),
    };
    const int expected[] = {0, -1, 1, 0, -1, -1, 1, -1, 0, 1, 0};
    for (size_t i = 0; i < sizeof results / sizeof *results; ++i) EXPECT_EQ(results[i], expected[i]) << i;
    EXPECT_LT(QebString("apple").compare("Banana", false), 0);

    std::set<QebString, QebStringLess> sorted = {"b", QebString(), "B", "a"};
    std::string order;
    for (const QebString &s : sorted) order += textAndLength(s) + " ";
    EXPECT_EQ(order, "<null> B/1 a/1 b/1 ");
    std::map<QebString, int, QebStringLessInsensitive> folded;
    folded["Key"] = 1;
    folded["KEY"] += 1;
    EXPECT_EQ(folded.size(), 1u);
    EXPECT_EQ(folded.begin()->second, 2);
    EXPECT_TRUE(QebString("a") < QebString("b") && !(QebString("b") < QebString()));
}

}  // namespace
