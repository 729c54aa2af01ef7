// Lack of memory on every allocation of every string operation: each leaves
// the string in its documented state, and nothing leaks (the fixture counts
// pool blocks, the sanitizer build the rest).
#include <qeb/qebstring.h>

#include "test_support.h"

namespace {

using StringMemory = PoolLeakCheck;

const char kBase[] = " Base Text ";

struct State {
    QebString subject, sharer, result;
    bool failed = false;  // what the operation itself reported
};

// What a failed operation leaves: the subject null, the subject's text as it
// was, or a null result.
enum class OnFailure { SubjectNull, SubjectUnchanged, ResultNull };

// expected: the subject's (or the result's) text on success.
struct Operation { const char *name; void (*act)(State &); OnFailure onFailure; const char *expected; };

const Operation kOperations[] = {
    {"assign", [](State &s) { s.subject.assign("a new, longer text"); }, OnFailure::SubjectNull, "a new, longer text"},
    {"assignChars", [](State &s) { s.subject.assign("new text", 3); }, OnFailure::SubjectNull, "new"},
    {"assignBytes", [](State &s) { s.subject.assignBytes("new text", 4); }, OnFailure::SubjectNull, "new "},
    {"assignInt", [](State &s) { s.subject.assign(42); }, OnFailure::SubjectNull, "42"},
    {"assignDouble", [](State &s) { s.subject.assign(4.25); }, OnFailure::SubjectNull, "4.25"},
    {"truncate", [](State &s) { s.subject.truncate(5); }, OnFailure::SubjectNull, " Base"},
    {"appendText", [](State &s) { s.subject.append("+more text to grow", &s.failed); }, OnFailure::SubjectUnchanged,
     " Base Text +more text to grow"},
    {"appendChars", [](State &s) { s.subject.append("+more", 2, &s.failed); }, OnFailure::SubjectUnchanged, " Base Text +m"},
    {"appendString", [](State &s) { s.subject.append(QebString("+x"), &s.failed); }, OnFailure::SubjectUnchanged, " Base Text +x"},
    {"trim", [](State &s) { s.failed = s.subject.trim(true, true) == 0; }, OnFailure::SubjectUnchanged, "Base Text"},
    {"trimChar", [](State &s) { s.failed = s.subject.trimChar(' ', false, true) == 0; }, OnFailure::SubjectUnchanged, " Base Text"},
    {"lowercase", [](State &s) { s.failed = !s.subject.lowercase(); }, OnFailure::SubjectUnchanged, " base text "},
    {"construct", [](State &s) { s.result = QebString("copied text"); }, OnFailure::ResultNull, "copied text"},
    {"mid", [](State &s) { s.result = s.subject.mid(1, 4); }, OnFailure::ResultNull, "Base"},
    {"right", [](State &s) { s.result = s.subject.right(5); }, OnFailure::ResultNull, "Text "},
    {"replace", [](State &s) { s.result = s.subject.replace(QebString("e", true), QebString("E+", true)); }, OnFailure::ResultNull,
     " BasE+ TE+xt "},
    {"uuid", [](State &s) { s.result = qebGetUUID(); }, OnFailure::ResultNull, nullptr},
};

TEST_F(StringMemory, EveryOperationOnSharedAndBorrowedText) {
    for (const Operation &op : kOperations) {
        for (bool borrowed : {false, true}) {
            SCOPED_TRACE(std::string(op.name) + (borrowed ? " borrowed" : " shared"));
            forEachAllocationFailure(
                [&] {
                    State s;
                    if (borrowed) {
                        s.subject = QebString(kBase, true);
                    } else {
                        s.subject.assign(kBase);
                        s.sharer = s.subject;
                    }
                    return s;
                },
                op.act,
                [&](State &s, bool failed) {
                    EXPECT_TRUE(borrowed || std::string(s.sharer.asCstr()) == kBase);
                    const QebString &out = op.onFailure == OnFailure::ResultNull ? s.result : s.subject;
                    if (!failed) {
                        EXPECT_FALSE(s.failed);
                        EXPECT_TRUE(!op.expected || std::string(out.asCstr()) == op.expected) << out.asCstr();
                        EXPECT_EQ(out.length(), QebString(out.asCstr()).length());
                    } else if (op.onFailure == OnFailure::SubjectUnchanged) {
                        // A borrowed text may have become a private copy before
                        // the change itself failed; the text is the same. A
                        // failed argument leaves nothing to append.
                        EXPECT_STREQ(s.subject.asCstr(), kBase);
                    } else {
                        EXPECT_TRUE(out.isNull());
                    }
                });
        }
    }
}

}  // namespace
