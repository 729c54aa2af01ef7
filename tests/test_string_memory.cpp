// Lack of memory on every allocation of every string operation: each leaves
// the string in its documented state, and nothing leaks (the fixture counts
// pool blocks, the sanitizer build the rest).
#include <qeb/qebstring.h>

#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Access = QebStringTestAccess;
using StringMemory = PoolLeakCheck;

enum class Kind { Unique, Shared, Borrowed, Null };
const Kind kKinds[] = {Kind::Unique, Kind::Shared, Kind::Borrowed, Kind::Null};
const char kBase[] = " Base Text ";

struct State {
    QebString subject;
    QebString sharer;  // holds the subject's record when it is shared
    QebString result;
    bool failed = false;
    int count = 0;
};

State prepare(Kind kind) {
    State s;
    if (kind == Kind::Unique || kind == Kind::Shared) s.subject.assign(kBase);
    if (kind == Kind::Shared) s.sharer = s.subject;
    if (kind == Kind::Borrowed) s.subject = QebString(kBase, true);
    return s;
}

void expectUntouched(const State &s, Kind kind) {
    EXPECT_EQ(s.subject.isNull(), kind == Kind::Null);
    if (kind != Kind::Null) {
        EXPECT_STREQ(s.subject.asCstr(), kBase);
    }
    EXPECT_EQ(Access::isBorrowed(s.subject), kind == Kind::Borrowed);
    if (kind == Kind::Shared) {
        EXPECT_EQ(Access::record(s.subject), Access::record(s.sharer));
    }
}

struct Operation {
    const char *name;
    void (*act)(State &);
    const char *expected;  // the subject's text on success
};

void expectSharerKept(const State &s, Kind kind) {
    if (kind == Kind::Shared) {
        EXPECT_STREQ(s.sharer.asCstr(), kBase);
    }
}

TEST_F(StringMemory, AssignmentsLeaveTheStringNull) {
    const Operation assignments[] = {
        {"assign", [](State &s) { s.subject.assign("a new, longer text"); }, "a new, longer text"},
        {"assignChars", [](State &s) { s.subject.assign("new text", 3); }, "new"},
        {"assignBytes", [](State &s) { s.subject.assignBytes("new text", 4); }, "new "},
        {"assignInt", [](State &s) { s.subject.assign(42); }, "42"},
        {"assignInt64", [](State &s) { s.subject.assign(-42LL); }, "-42"},
        {"assignUInt64", [](State &s) { s.subject.assign(42ULL); }, "42"},
        {"assignDouble", [](State &s) { s.subject.assign(4.25); }, "4.25"},
    };
    for (const Operation &op : assignments) {
        for (Kind kind : kKinds) {
            SCOPED_TRACE(op.name);
            forEachAllocationFailure(
                [&] { return prepare(kind); }, op.act, [&](State &s, bool failed) {
                    EXPECT_EQ(s.subject.isNull(), failed);
                    if (!failed) {
        EXPECT_STREQ(s.subject.asCstr(), op.expected);
    }
                    expectSharerKept(s, kind);
                });
        }
    }
}

TEST_F(StringMemory, AppendsLeaveTheStringUnchanged) {
    const Operation appends[] = {
        {"text", [](State &s) { s.subject.append("+more text to grow", &s.failed); },
         " Base Text +more text to grow"},
        {"chars", [](State &s) { s.subject.append("+more", 2, &s.failed); }, " Base Text +m"},
        {"owned", [](State &s) { s.subject.append(QebString("+x"), &s.failed); }, " Base Text +x"},
        {"borrowed", [](State &s) { s.subject.append(QebString("+b", true), &s.failed); },
         " Base Text +b"},
    };
    for (const Operation &op : appends) {
        for (Kind kind : {Kind::Unique, Kind::Shared, Kind::Borrowed}) {
            SCOPED_TRACE(op.name);
            forEachAllocationFailure(
                [&] { return prepare(kind); }, op.act, [&](State &s, bool failed) {
                    if (!failed) {
                        EXPECT_FALSE(s.failed);
                        EXPECT_STREQ(s.subject.asCstr(), op.expected);
                        EXPECT_EQ(s.subject.length(), QebString(op.expected).length());
                    } else {
                        // A borrowed text may have become a private copy
                        // before the append itself failed; either way the
                        // text is the same. Building the argument may be
                        // what failed, leaving nothing to append.
                        EXPECT_STREQ(s.subject.asCstr(), kBase);
                    }
                    expectSharerKept(s, kind);
                });
        }
    }
}

TEST_F(StringMemory, InPlaceEditsLeaveTheStringUnchangedOrNull) {
    const Operation edits[] = {
        {"trim", [](State &s) { s.count = s.subject.trim(true, true); }, "Base Text"},
        {"trimChar", [](State &s) { s.count = s.subject.trimChar(' ', false, true); }, " Base Text"},
        {"lowercase", [](State &s) { s.failed = !s.subject.lowercase(); }, " base text "},
        {"uppercase", [](State &s) { s.failed = !s.subject.uppercase(); }, " BASE TEXT "},
    };
    for (const Operation &op : edits) {
        for (Kind kind : {Kind::Shared, Kind::Borrowed}) {
            SCOPED_TRACE(op.name);
            forEachAllocationFailure(
                [&] { return prepare(kind); }, op.act, [&](State &s, bool failed) {
                    if (failed) {
                        expectUntouched(s, kind);
                        EXPECT_EQ(s.count, 0);
                        EXPECT_TRUE(s.failed || s.count == 0);
                    } else {
                        EXPECT_STREQ(s.subject.asCstr(), op.expected);
                    }
                    expectSharerKept(s, kind);
                });
        }
    }
    for (Kind kind : {Kind::Shared, Kind::Borrowed}) {
        forEachAllocationFailure(
            [&] { return prepare(kind); }, [](State &s) { s.subject.truncate(5); },
            [&](State &s, bool failed) {
                EXPECT_EQ(s.subject.isNull(), failed);
                if (!failed) {
        EXPECT_STREQ(s.subject.asCstr(), " Base");
    }
                expectSharerKept(s, kind);
            });
    }
}

TEST_F(StringMemory, NewStringsAreNullWhenMemoryRunsOut) {
    const Operation builders[] = {
        {"construct", [](State &s) { s.result = QebString("copied text"); }, "copied text"},
        {"mid", [](State &s) { s.result = s.subject.mid(1, 4); }, "Base"},
        {"right", [](State &s) { s.result = s.subject.right(5); }, "Text "},
        {"replace",
         [](State &s) {
             s.result = s.subject.replace(QebString("e", true), QebString("E and more", true));
         },
         " BasE and more TE and morext "},
        {"uuid", [](State &s) { s.result = qebGetUUID(); }, nullptr},
    };
    for (const Operation &op : builders) {
        for (Kind kind : {Kind::Unique, Kind::Borrowed}) {
            SCOPED_TRACE(op.name);
            forEachAllocationFailure(
                [&] { return prepare(kind); }, op.act, [&](State &s, bool failed) {
                    EXPECT_EQ(s.result.isNull(), failed);
                    if (!failed && op.expected) {
        EXPECT_STREQ(s.result.asCstr(), op.expected);
    }
                    expectUntouched(s, kind);
                });
        }
    }
}

}  // namespace
