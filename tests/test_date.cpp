#include <qeb/qebdate.h>

#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <string>
#include <vector>

namespace {

using DateValue = PoolLeakCheck;

std::string elements(const QebDate &date) {
    int e[6] = {-1, -1, -1, -1, -1, -1};
    date.getElements(&e[0], &e[1], &e[2], &e[3], &e[4], &e[5]);
    std::string text;
    for (int v : e) text += std::to_string(v) + " ";
    return text;
}

TEST_F(DateValue, NullDates) {
    QebDate null;
    EXPECT_TRUE(null.isNull());
    EXPECT_EQ(null.asDouble(), 0.0);
    EXPECT_EQ(null.getWeekDay(), -1);
    EXPECT_EQ(elements(null), "0 0 0 0 0 0 ");
    EXPECT_TRUE(null.asString(true).isNull());
    EXPECT_TRUE(null.asString(false).isNull());
    null.getElements(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);

    QebDate refused(2024, 2, 30, 0, 0, 0);
    EXPECT_TRUE(refused.isNull());
    EXPECT_EQ(refused.asDouble(), 0.0);
    EXPECT_TRUE(QebDate("not a date").isNull());
    EXPECT_TRUE(QebDate(static_cast<const char *>(nullptr)).isNull());
    EXPECT_TRUE(QebDate("14:07").isNull());  // a time alone has no calendar date
    EXPECT_TRUE(QebDate(std::nan("")).isNull());
    EXPECT_TRUE(QebDate(1e9).isNull());
}

TEST_F(DateValue, ElementsAndTextForms) {
    QebDate date(2024, 3, 5, 14, 7, 9);
    ASSERT_FALSE(date.isNull());
    EXPECT_EQ(elements(date), "2024 3 5 14 7 9 ");
    EXPECT_STREQ(date.asString(true).asCstr(), "2024-03-05 14:07:09");
    int year = 0;
    date.getElements(&year, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(year, 2024);

    QebDate old(1899, 6, 1, 0, 0, 0);
    EXPECT_TRUE(old.asString(false).isNull());
    EXPECT_STREQ(old.asString(true).asCstr(), "1899-06-01 00:00:00");
    EXPECT_STREQ(QebDate(812, 7, 4, 1, 2, 3).asString(true).asCstr(), "0812-07-04 01:02:03");

    std::setlocale(LC_ALL, "C");
    EXPECT_STREQ(date.asString(false).asCstr(), "03/05/24 14:07:09");
}

TEST_F(DateValue, LocaleTextIsUtf8) {
    if (!useUtf8Locale("ja_JP")) GTEST_SKIP() << "no Japanese locale";
    QebString text = QebDate(2024, 3, 5, 14, 7, 9).asString(false);
    EXPECT_STREQ(text.asCstr(), "2024\xE5\xB9\xB4" "03\xE6\x9C\x88" "05\xE6\x97\xA5 "
                                "14\xE6\x99\x82" "07\xE5\x88\x86" "09\xE7\xA7\x92");
    std::setlocale(LC_ALL, "C");
}

TEST_F(DateValue, AssignmentRules) {
    QebDate date(2024, 3, 5, 14, 7, 9);
    const double before = date.asDouble();
    date.assign(2024, 2, 30, 0, 0, 0);
    EXPECT_TRUE(date.isNull());
    EXPECT_EQ(date.asDouble(), before);  // not reset by a refused assignment
    date.assign("2024-03-05 14:07:09");
    EXPECT_FALSE(date.isNull());
    EXPECT_EQ(date.asDouble(), before);
    date.setNull();
    EXPECT_TRUE(date.isNull());
    EXPECT_EQ(date.asDouble(), before);

    // A double between two milliseconds becomes the nearer one's value.
    const double oneMs = 1.0 / 86400000.0;
    QebDate normalised(before + 0.3 * oneMs);
    EXPECT_EQ(normalised.asDouble(), before);
    EXPECT_EQ(QebDate(before + 0.7 * oneMs).compare(QebDate(before)), 1);
}

TEST_F(DateValue, TextFollowsTheDateOrder) {
    ASSERT_TRUE(qebSetDateOrder(0));
    EXPECT_EQ(elements(QebDate("03/05/2024")), "2024 3 5 0 0 0 ");
    ASSERT_TRUE(qebSetDateOrder(1));
    EXPECT_EQ(elements(QebDate("03/05/2024")), "2024 5 3 0 0 0 ");
    EXPECT_FALSE(qebSetDateOrder(7));
    EXPECT_EQ(qebGetDateOrder(), 1);
    qebSetDateOrder(0);
}

TEST_F(DateValue, OrderingPutsNullsFirst) {
    QebDate null, early(2000, 1, 1, 0, 0, 0), late(2000, 1, 1, 0, 0, 1);
    EXPECT_EQ(null.compare(QebDate()), 0);
    EXPECT_EQ(null.compare(early), -1);
    EXPECT_EQ(early.compare(null), 1);
    EXPECT_EQ(early.compare(late), -1);
    EXPECT_EQ(late.compare(early), 1);
    EXPECT_EQ(late.compare(late), 0);
    std::vector<QebDate> dates = {late, null, early, QebDate(1, 1, 1, 0, 0, 0)};
    std::sort(dates.begin(), dates.end(), QebDateLess());
    EXPECT_TRUE(dates[0].isNull());
    EXPECT_EQ(dates[1].compare(QebDate(1, 1, 1, 0, 0, 0)), 0);
    EXPECT_TRUE(dates[3] < late || dates[3].compare(late) == 0);
}

TEST_F(DateValue, WeekDays) {
    EXPECT_EQ(QebDate(2024, 1, 1, 0, 0, 0).getWeekDay(), 1);
    EXPECT_EQ(QebDate(1969, 7, 20, 20, 17, 0).getWeekDay(), 0);  // before 1970 too
    EXPECT_EQ(QebDate(1, 1, 1, 0, 0, 0).getWeekDay(), 1);
    EXPECT_EQ(QebDate(9999, 12, 31, 23, 59, 59).getWeekDay(), 5);
}

TEST_F(DateValue, CurrentDateIsNow) {
    QebDate now = QebDate::currentDate();
    ASSERT_FALSE(now.isNull());
    EXPECT_LE(std::abs(now.asDouble() - QebDate::currentDate().asDouble()), 1.0 / 24);
    int year = 0;
    now.getElements(&year, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_GE(year, 2024);
}

TEST_F(DateValue, TextFormsWhenMemoryRunsOut) {
    const QebDate date(2024, 3, 5, 14, 7, 9);
    forEachAllocationFailure(
        [] { return QebString(); }, [&](QebString &text) { text = date.asString(true); },
        [](QebString &text, bool failed) { EXPECT_EQ(text.isNull(), failed); });
}

}  // namespace
