// QebParse: splitting, names and values, the error message rules, copies and
// lack of memory.
#include <qeb/qebparse.h>

#include "test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Parse = PoolLeakCheck;
typedef std::vector<std::string> Strings;

std::string text(const QebString &s) { return s.isNull() ? "<null>" : s.asCstr(); }

// "name|value" of every attribute.
Strings attributes(QebParse &parser) {
    Strings out;
    QebString name, value;
    for (int i = 0; i < parser.getAttributeCount(); ++i) {
        EXPECT_TRUE(parser.getAttribute(i, &name, &value));
        out.push_back(text(name) + "|" + text(value));
    }
    return out;
}

TEST_F(Parse, SplitsAndNamesAttributes) {
    const struct {
        const char *list;
        Strings expected;
    } cases[] = {
        {"(a=1; b = 2 ;c)", {"a|1", "b| 2 ", "<null>|c"}},
        {"x=(p;q);y={r;s}", {"x|(p;q)", "y|{r;s}"}},
        {"a=(x;{y;(z)};w);b", {"a|(x;{y;(z)};w)", "<null>|b"}},
        {"f(x=1);g{k=1}", {"<null>|f(x=1)", "<null>|g{k=1}"}},
        {"a;;b;", {"<null>|a", "<null>|b"}},
        {"k=;=v;=", {"k|<null>", "<null>|v", "<null>|<null>"}},
        {"a; =v", {"<null>|a", "|v"}},  // the name is empty after trimming, not null
        {"gr\xC3\xB6\xC3\x9F" "e=1", {"gr\xC3\xB6\xC3\x9F" "e|1"}},
        {"\xE2\x80\x83 ( a=b=c )\n", {"a|b=c "}},  // Unicode white space around the list
        {"", {}}, {"()", {}}, {"  ()\t", {}}, {"(;)", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.list);
        QebParse parser;
        EXPECT_TRUE(parser.parse(c.list));
        EXPECT_EQ(attributes(parser), c.expected);
        EXPECT_TRUE(parser.getErrorMessage().isNull());
    }
}

TEST_F(Parse, FailuresAndTheirMessages) {
    const char *kOld = "Invalid index in array";
    const struct {
        const char *list;
        const char *message;  // null: the previous message stays
        Strings expected;
    } cases[] = {
        // The outer bracket is checked before the previous attributes go.
        {"(a", "", {"<null>|old"}},
        {"(", "", {"<null>|old"}},
        {"(a)b", "", {"<null>|old"}},
        // A stray closing bracket: what came before it stays.
        {"a)", "", {}},
        {"x;y;a}b;c", "", {"<null>|x", "<null>|y"}},
        {"(a;b))", "", {"<null>|a"}},
        {"a=(1;2}", "", {}},
        // Brackets left open: the end still ends the last attribute.
        {"a(", nullptr, {"<null>|a("}},
        {"x;b={c;(d}", nullptr, {"<null>|x", "b|{c;(d}"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.list);
        QebParse parser;
        ASSERT_TRUE(parser.parse("old"));
        parser.getAttribute(-1, nullptr, nullptr);
        EXPECT_FALSE(parser.parse(c.list));
        EXPECT_EQ(text(parser.getErrorMessage()), c.message ? c.message : kOld);
        EXPECT_EQ(attributes(parser), c.expected);
    }
    // A success does not clear the message.
    QebParse parser;
    EXPECT_FALSE(parser.parse("a("));
    EXPECT_TRUE(parser.getErrorMessage().isNull());
    EXPECT_FALSE(parser.parse("a)"));
    EXPECT_TRUE(parser.parse("ok"));
    EXPECT_FALSE(parser.getErrorMessage().isNull());
}

TEST_F(Parse, IndexOutOfRangeNullsBothOutputs) {
    QebParse parser;
    ASSERT_TRUE(parser.parse("a=1"));
    for (int index : {-1, 1}) {
        QebString name("n"), value("v");
        EXPECT_FALSE(parser.getAttribute(index, &name, &value));
        EXPECT_TRUE(name.isNull());
        EXPECT_TRUE(value.isNull());
        EXPECT_EQ(text(parser.getErrorMessage()), "Invalid index in array");
    }
}

TEST_F(Parse, CopiesOwnTheirAttributes) {
    QebParse original;
    ASSERT_TRUE(original.parse("a=1;b=2"));
    original.getAttribute(9, nullptr, nullptr);
    QebParse copy(original);
    QebParse assigned;
    assigned = original;
    ASSERT_TRUE(original.parse("z"));
    for (QebParse *p : {&copy, &assigned}) {
        EXPECT_EQ(attributes(*p), Strings({"a|1", "b|2"}));
        EXPECT_EQ(text(p->getErrorMessage()), "Invalid index in array");
    }
    QebParse &self = assigned;
    assigned = self;
    EXPECT_EQ(assigned.getAttributeCount(), 2);
}

TEST_F(Parse, LackOfMemoryIsReported) {
    struct State {
        QebParse parser;
        QebString name, value;
        bool parsed = false, got = false;
    };
    forEachAllocationFailure([] { return std::make_unique<State>(); },
                             [](std::unique_ptr<State> &s) {
                                 s->parsed = s->parser.parse(QebString("x=1; name = value ", true));
                                 if (s->parsed) s->got = s->parser.getAttribute(1, &s->name, &s->value);
                             },
                             [](std::unique_ptr<State> &s, bool failed) {
                                 EXPECT_EQ(s->parsed && s->got, !failed);
                                 if (!s->parsed) {
                                     EXPECT_LT(s->parser.getAttributeCount(), 2);
                                 }
                                 EXPECT_EQ(s->got, !s->name.isNull() && !s->value.isNull());
                                 if (!failed) {
                                     EXPECT_EQ(text(s->name) + "|" + text(s->value), "name| value");
                                 }
                             });
}

}  // namespace
