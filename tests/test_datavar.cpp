// QebDatavar: assignments of every kind, raw forms, copies, the conversion
// matrix, type changes, the ordering and lack of memory.
#include <qeb/qebdatavar.h>

#include "test_support.h"

#include <algorithm>
#include <cmath>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

using Datavar = PoolLeakCheck;

// "Type:bytes/length", unprintable bytes as \xNN; "Type:null/-1" for null.
std::string show(const QebDatavar &v) {
    std::string text = std::string(qebTypeToString(v.type())) + ":";
    if (v.isNull()) return text + "null/" + std::to_string(v.length());
    unsigned int size = 0;
    const unsigned char *raw = static_cast<const unsigned char *>(v.getRaw(&size));
    for (const unsigned char c : std::string(raw, raw + size)) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, c >= 0x20 && c < 0x7F ? "%c" : "\\x%02x", c);
        text += escaped;
    }
    return text + "/" + std::to_string(v.length());
}

// Every conversion of a value, failures marked with '!'.
std::string conversions(QebDatavar v) {
    bool f[6] = {};
    char text[256];
    const int i = v.asInt(&f[0]);
    const long long l = v.asInt64(&f[1]);
    const double d = v.asDouble(&f[2]);
    const bool b = v.asBool(&f[3]);
    QebReal r = v.asReal(&f[4]);
    const float x = v.asFloat(&f[5]);
    QebDate date = v.asDate();
    std::snprintf(text, sizeof text, "%d%s %lld%s %g%s %g%s %d%s %s%s '%s' %s", i, f[0] ? "!" : "",
                  l, f[1] ? "!" : "", d, f[2] ? "!" : "", double(x), f[5] ? "!" : "", int(b),
                  f[3] ? "!" : "", r.isNull() ? "null" : r.asString().asCstr(), f[4] ? "!" : "",
                  v.asString().isNull() ? "null" : v.asString().asCstr(),
                  date.isNull() ? "nodate" : date.asString(true).asCstr());
    return text;
}

QebDatavar made(const std::function<void(QebDatavar &)> &fill) {
    QebDatavar v;
    fill(v);
    return v;
}

template <class T>
QebDatavar of(const T &value) {
    return made([&](QebDatavar &v) { v.assign(value); });
}

QebDatavar real(const char *text) { return of(QebReal().assign(text)); }

TEST_F(Datavar, Assignments) {
    const int five = 5;
    const char sixteen[16] = {};
    const std::pair<QebDatavar, const char *> cases[] = {
        {QebDatavar(), "Unknown:null/-1"}, {of(""), "String:\\x00/0"},
        {made([](QebDatavar &v) { v.assign("\xC3\xA4" "bc", 2u); }), "String:\\xc3\\xa4b\\x00/2"},
        {made([](QebDatavar &v) { v.assign("ab", 5u); }), "String:ab\\x00/2"},
        {made([](QebDatavar &v) { v.assignBytes("\xC3\xA4" "bc", 1); }), "String:\\x00/0"},
        {made([](QebDatavar &v) { v.assignBytes("\xC3\xA4" "bc", 2); }), "String:\\xc3\\xa4\\x00/1"},
        {made([](QebDatavar &v) { v.assignBytes("a\xFF" "b", 9); }), "String:a\\x00/1"},
        {of(QebString("h\xC3\xA9", true)), "String:h\\xc3\\xa9\\x00/2"},
        {of(QebString()), "Unknown:null/-1"}, {of(static_cast<const char *>(nullptr)), "Unknown:null/-1"},
        {of(-1), "Integer:\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff/-1"}, {of(true), "Boolean:\\x01/-1"},
        {of(QebReal()), "Unknown:null/-1"}, {of(QebDate()), "Unknown:null/-1"},
        {made([&](QebDatavar &v) { v.assign(qebTypeInteger, &five, 4); }),
         "Integer:\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00/-1"},
        {made([&](QebDatavar &v) { v.assign(qebTypeBoolean, &five, 0); }), "Unknown:null/-1"},
        {made([](QebDatavar &v) { v.assign(qebTypeString, nullptr, 3); }), "Unknown:null/-1"},
        {made([&](QebDatavar &v) { v.assign(qebTypeReal, sixteen, 16); }), "Real:null/-1"},
        {made([](QebDatavar &v) { v.assign(qebTypeUnknown, "\x01\x00\x02", 3); }), "Unknown:\\x01\\x00\\x02/-1"},
        // A text without its NUL must stay inside its block.
        {made([](QebDatavar &v) { v.assign(qebTypeString, "abc", 3); }), "String:ab\\x00/2"},
    };
    for (const auto &[value, expected] : cases) EXPECT_EQ(show(value), expected);
    EXPECT_EQ(QebDatavar::getRawSizeReq(qebTypeBoolean), 1);
    EXPECT_EQ(QebDatavar::getRawSizeReq(qebTypeReal), 24);
    EXPECT_EQ(QebDatavar::getRawSizeReq(qebTypeString), 0);
}

TEST_F(Datavar, RawFormsRebuildEveryKindFromUnalignedBytes) {
    for (const QebDatavar &value : {of(true), of(1234567890123LL), real("-12.50"),
                                    of("h\xC3\xA9llo"), of(QebDate(2024, 3, 5, 14, 7, 9))}) {
        unsigned int size = 0;
        const void *raw = value.getRaw(&size);
        std::vector<char> unaligned(size + 1);
        std::memcpy(unaligned.data() + 1, raw, size);
        QebDatavar rebuilt;
        rebuilt.assign(value.type(), unaligned.data() + 1, size);
        EXPECT_EQ(show(rebuilt), show(value));
    }
}

TEST_F(Datavar, AssigningItsOwnStorage) {
    QebDatavar v = of("hello world");
    v.assign(static_cast<const char *>(v.getRaw(nullptr)) + 6);
    v.assign(static_cast<const char *>(v.getRaw(nullptr)), 3u);
    v.assignBytes(static_cast<const char *>(v.getRaw(nullptr)) + 1, 1);
    EXPECT_EQ(show(v), "String:o\\x00/1");
    unsigned int size = 0;
    const void *raw = v.getRaw(&size);
    v.assign(qebTypeUnknown, raw, size);
    EXPECT_EQ(show(v), "Unknown:o\\x00/-1");
    QebDatavar number = real("2.5");
    raw = number.getRaw(&size);
    number.assign(qebTypeReal, raw, size);
    EXPECT_STREQ(number.asString().asCstr(), "2.5");
}

TEST_F(Datavar, TruncateCutsWholeCharacters) {
    const struct { int chars, bytes; const char *after; } cases[] = {
        {10, 2, "String:\\xc3\\xa4\\x00/1"}, {10, -1, "String:\\xc3\\xa4bc\\x00/3"},
        {0, -1, "String:\\x00/0"}, {10, -5, "String:\\x00/0"},
    };
    for (const auto &c : cases) {
        QebDatavar v = of("\xC3\xA4" "bc");
        v.truncate(c.chars, c.bytes);
        EXPECT_EQ(show(v), c.after) << c.chars << "/" << c.bytes;
    }
    QebDatavar n = of(123456);
    n.truncate(1, 1);  // only text is cut
    EXPECT_EQ(n.asInt64(), 123456);
}

TEST_F(Datavar, ConversionMatrix) {
    std::setlocale(LC_ALL, "C");
    QebDatavar unknown = made([](QebDatavar &v) { v.assign(qebTypeUnknown, "x", 1); });
    // int, int64, double, float, bool, real, string, date
    // A date's text is the locale's (the user's on Windows), as QebDate writes it.
    const QebDate evening(2024, 3, 5, 18, 0, 0);
    const std::string eveningText = evening.asString(false).asCstr();
    const std::pair<QebDatavar, std::string> rows[] = {
        {QebDatavar(), "0 0 0 0 0 null 'null' nodate"},
        {of(true), "1 1 1 1 1 1 'true' nodate"},
        {of(false), "0 0 0 0 0 0 'false' nodate"},
        {of(4294967297LL), "1 4294967297 4.29497e+09 4.29497e+09 1 4294967297 '4294967297' nodate"},
        {real("3000000000"), "0! 3000000000 3e+09 3e+09 1 3000000000 '3000000000' nodate"},
        {real("-2.7"), "-3 -3 -2.7 -2.7 1 -2.7 '-2.7' 1899-12-27 07:12:00"},
        {real("0.5"), "0 0 0.5 0.5 0 0.5 '0.5' 1899-12-30 12:00:00"},
        {of(" 42 "), "42 42 42 42 0! null! ' 42 ' nodate"},  // asBool reads the first byte
        {of("1.5e3"), "0! 0! 1500 1500 1 1500 '1.5e3' nodate"},
        {of("yes"), "0! 0! 0! 0! 1 null! 'yes' nodate"},
        {of("No"), "0! 0! 0! 0! 0 null! 'No' nodate"},
        {of("0.5"), "0! 0! 0.5 0.5 0 0.5 '0.5' nodate"},
        {of("7 days"), "0! 0! 0! 0! 1 null! '7 days' nodate"},
        {of(""), "0! 0! 0! 0! 0! null! '' nodate"},
        {of("2024-03-05 14:07:09"), "0! 0! 0! 0! 1 null! '2024-03-05 14:07:09' 2024-03-05 14:07:09"},
        {of(evening), "45356 45356 45356.8 45356.8 0! 45356.75 '" + eveningText + "' 2024-03-05 18:00:00"},
        {of(QebDate(1800, 1, 1, 12, 0, 0)), "-36521 -36521 -36521.5 -36521.5 0! -36521.5 'null' 1800-01-01 12:00:00"},
        {unknown, "0! 0! 0! 0! 0! null! 'null' nodate"},
    };
    for (const auto &[value, expected] : rows) EXPECT_EQ(conversions(value), expected);
}

TEST_F(Datavar, SetType) {
    struct Case { QebDatavar value; qebType target; bool result; const char *after; };
    const Case cases[] = {
        {QebDatavar(), qebTypeString, false, "Unknown:null/-1"}, {of(12), qebTypeString, true, "String:12\\x00/2"},
        {of("12"), qebTypeInteger, true, "Integer:\\x0c\\x00\\x00\\x00\\x00\\x00\\x00\\x00/-1"},
        {of("yes"), qebTypeBoolean, true, "Boolean:\\x01/-1"}, {of(true), qebTypeBoolean, true, "Boolean:\\x01/-1"},
        {of(true), qebTypeUnknown, false, "Boolean:\\x01/-1"},
        {of("abc"), qebTypeInteger, false, "Integer:\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00/-1"},
        {of("abc"), qebTypeReal, false, "Unknown:null/-1"}, {of(5), qebTypeDate, true, "Unknown:null/-1"},
    };
    for (Case c : cases) {
        EXPECT_EQ(c.value.setType(c.target), c.result) << c.after;
        EXPECT_EQ(show(c.value), c.after);
    }
    QebDatavar when = of("2024-03-05");
    EXPECT_TRUE(when.setType(qebTypeDate));
    EXPECT_TRUE(when.setType(qebTypeReal));
    EXPECT_STREQ(when.asString().asCstr(), "45356");
}

TEST_F(Datavar, OrderingIsStrictAndWeakAcrossKinds) {
    QebDatavar u1 = made([](QebDatavar &v) { v.assign(qebTypeUnknown, "x", 1); });
    QebDatavar u2 = made([](QebDatavar &v) { v.assign(qebTypeUnknown, "y", 1); });
    EXPECT_EQ(u1.compare(u2), 0);
    EXPECT_EQ(of("B").compare(of("a")), -1);  // bytes, not letters
    EXPECT_EQ(of("\xC3\xA9").compare(of("z")), 1);
    EXPECT_EQ(real("1.50").compare(real("1.5")), 0);
    std::vector<QebDatavar> values = {
        of("b"), of(3),  QebDatavar(), real("2.5"), of(true),  of("a"),  of(-7),  of(false),
        real("-1"), u1, of(QebDate(2024, 1, 1, 0, 0, 0)), of(QebDate(1999, 1, 1, 0, 0, 0)), of(3),
        of("ab"), QebDatavar(),
        // A null number or date orders first within its type.
        made([](QebDatavar &v) { v.assign(std::nan("")); }),
        made([](QebDatavar &v) { v.assign(qebTypeReal, "short", 5); }),
        made([](QebDatavar &v) { const double nan = std::nan(""); v.assign(qebTypeDate, &nan, 8); }),
    };
    QebDatavarLess less;
    const auto equivalent = [&less](const QebDatavar &a, const QebDatavar &b) { return !less(a, b) && !less(b, a); };
    for (const QebDatavar &a : values) {
        EXPECT_FALSE(less(a, a));
        for (const QebDatavar &b : values) {
            EXPECT_FALSE(less(a, b) && less(b, a));
            for (const QebDatavar &c : values) {
                EXPECT_FALSE(less(a, b) && less(b, c) && !less(a, c));
                EXPECT_FALSE(equivalent(a, b) && equivalent(b, c) && !equivalent(a, c));
            }
        }
    }
    std::sort(values.begin(), values.end(), less);
    std::string order;
    for (QebDatavar &v : values)
        order += std::string(qebTypeToString(v.type())) + ":" +
                 (v.isNull() ? "null" : v.type() == qebTypeDate ? v.asDate().asString(true).asCstr() : v.asString().asCstr()) +
                 " ";
    EXPECT_EQ(order, "Unknown:null Unknown:null Unknown: Boolean:false Boolean:true Integer:-7 Integer:3 "
              "Integer:3 Real:null Real:null Real:-1 Real:2.5 String:a String:ab String:b "
              "Date: Date:1999-01-01 00:00:00 Date:2024-01-01 00:00:00 ");
}

TEST_F(Datavar, LackOfMemoryLeavesTheValueUnchangedOrNull) {
    const std::function<void(QebDatavar &)> assignments[] = {
        [](QebDatavar &v) { v.assign("a longer text than before"); },
        [](QebDatavar &v) { v.assign(QebString("literal", true)); },
        [](QebDatavar &v) { v.assign(7); },
        [](QebDatavar &v) { v.assign(QebDate(2024, 1, 1, 0, 0, 0)); },
        [](QebDatavar &v) { v.truncate(2, -1); },
    };
    struct State {
        QebDatavar value, sharer;
    };
    for (const auto &act : assignments) {
        for (bool shared : {false, true}) {
            forEachAllocationFailure(
                [&] {
                    State s;
                    s.value.assign("old");
                    if (shared) s.sharer = s.value;
                    return s;
                },
                [&](State &s) { act(s.value); },
                [&](State &s, bool failed) {
                    // The new body refused: unchanged; its storage refused: null.
                    EXPECT_TRUE(s.value.isNull() ? failed : !failed || show(s.value) == "String:old\\x00/3");
                    EXPECT_TRUE(!shared || show(s.sharer) == "String:old\\x00/3");
                });
        }
    }
}

}  // namespace
