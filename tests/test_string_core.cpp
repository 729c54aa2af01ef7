// QebString's core where fuzz_string_edit's byte model does not reach: null
// pointers, sharing instead of copying, case-blind comparison and the
// orderings.
#include <qeb/qebstring.h>

#include "test_support.h"

#include <map>
#include <set>

namespace {

using Access = QebStringTestAccess;
using StringCore = PoolLeakCheck;

TEST_F(StringCore, NullPointersAndSharing) {
    const QebString null;
    ASSERT_NE(null.asCstr(), nullptr);  // an empty text, never a null pointer
    EXPECT_TRUE(QebString(nullptr).isNull() && QebString(nullptr, true).isNull());
    QebString s("x");
    EXPECT_EQ(textAndLength(s.append(static_cast<const char *>(nullptr))), "x/1");
    EXPECT_EQ(textAndLength(s.assign(nullptr)), "<null>");
    EXPECT_EQ(null.compare(nullptr), 0);
    // A null string appended to takes the other's text as it is.
    QebString source("abc"), borrowed("lit", true), taker, borrower;
    taker.append(source);
    borrower.append(borrowed);
    EXPECT_EQ(Access::record(taker), Access::record(source));
    EXPECT_TRUE(Access::isBorrowed(borrower));
}

TEST_F(StringCore, ComparisonAndOrdering) {
    EXPECT_EQ(QebString("A").compare("a", true), -1);
    EXPECT_EQ(QebString("A").compare("a", false), 0);
    EXPECT_EQ(QebString("STRASSE").compare("stra\xC3\x9F" "e", false), kOnWindows ? -1 : 0);  // simple folding there
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
