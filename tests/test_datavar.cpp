#include <qeb/qebdatavar.h>

#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Datavar = PoolLeakCheck;

std::string rawBytes(const QebDatavar &v) {
    unsigned int size = 99;
    const void *raw = v.getRaw(&size);
    return raw ? std::string(static_cast<const char *>(raw), size) : "<null>";
}

QebDatavar real(const char *text) {
    QebDatavar v;
    v.assign(QebReal().assign(text));
    return v;
}

QebDatavar of(const QebDate &date) {
    QebDatavar v;
    v.assign(date);
    return v;
}

template <class T>
QebDatavar of(T value) {
    QebDatavar v;
    v.assign(value);
    return v;
}

TEST_F(Datavar, NullAndStrings) {
    QebDatavar v;
    EXPECT_EQ(v.type(), qebTypeUnknown);
    EXPECT_TRUE(v.isNull());
    EXPECT_EQ(v.length(), -1);
    unsigned int size = 7;
    EXPECT_EQ(v.getRaw(&size), nullptr);
    EXPECT_EQ(size, 0u);

    v.assign("");
    EXPECT_FALSE(v.isNull());
    EXPECT_EQ(v.length(), 0);
    EXPECT_EQ(rawBytes(v), std::string(1, '\0'));

    v.assign("\xC3\xA4" "bc", 2);
    EXPECT_EQ(rawBytes(v), std::string("\xC3\xA4" "b", 4));
    EXPECT_EQ(v.length(), 2);
    v.assign("ab", 5);
    EXPECT_EQ(v.length(), 2);
    EXPECT_EQ(rawBytes(v), std::string("ab", 3));

    v.assignBytes("\xC3\xA4" "bc", 1);
    EXPECT_EQ(v.length(), 0);
    EXPECT_FALSE(v.isNull());
    v.assignBytes("\xC3\xA4" "bc", 2);
    EXPECT_EQ(rawBytes(v), std::string("\xC3\xA4", 3));
    v.assignBytes("a\xFF" "b", 10);
    EXPECT_EQ(rawBytes(v), std::string("a", 2));

    v.assign(QebString());
    EXPECT_TRUE(v.isNull());
    v.assign(QebString("h\xC3\xA9", true));
    EXPECT_EQ(v.length(), 2);
    v.assign(static_cast<const char *>(nullptr));
    EXPECT_TRUE(v.isNull());
}

TEST_F(Datavar, RawForms) {
    EXPECT_EQ(rawBytes(of(-1)), std::string(8, '\xFF'));
    EXPECT_EQ(rawBytes(of(true)), std::string(1, '\x01'));
    EXPECT_EQ(QebDatavar::getRawSizeReq(qebTypeBoolean), 1);
    EXPECT_EQ(QebDatavar::getRawSizeReq(qebTypeString), 0);
    EXPECT_EQ(QebDatavar::getRawSizeReq(qebTypeReal), 24);
    EXPECT_EQ(QebDatavar::getRawSizeReq(static_cast<qebType>(9)), 0);

    QebDatavar v;
    const int four = 5;
    v.assign(qebTypeInteger, &four, 4);
    EXPECT_EQ(v.type(), qebTypeInteger);
    EXPECT_EQ(v.asInt64(), 0);
    v.assign(qebTypeBoolean, &four, 0);
    EXPECT_TRUE(v.isNull());
    v.assign(qebTypeString, nullptr, 3);
    EXPECT_TRUE(v.isNull());
    const char sixteen[16] = {};
    v.assign(qebTypeReal, sixteen, 16);
    EXPECT_EQ(v.type(), qebTypeReal);
    EXPECT_TRUE(v.isNull());

    // Every kind rebuilds from its raw form, also from unaligned bytes.
    const QebDatavar values[] = {of(true), of(1234567890123LL), real("-12.50"),
                                 of("h\xC3\xA9llo"), of(QebDate(2024, 3, 5, 14, 7, 9))};
    for (const QebDatavar &value : values) {
        unsigned int size = 0;
        const void *raw = value.getRaw(&size);
        std::vector<char> unaligned(size + 1);
        std::memcpy(unaligned.data() + 1, raw, size);
        QebDatavar rebuilt;
        rebuilt.assign(value.type(), unaligned.data() + 1, size);
        EXPECT_EQ(rebuilt.type(), value.type());
        EXPECT_EQ(rebuilt.compare(value), 0) << qebTypeToString(value.type());
        EXPECT_EQ(rawBytes(rebuilt), rawBytes(value));
    }
    QebDatavar unknown;
    unknown.assign(qebTypeUnknown, "\x01\x00\x02", 3);
    EXPECT_EQ(rawBytes(unknown), std::string("\x01\x00\x02", 3));
    EXPECT_EQ(unknown.type(), qebTypeUnknown);
    EXPECT_FALSE(unknown.isNull());
}

TEST_F(Datavar, RawTextWithoutItsNulStaysInItsBlock) {
    QebDatavar v;
    v.assign(qebTypeString, "abc", 3);
    EXPECT_EQ(rawBytes(v), std::string("ab", 3));
    EXPECT_EQ(v.length(), 2);
}

TEST_F(Datavar, AssigningItsOwnStorage) {
    QebDatavar v = of("hello world");
    v.assign(static_cast<const char *>(v.getRaw(nullptr)) + 6);
    EXPECT_EQ(rawBytes(v), std::string("world", 6));
    v.assign(static_cast<const char *>(v.getRaw(nullptr)), 3u);
    EXPECT_EQ(rawBytes(v), std::string("wor", 4));
    v.assignBytes(static_cast<const char *>(v.getRaw(nullptr)) + 1, 1);
    EXPECT_EQ(rawBytes(v), std::string("o", 2));
    unsigned int size = 0;
    const void *raw = v.getRaw(&size);
    v.assign(qebTypeUnknown, raw, size);
    EXPECT_EQ(rawBytes(v), std::string("o", 2));

    QebDatavar number = real("2.5");
    raw = number.getRaw(&size);
    number.assign(qebTypeReal, raw, size);
    EXPECT_EQ(number.asString().compare("2.5"), 0);
}

TEST_F(Datavar, CopiesNeverSeeLaterChanges) {
    QebDatavar a = of("abcdef");
    QebDatavar b = a;
    a.assign(5);
    EXPECT_EQ(rawBytes(b), std::string("abcdef", 7));
    QebDatavar c = b;
    c.truncate(3, -1);
    EXPECT_EQ(rawBytes(c), std::string("abc", 4));
    EXPECT_EQ(c.length(), 3);
    EXPECT_EQ(rawBytes(b), std::string("abcdef", 7));
    b = b;
    EXPECT_EQ(b.length(), 6);
}

TEST_F(Datavar, Truncate) {
    QebDatavar v = of("\xC3\xA4" "bc");
    v.truncate(10, 2);
    EXPECT_EQ(rawBytes(v), std::string("\xC3\xA4", 3));
    EXPECT_EQ(v.length(), 1);
    v = of("abc");
    v.truncate(10, -1);
    EXPECT_EQ(rawBytes(v), std::string("abc", 4));
    v.truncate(0, -1);
    EXPECT_EQ(rawBytes(v), std::string(1, '\0'));
    v = of("abc");
    v.truncate(10, -5);  // a nonsensical budget empties the text, never corrupts it
    EXPECT_EQ(rawBytes(v), std::string(1, '\0'));
    EXPECT_EQ(v.length(), 0);
    QebDatavar n = of(123456);
    n.truncate(1, 1);
    EXPECT_EQ(n.asInt64(), 123456);
}

TEST_F(Datavar, NumberConversions) {
    bool failed = true;
    QebDatavar null;
    EXPECT_EQ(null.asInt(&failed), 0);
    EXPECT_FALSE(failed);
    EXPECT_TRUE(null.asString().isNull());
    EXPECT_TRUE(null.asDate().isNull());
    EXPECT_TRUE(null.asReal(&failed).isNull());
    EXPECT_FALSE(failed);

    QebDatavar big = of(4294967297LL);
    EXPECT_EQ(big.asInt(&failed), 1);
    EXPECT_FALSE(failed);
    EXPECT_EQ(big.asInt64(), 4294967297LL);
    EXPECT_EQ(big.asDouble(), 4294967297.0);
    EXPECT_TRUE(big.asDate().isNull());  // no day numbers from integers

    QebDatavar three = real("3000000000");
    EXPECT_EQ(three.asInt(&failed), 0);
    EXPECT_TRUE(failed);
    EXPECT_EQ(three.asInt64(&failed), 3000000000LL);
    EXPECT_FALSE(failed);
    EXPECT_EQ(real("-2.7").asInt(), -3);
    EXPECT_EQ(real("0.5").asBool(&failed), false);
    EXPECT_FALSE(failed);
    EXPECT_EQ(real("2.5").asFloat(), 2.5f);

    QebDatavar text = of(" 42 ");
    EXPECT_EQ(text.asInt(&failed), 42);
    EXPECT_FALSE(failed);
    EXPECT_EQ(of("1.5e3").asDouble(), 1500.0);
    EXPECT_EQ(of("abc").asInt64(&failed), 0);
    EXPECT_TRUE(failed);
    EXPECT_EQ(of("1.5").asInt(&failed), 0);
    EXPECT_TRUE(failed);
    EXPECT_EQ(of("x").asFloat(&failed), 0.0f);
    EXPECT_TRUE(failed);

    QebDatavar date = of(QebDate(2024, 3, 5, 18, 0, 0));
    EXPECT_EQ(date.asInt(), 45356);
    EXPECT_EQ(date.asInt64(), 45356);
    EXPECT_EQ(date.asDouble(), 45356.75);
    EXPECT_EQ(of(QebDate(1800, 1, 1, 12, 0, 0)).asInt(), -36521);  // -36521.5 toward zero

    QebDatavar unknown;
    unknown.assign(qebTypeUnknown, "x", 1);
    EXPECT_EQ(unknown.asInt(&failed), 0);
    EXPECT_TRUE(failed);
    EXPECT_EQ(unknown.asDouble(&failed), 0.0);
    EXPECT_TRUE(failed);
    EXPECT_TRUE(unknown.asReal(&failed).isNull());
    EXPECT_TRUE(failed);
    EXPECT_TRUE(unknown.asString().isNull());
}

TEST_F(Datavar, BooleanConversions) {
    bool failed = false;
    const std::pair<const char *, int> texts[] = {
        {"yes", 1}, {"No", 0}, {"TRUE", 1}, {"false", 0}, {"0", 0}, {"0.5", 0}, {"00", 0},
        {"42", 1}, {"10", 1}, {"7 days", 1}, {"maybe", -1}, {"", -1}, {" 1", -1},
    };
    for (const auto &[text, expected] : texts) {
        const bool value = of(text).asBool(&failed);
        EXPECT_EQ(failed ? -1 : int(value), expected) << '"' << text << '"';
    }
    QebDatavar yes = of(true);
    EXPECT_STREQ(yes.asString().asCstr(), "true");
    EXPECT_EQ(yes.asDouble(), 1.0);
    EXPECT_EQ(yes.asInt(), 1);
    EXPECT_STREQ(yes.asReal().asString().asCstr(), "1");
    EXPECT_STREQ(of(false).asString().asCstr(), "false");
    EXPECT_FALSE(of(QebDate(2024, 1, 1, 0, 0, 0)).asBool(&failed));
    EXPECT_TRUE(failed);
    EXPECT_TRUE(of(-3).asBool());
}

TEST_F(Datavar, TextDateAndRealConversions) {
    EXPECT_STREQ(of(-9007199254740993LL).asString().asCstr(), "-9007199254740993");
    QebDatavar number = real("1.50");
    EXPECT_STREQ(number.asString().asCstr(), "1.5");
    EXPECT_STREQ(of("copy me").asString().asCstr(), "copy me");

    std::setlocale(LC_ALL, "C");
    QebDatavar date = of(QebDate(2024, 3, 5, 14, 7, 9));
    EXPECT_STREQ(date.asString().asCstr(), "03/05/24 14:07:09");
    EXPECT_EQ(date.asDate().compare(QebDate(2024, 3, 5, 14, 7, 9)), 0);
    EXPECT_EQ(of("2024-03-05 14:07:09").asDate().compare(QebDate(2024, 3, 5, 14, 7, 9)), 0);
    EXPECT_TRUE(of("not a date").asDate().isNull());
    EXPECT_EQ(real("45356.75").asDate().compare(QebDate(2024, 3, 5, 18, 0, 0)), 0);

    bool failed = true;
    EXPECT_STREQ(of(12).asReal(&failed).asString().asCstr(), "12");
    EXPECT_FALSE(failed);
    EXPECT_STREQ(of("0.1").asReal().asString().asCstr(), "0.1");
    EXPECT_TRUE(of("abc").asReal(&failed).isNull());
    EXPECT_TRUE(failed);
    EXPECT_STREQ(date.asReal().asString().asCstr(), QebReal(date.asDouble()).asString().asCstr());
}

TEST_F(Datavar, SetType) {
    QebDatavar null;
    EXPECT_FALSE(null.setType(qebTypeString));
    EXPECT_TRUE(null.isNull());

    QebDatavar v = of("12");
    EXPECT_TRUE(v.setType(qebTypeInteger));
    EXPECT_EQ(v.type(), qebTypeInteger);
    EXPECT_EQ(v.asInt64(), 12);
    EXPECT_TRUE(v.setType(qebTypeString));
    EXPECT_EQ(rawBytes(v), std::string("12", 3));
    EXPECT_TRUE(v.setType(qebTypeReal));
    EXPECT_EQ(v.type(), qebTypeReal);
    EXPECT_TRUE(v.setType(qebTypeBoolean));
    EXPECT_EQ(rawBytes(v), std::string(1, '\x01'));
    EXPECT_TRUE(v.setType(qebTypeBoolean));
    EXPECT_FALSE(v.setType(qebTypeUnknown));
    EXPECT_EQ(v.type(), qebTypeBoolean);

    QebDatavar abc = of("abc");
    EXPECT_FALSE(abc.setType(qebTypeInteger));
    EXPECT_EQ(abc.type(), qebTypeInteger);
    EXPECT_EQ(abc.asInt64(), 0);
    abc = of("abc");
    EXPECT_FALSE(abc.setType(qebTypeReal));
    EXPECT_TRUE(abc.isNull());
    QebDatavar five = of(5);
    EXPECT_TRUE(five.setType(qebTypeDate));
    EXPECT_TRUE(five.isNull());
    QebDatavar when = of("2024-03-05");
    EXPECT_TRUE(when.setType(qebTypeDate));
    EXPECT_EQ(when.asInt(), 45356);
    EXPECT_TRUE(when.setType(qebTypeReal));
    EXPECT_STREQ(when.asString().asCstr(), "45356");
}

TEST_F(Datavar, Ordering) {
    QebDatavar null;
    EXPECT_EQ(null.compare(QebDatavar()), 0);
    EXPECT_EQ(null.compare(of(1)), -1);
    EXPECT_EQ(of(1).compare(null), 1);
    EXPECT_EQ(of(false).compare(of(true)), -1);
    EXPECT_EQ(of("ab").compare(of("abc")), -1);
    EXPECT_EQ(of("B").compare(of("a")), -1);
    EXPECT_EQ(of("\xC3\xA9").compare(of("z")), 1);
    EXPECT_EQ(real("1.50").compare(real("1.5")), 0);
    QebDatavar u1, u2;
    u1.assign(qebTypeUnknown, "x", 1);
    u2.assign(qebTypeUnknown, "y", 1);
    EXPECT_EQ(u1.compare(u2), 0);
    EXPECT_EQ(of(1).compare(of("1")), -1);  // by type number, both ways
    EXPECT_EQ(of("1").compare(of(1)), 1);

    std::vector<QebDatavar> values = {of("b"),  of(3),    null,       real("2.5"), of(true),
                                      of("a"),  of(-7),   of(false),  real("-1"),  u1,
                                      of(QebDate(2024, 1, 1, 0, 0, 0)), of(QebDate(1999, 1, 1, 0, 0, 0)),
                                      of(3),    QebDatavar()};
    QebDatavarLess less;
    for (const QebDatavar &a : values) {
        EXPECT_FALSE(less(a, a));
        for (const QebDatavar &b : values) {
            if (less(a, b)) {
                EXPECT_FALSE(less(b, a));
            }
            for (const QebDatavar &c : values)
                if (less(a, b) && less(b, c)) {
                    EXPECT_TRUE(less(a, c));
                }
        }
    }
    std::sort(values.begin(), values.end(), less);
    std::string order;
    for (QebDatavar &v : values) order += std::string(qebTypeToString(v.type())) + ":" +
                                          (v.isNull() ? "null" : v.asString().asCstr()) + " ";
    EXPECT_EQ(order,
              "Unknown:null Unknown:null Unknown: Boolean:false Boolean:true Integer:-7 "
              "Integer:3 Integer:3 Real:-1 Real:2.5 String:a String:b "
              "Date:01/01/99 00:00:00 Date:01/01/24 00:00:00 ");
}

TEST_F(Datavar, LackOfMemory) {
    struct Case {
        const char *name;
        void (*act)(QebDatavar &);
    };
    const Case cases[] = {
        {"text", [](QebDatavar &v) { v.assign("a longer text than before"); }},
        {"chars", [](QebDatavar &v) { v.assign("abcdef", 3u); }},
        {"string", [](QebDatavar &v) { v.assign(QebString("literal", true)); }},
        {"integer", [](QebDatavar &v) { v.assign(7); }},
        {"date", [](QebDatavar &v) { v.assign(QebDate(2024, 1, 1, 0, 0, 0)); }},
        {"raw", [](QebDatavar &v) { v.assign(qebTypeUnknown, "xyz", 3); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (bool shared : {false, true}) {
            struct State {
                QebDatavar value, sharer;
            };
            forEachAllocationFailure(
                [&] {
                    State s;
                    s.value.assign("old");
                    if (shared) s.sharer = s.value;
                    return s;
                },
                [&](State &s) { c.act(s.value); },
                [&](State &s, bool failed) {
                    if (failed) {
                        // Either the new body was refused (unchanged) or the
                        // storage was (null).
                        EXPECT_TRUE(s.value.isNull() || rawBytes(s.value) == std::string("old", 4));
                    } else {
                        EXPECT_FALSE(s.value.isNull());
                    }
                    if (shared) {
                        EXPECT_EQ(rawBytes(s.sharer), std::string("old", 4));
                    }
                });
        }
    }
    struct Shared {
        QebDatavar value, sharer;
    };
    forEachAllocationFailure(
        [] {
            Shared s;
            s.value.assign("abcdef");
            s.sharer = s.value;
            return s;
        },
        [](Shared &s) { s.value.truncate(2, -1); },
        [](Shared &s, bool failed) {
            EXPECT_EQ(s.value.isNull(), failed);
            EXPECT_EQ(rawBytes(s.sharer), std::string("abcdef", 7));
        });
}

}  // namespace
