// The date library: millisecond rounding, refused elements, reading text in
// each order, local time, and composition and decomposition against the
// model of their former arithmetic. The calendar itself is checked against a
// model of its own by fuzz_date.
#include "qes_date.h"
#include "qes_date_model.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

TEST(DateLibrary, DecompositionRoundsToTheNearestMillisecond) {
    const double ms = 1.0 / 86400000.0;
    const struct { double value; int day, hour, milli; } cases[] = {
        {0.4 * ms, 30, 0, 0}, {0.6 * ms, 30, 0, 1}, {1.0 - 0.2 * ms, 31, 0, 0},  // into the next day
        {-0.75, 29, 6, 0}, {2.5, 1, 12, 0},  // one continuous scale before 1899-12-30 and after
    };
    for (const auto &c : cases) {
        int y, mo, d, h, mi, s, milli;
        ASSERT_TRUE(qes_decompose_date_milli(c.value, &y, &mo, &d, &h, &mi, &s, &milli));
        EXPECT_EQ(std::to_string(d) + " " + std::to_string(h) + " " + std::to_string(milli),
                  std::to_string(c.day) + " " + std::to_string(c.hour) + " " + std::to_string(c.milli)) << c.value;
    }
}

TEST(DateLibrary, RefusesWhatIsNoDateTime) {
    double v = 42;
    const int refused[][7] = {
        {2024, 0, 1, 0, 0, 0, 0},  {2024, 13, 1, 0, 0, 0, 0}, {2024, 2, 30, 0, 0, 0, 0}, {2023, 2, 29, 0, 0, 0, 0},
        {1900, 2, 29, 0, 0, 0, 0}, {2024, 4, 31, 0, 0, 0, 0}, {2024, 1, 0, 0, 0, 0, 0},  {2024, 1, 1, 24, 0, 0, 0},
        {2024, 1, 1, 0, 60, 0, 0}, {2024, 1, 1, 0, 0, 60, 0}, {2024, 1, 1, -1, 0, 0, 0}, {0, 1, 1, 0, 0, 0, 0},
        {10000, 1, 1, 0, 0, 0, 0}, {-5, 1, 1, 0, 0, 0, 0},    {2024, 1, 1, 0, 0, 0, 1000},
    };
    for (const auto &e : refused)
        EXPECT_EQ(qes_compose_date_milli(e[0], e[1], e[2], e[3], e[4], e[5], e[6], &v), 0) << e[0] << "-" << e[1] << "-" << e[2];
    EXPECT_EQ(v, 42);
    int y = -7, mo, d, h, mi, s;
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), -1e300, 1e300, -693594.0 - 1, 2958466.0})
        EXPECT_EQ(qes_decompose_date(bad, &y, &mo, &d, &h, &mi, &s), 0) << bad;
    EXPECT_EQ(y, -7);
    EXPECT_EQ(qes_weekday(2023, 2, 29), -1);
}

// "YYYY-MM-DD HH:MM:SS" of what text reads as, "refused" when nothing.
std::string parse(const char *text, int order = QES_DATE_MDY) {
    int y = 99, mo, d, h, mi, s;
    if (qes_string_to_date(text, &y, &mo, &d, &h, &mi, &s, order) != 0) return y == 99 ? "refused" : "written";
    char out[64];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
    return out;
}

TEST(DateLibrary, ReadsDatesInEachOrder) {
    const struct { const char *text; int order; const char *read; } cases[] = {
        {"03/05/2024", QES_DATE_MDY, "2024-03-05 00:00:00"}, {"03/05/2024", QES_DATE_DMY, "2024-05-03 00:00:00"},
        {"2024.03.05", QES_DATE_YMD, "2024-03-05 00:00:00"},
        {"2024-03-05", QES_DATE_DMY, "2024-03-05 00:00:00"},  // ISO in every order
        {" 3-5-24 ", QES_DATE_MDY, "2024-03-05 00:00:00"}, {"31.12.69", QES_DATE_DMY, "1969-12-31 00:00:00"},
        {"1/1/68", QES_DATE_MDY, "2068-01-01 00:00:00"}, {"12/31/1999 23:59:58", QES_DATE_MDY, "1999-12-31 23:59:58"},
        {"2024-03-05T7:05", QES_DATE_MDY, "2024-03-05 07:05:00"},
        {"2024-03-05 \t 14:07:09  ", QES_DATE_MDY, "2024-03-05 14:07:09"},
        {"14:07", QES_DATE_MDY, "0000-00-00 14:07:00"}, {"\t0:00:01", QES_DATE_YMD, "0000-00-00 00:00:01"},
        {"2024/03/05", QES_DATE_MDY, "refused"}, {"1/2/2024", 3, "refused"}, {nullptr, QES_DATE_MDY, "refused"},
    };
    for (const auto &c : cases) EXPECT_EQ(parse(c.text, c.order), c.read) << (c.text ? c.text : "null");
    for (const char *text : {
             "", "   ", "2024", "20240305", "2024-03", "2024-03-05-01", "2024-03/05", "03/05/2024x",
             "2/30/2024", "13/01/2024", "0/1/2024", "1/1/0", "1/1/123", "1/1/12345", "001/1/2024",
             "2024-03-05T", "2024-03-05 x", "2024-03-05 7", "2024-03-05 7:5", "2024-03-05 24:00",
             "2024-03-05 12:60", "2024-03-05 12:00:60", "25:00", "12:", "12:5", "1:30:", "yes", "-1/2/2024",
             "1/2/2024 12:00 PM", "2024-03-05T12:00:00.5", "1/2/+2024", "２０２４-03-05"})
        EXPECT_EQ(parse(text), "refused") << text;
}

TEST(DateLibrary, ALocalTimeThatCannotBeHadIsAFailure) {
    double value = 42;
    EXPECT_FALSE(qes_local_date(LLONG_MAX, 0, &value));        // beyond the system's conversion
    EXPECT_FALSE(qes_local_date(400000000000LL, 0, &value));  // beyond the year 9999
    EXPECT_EQ(value, 42);
    ASSERT_TRUE(qes_local_date(0, 999, &value));
    int y, mo, d, h, mi, s, ms;
    ASSERT_TRUE(qes_decompose_date_milli(value, &y, &mo, &d, &h, &mi, &s, &ms));
    EXPECT_EQ(ms, 999);
}

const int kFirstDay = -693593, kLastDay = 2958465;  // 0001-01-01 and 9999-12-31
const double kMs = 1.0 / 86400000, kInfinity = std::numeric_limits<double>::infinity();

// What a composition or decomposition gives: its code, and the value's bits
// or the elements (-7 where nothing was written).
struct Outcome {
    int code;
    std::uint64_t bits;
    int elements[7];
    bool operator==(const Outcome &o) const {
        return code == o.code && bits == o.bits && std::memcmp(elements, o.elements, sizeof elements) == 0;
    }
};

std::string describe(const Outcome &o) {
    std::string text = std::to_string(o.code) + " bits " + std::to_string(o.bits) + ":";
    for (int e : o.elements) text += " " + std::to_string(e);
    return text;
}

using Compose = int (*)(int, int, int, int, int, int, int, double *);
using Decompose = int (*)(double, int *, int *, int *, int *, int *, int *, int *);

Outcome composed(Compose compose, const int (&e)[7]) {
    double value = 42;
    Outcome o{compose(e[0], e[1], e[2], e[3], e[4], e[5], e[6], &value), 0, {}};
    std::memcpy(&o.bits, &value, sizeof value);
    return o;
}

Outcome decomposed(Decompose decompose, double value) {
    Outcome o{0, 0, {-7, -7, -7, -7, -7, -7, -7}};
    int *e = o.elements;
    o.code = decompose(value, &e[0], &e[1], &e[2], &e[3], &e[4], &e[5], &e[6]);
    return o;
}

int decomposeWithoutMilli(double value, int *y, int *mo, int *d, int *h, int *mi, int *s, int *) {
    return qes_decompose_date(value, y, mo, d, h, mi, s);
}

int decomposeUnchecked(double value, int *y, int *mo, int *d, int *h, int *mi, int *s, int *ms) {
    qes_date_elements(value, y, mo, d, h, mi, s, ms);
    return 1;
}

std::string inputText(const int (&e)[7]) {
    char text[96];
    std::snprintf(text, sizeof text, "%d-%d-%d %d:%d:%d.%d", e[0], e[1], e[2], e[3], e[4], e[5], e[6]);
    return text;
}

std::string inputText(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%a", v);
    return text;
}

// Counts mismatches with the model, reporting the first few.
class MatchesTheModel : public ::testing::Test {
protected:
    void compose(const int (&e)[7]) {
        check(composed(qes_compose_date_milli, e), composed(model::composeDateMilli, e), e);
        const int date[7] = {e[0], e[1], e[2]};
        check(Outcome{qes_weekday(e[0], e[1], e[2]), 0, {}}, Outcome{model::weekday(e[0], e[1], e[2]), 0, {}},
              date);
    }
    // The value and its neighbours `ulps` steps either way.
    void decompose(double value, int ulps = 0) {
        double down = value, up = value;
        for (int i = 0; i < ulps; ++i) {
            down = std::nextafter(down, -kInfinity);
            up = std::nextafter(up, kInfinity);
        }
        for (double v = down; !(v > up); v = std::nextafter(v, kInfinity)) {
            const Outcome expected = decomposed(model::decomposeDateMilli, v);
            const Outcome ours = decomposed(qes_decompose_date_milli, v);
            check(ours, expected, v);
            Outcome withoutMilli = decomposed(decomposeWithoutMilli, v);
            withoutMilli.elements[6] = ours.elements[6];
            check(withoutMilli, ours, v);
            roundAndTakeApart(v, expected);
            if (!(v == v) || v == up) break;
        }
    }
    // Rounding gives the model's elements composed again, a value that comes
    // apart without the checks into the same elements.
    void roundAndTakeApart(double v, const Outcome &expected) {
        const int *e = expected.elements;
        double value = 42, modelValue = 42;
        Outcome rounded{qes_round_date(v, &value), 0, {}}, modelRounded{0, 0, {}};
        if (expected.code)
            modelRounded.code = model::composeDateMilli(e[0], e[1], e[2], e[3], e[4], e[5], e[6], &modelValue);
        std::memcpy(&rounded.bits, &value, sizeof value);
        std::memcpy(&modelRounded.bits, &modelValue, sizeof modelValue);
        check(rounded, modelRounded, v);
        if (rounded.code) check(decomposed(decomposeUnchecked, value), expected, value);
    }
    void TearDown() override { EXPECT_EQ(mMismatches, 0); }

private:
    template <class Input>
    void check(const Outcome &ours, const Outcome &expected, const Input &input) {
        if (ours == expected || ++mMismatches > 5) return;
        ADD_FAILURE() << inputText(input) << ": " << describe(ours) << " instead of " << describe(expected);
    }
    long mMismatches = 0;
};

// Every day of every year, and the days past the months' ends, at a time
// that runs through the day from one date to the next.
TEST_F(MatchesTheModel, EveryDay) {
    const int times[] = {0, 86399999, 43200000, 1};
    int n = 0;
    for (int y = 0; y <= 10000; ++y)
        for (int mo = 1; mo <= 12; ++mo)
            for (int d = 1; d <= 32; ++d, ++n) {
                const int ms = n % 5 < 4 ? times[n % 5] : int(n * 7919LL % 86400000);
                const int e[7] = {y, mo, d, ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000};
                compose(e);
                double value;
                if (model::composeDateMilli(e[0], e[1], e[2], e[3], e[4], e[5], e[6], &value))
                    decompose(value, ms == 0);  // and the doubles either side of midnight
            }
}

// Every second of a day, at its first and last millisecond, where the
// elements of the time change: before 1899-12-30 and on the last day, whose
// values are coarsest.
TEST_F(MatchesTheModel, EverySecond) {
    for (int y : {1899, 9999})
        for (int second = 0; second < 86400; ++second)
            for (int ms : {0, 999}) {
                double value;
                ASSERT_TRUE(
                    model::composeDateMilli(y, 12, 29, second / 3600, second / 60 % 60, second % 60, ms, &value));
                decompose(value);
            }
}

// Each element just inside and just outside its range, in every combination.
TEST_F(MatchesTheModel, ElementsAtTheirLimits) {
    for (int y : {INT_MIN, -1, 0, 1, 4, 100, 1899, 1900, 2000, 2023, 2024, 9999, 10000, INT_MAX})
        for (int mo : {INT_MIN, -1, 0, 1, 2, 4, 12, 13, INT_MAX})
            for (int d : {INT_MIN, -1, 0, 1, 28, 29, 30, 31, 32, INT_MAX})
                for (int h : {-1, 0, 23, 24, INT_MAX})
                    for (int mi : {-1, 0, 59, 60})
                        for (int s : {INT_MIN, 0, 59, 60})
                            for (int ms : {-1, 0, 999, 1000}) compose({y, mo, d, h, mi, s, ms});
}

// Millisecond and day boundaries on both sides of 1899-12-30 and at both
// ends of the range, with their neighbouring doubles.
TEST_F(MatchesTheModel, ValuesAtBoundaries) {
    for (double day : {kFirstDay - 2.0, kFirstDay - 1.0, double(kFirstDay), kFirstDay + 1.0, -36522.0, -2.0, -1.0,
                       0.0, 1.0, 2.0, 45000.0, kLastDay - 1.0, double(kLastDay), kLastDay + 1.0, kLastDay + 2.0,
                       kLastDay + 3.0}) {
        for (double ms : {0.0, 1.0, 499.0, 500.0, 999.0, 43199999.0, 43200000.0, 86399998.0, 86399999.0}) {
            decompose(day + ms * kMs, 3);
            decompose(day + (ms + 0.5) * kMs, 3);
            decompose(day - (ms + 0.5) * kMs, 3);
        }
        for (double fraction : {0.4999999, 0.5, 0.9999999, 0.99999999999, 1e-9, 1e-300})
            for (double value : {day + fraction, day - fraction}) decompose(value, 2);
    }
    for (double special : {0.0, -0.0, 4.9e-324, -4.9e-324, 2.2250738585072014e-308, -1e-20, 1e300, -1e300,
                           std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(), 9.3e18, -9.3e18,
                           kInfinity, -kInfinity, std::nan(""), -std::nan("")})
        decompose(special, 1);
}

// Random doubles: any bits, any value of the range, half milliseconds and
// values near 0.
TEST_F(MatchesTheModel, RandomValues) {
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> inRange(kFirstDay - 3.0, kLastDay + 3.0), unit(-1.0, 1.0);
    std::uniform_int_distribution<int> dayOf(kFirstDay - 2, kLastDay + 2), msOf(0, 86399999), exponent(0, 1074);
    for (int i = 0; i < 200000; ++i) {
        const std::uint64_t bits = random();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        decompose(any);
        decompose(inRange(random));
        decompose(dayOf(random) + (msOf(random) + 0.5) * kMs, 1);
        decompose(std::ldexp(unit(random), -exponent(random)));
    }
}

}  // namespace
