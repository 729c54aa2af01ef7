// QebDate: null dates, the locale's text (UTF-8 in any locale), assignment
// rules, ordering and the current date. Dates read in each order and day
// counts are fuzz_date's.
#include <qeb/qebdate.h>

#include "test_support.h"

#include <algorithm>
#include <clocale>
#include <cmath>
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
    const QebDate null;
    EXPECT_EQ(null.getWeekDay(), -1);
    EXPECT_EQ(elements(null), "0 0 0 0 0 0 ");
    EXPECT_TRUE(null.asString(true).isNull() && null.asString(false).isNull());
    null.getElements(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    // Refused elements, text that is no date (a time alone has no calendar
    // date), NaN and doubles beyond the year 9999.
    for (const QebDate &date : {null, QebDate(2024, 2, 30, 0, 0, 0), QebDate("not a date"), QebDate("14:07"),
                                QebDate(static_cast<const char *>(nullptr)), QebDate(std::nan("")), QebDate(1e9)}) {
        EXPECT_TRUE(date.isNull());
        EXPECT_EQ(date.asDouble(), 0.0);
    }
}

// The sortable text and the elements of any date read are fuzz_date's; here
// the locale's text, which a date before 1900 lacks.
TEST_F(DateValue, LocaleTextIsUtf8) {
    std::setlocale(LC_ALL, "C");
    const QebDate date(2024, 3, 5, 14, 7, 9);
    // Windows writes it in the user's locale, whatever the C library's.
    const QebString text = date.asString(false);
    EXPECT_GT(text.length(), 0u);
    if (!kOnWindows) {
        EXPECT_EQ(textOf(text), "03/05/24 14:07:09");
    }
    EXPECT_EQ(textOf(QebDate(1899, 6, 1, 0, 0, 0).asString(false)), "<null>");
    if (!useUtf8Locale("ja_JP")) GTEST_SKIP() << "no Japanese locale";
    EXPECT_EQ(textOf(date.asString(false)), "2024\xE5\xB9\xB4" "03\xE6\x9C\x88" "05\xE6\x97\xA5 "
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
    ASSERT_TRUE(qebSetDateOrder(2));
    EXPECT_FALSE(qebSetDateOrder(7));
    EXPECT_EQ(qebGetDateOrder(), 2);
    ASSERT_TRUE(qebSetDateOrder(0));
}

// Elements not asked for are skipped; the others are those of a full call.
TEST_F(DateValue, SkippedElements) {
    for (const QebDate &date : {QebDate(1899, 12, 29, 18, 30, 15), QebDate()}) {
        int all[6], some[6] = {-1, -1, -1, -1, -1, -1};
        date.getElements(&all[0], &all[1], &all[2], &all[3], &all[4], &all[5]);
        date.getElements(nullptr, &some[1], nullptr, &some[3], nullptr, &some[5]);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(some[i], i % 2 ? all[i] : -1) << i;
    }
}

TEST_F(DateValue, OrderingPutsNullsFirst) {
    const QebDate null, early(2000, 1, 1, 0, 0, 0), late(2000, 1, 1, 0, 0, 1), first(1, 1, 1, 0, 0, 0);
    EXPECT_EQ(null.compare(QebDate()), 0);
    EXPECT_EQ(null.compare(early), -1);
    EXPECT_EQ(early.compare(null), 1);
    EXPECT_EQ(early.compare(late), -1);
    EXPECT_EQ(late.compare(late), 0);
    EXPECT_TRUE(null < early && !(late < early));
    std::vector<QebDate> dates = {late, null, early, first};
    std::sort(dates.begin(), dates.end(), QebDateLess());
    EXPECT_TRUE(dates[0].isNull());
    EXPECT_EQ(dates[1].compare(first), 0);
    EXPECT_EQ(dates[3].compare(late), 0);
}

TEST_F(DateValue, CurrentDateIsNow) {
    QebDate now = QebDate::currentDate();
    ASSERT_FALSE(now.isNull());
    EXPECT_LE(std::abs(now.asDouble() - QebDate::currentDate().asDouble()), 1.0 / 24);
    int year = 0;
    now.getElements(&year, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_GE(year, 2024);
}

}  // namespace
