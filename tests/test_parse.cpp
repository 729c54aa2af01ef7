// QebParse: one list for each rule of splitting, names and values and error
// messages, copies, and lack of memory. fuzz_parse checks the rules against
// a model.
#include <qeb/qebparse.h>

#include "test_support.h"

#include <memory>
#include <vector>

namespace {

using Parse = PoolLeakCheck;
typedef std::vector<std::string> Strings;

// "name|value" of every attribute.
Strings attributes(QebParse &parser) {
    Strings out;
    QebString name, value;
    for (int i = 0; i < parser.getAttributeCount(); ++i) {
        EXPECT_TRUE(parser.getAttribute(i, &name, &value));
        out.push_back(textOf(name) + "|" + textOf(value));
    }
    return out;
}

// Each list is parsed after "old" and an index out of range, which nulls both
// outputs and sets the message; copies made then keep their attributes, and a
// later success keeps the message.
TEST_F(Parse, AttributesFailuresCopiesAndMessages) {
    const char *kKept = "Invalid index in array";
    const struct { const char *list; bool ok; const char *message; Strings want; } cases[] = {
        {"(a=1; b = 2 ;c)", true, kKept, {"a|1", "b| 2 ", "<null>|c"}},
        {"a=(x;{y;(z)};w);b={r;s}", true, kKept, {"a|(x;{y;(z)};w)", "b|{r;s}"}},
        {"f(x=1);g{k=1}", true, kKept, {"<null>|f(x=1)", "<null>|g{k=1}"}},  // a bracket before any '='
        {"k=;=v;=", true, kKept, {"k|<null>", "<null>|v", "<null>|<null>"}},
        {"a; =v", true, kKept, {"<null>|a", "|v"}},  // the name is empty after trimming, not null
        {"", true, kKept, {}}, {"  (;;)\t", true, kKept, {}},  // empty attributes are skipped
        // The outer bracket is checked before the old attributes go.
        {"(a)b", false, "", {"<null>|old"}},
        // A stray closing bracket: what came before it stays.
        {"(a;b))", false, "", {"<null>|a"}}, {"a=(1;2}", false, "", {}},
        // Brackets left open: the end ends the last attribute; the message stays.
        {"x;b={c;(d}", false, kKept, {"<null>|x", "b|{c;(d}"}},
    };
    EXPECT_TRUE(QebParse().getErrorMessage().isNull());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.list);
        QebParse parser, assigned;
        ASSERT_TRUE(parser.parse("old"));
        QebString name("n"), value("v");
        EXPECT_FALSE(parser.getAttribute(1, &name, &value));
        EXPECT_TRUE(name.isNull() && value.isNull());
        EXPECT_EQ(parser.parse(c.list), c.ok);
        QebParse copy(parser);
        assigned = parser;
        assigned = assigned;
        EXPECT_TRUE(parser.parse("ok"));
        for (QebParse *p : {&parser, &copy, &assigned}) EXPECT_EQ(textOf(p->getErrorMessage()), c.message);
        EXPECT_EQ(attributes(copy), c.want);
        EXPECT_EQ(attributes(assigned), c.want);
    }
}

TEST_F(Parse, LackOfMemoryIsReported) {
    struct State { QebParse parser; QebString name, value; bool got = false; };
    forEachAllocationFailure(
        [] { return std::make_unique<State>(); },
        [](std::unique_ptr<State> &s) {
            s->got = s->parser.parse(QebString("x=1; name = value ", true)) &&
                     s->parser.getAttribute(1, &s->name, &s->value);
        },
        [](std::unique_ptr<State> &s, bool failed) {
            EXPECT_EQ(s->got, !failed);
            EXPECT_EQ(s->got, !s->name.isNull() && !s->value.isNull());
            if (s->got) { EXPECT_EQ(textOf(s->name) + "|" + textOf(s->value), "name| value"); }
        });
}

}  // namespace
