// QebString's editing where fuzz_string_edit's byte model does not reach:
// trimming that needs no copy or meets the NUL, and case mappings that
// change a character's length; and one case at each edge it does reach.
#include <qeb/qebstring.h>

#include "test_support.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using StringEdit = PoolLeakCheck;

// One row for each edge; fuzz_string_edit checks them all against a model.
TEST_F(StringEdit, EdgesOfSearchPiecesAndEdits) {
    const QebString s("h\xC3\xA9llo"), null;  // 'é' takes two bytes
    const auto n = [](int i) { return std::to_string(i) + " "; };
    QebString spaced("  x  "), none, empty(""), open("a\xE2\x82"), budget;
    const std::pair<std::string, std::string> cases[] = {
        {n(s.find("l", -5)) + n(s.find("l", 3)) + n(s.find("l", 9)) + n(s.find("")) + n(null.find("a")), "2 3 -1 -1 -1 "},
        {n(QebString("\xC3\xA9\xC3\xA9\xC3\xA9").rfind("\xC3\xA9\xC3\xA9")) + n(s.rfind("x")) + n(s.rfind("")) +
             n(null.rfind("a")), "1 -1 -1 -1 "},
        {textAndLength(s.mid(1, 3)), "\xC3\xA9ll/3"}, {textAndLength(s.mid(3, 100)), "lo/2"},
        {textAndLength(s.mid(9, 2)), "/0"},  // empty, not null
        {textAndLength(s.mid(0xFFFFFFFFu, 1)), "/0"}, {textAndLength(null.mid(0, 1)), "<null>"},
        {textAndLength(s.right(4)), "\xC3\xA9llo/4"}, {textAndLength(s.right(-1)), "/0"},
        {textAndLength(s.right(9)), "h\xC3\xA9llo/5"},
        {textAndLength(QebString("banana").replace("a", "b", 2, 1)), "banbna/6"},
        {textAndLength(QebString("banana").replace("", "b")), "banana/6"},
        {textAndLength(QebString("banana").replace("a", "b", 99)), "banana/6"},
        {textAndLength(null.replace("a", "b")), "<null>"},
        {n(spaced.trim(true, false)) + n(spaced.trim(false, false)) + n(none.trim()) + n(none.trimChar('x')), "2 0 0 0 "},
        {n(none.lowercase()) + n(empty.uppercase()), "1 1 "},
        {textAndLength(open.append("\xAC")), "a\xE2\x82\xAC/2"},  // a trail byte completes a character
        {textAndLength(budget.assignBytes("h\xC3\xA9", 2)), "h/1"}, {textAndLength(budget.assignBytes("ab", 9)), "ab/2"},
        {textAndLength(budget.assignBytes("ab\xFF", 9)), "ab/2"},  // up to the byte that is not UTF-8
        {textAndLength(budget.append("x", 0)), "ab/2"},
    };
    for (const auto &[got, want] : cases) EXPECT_EQ(got, want);
    spaced.truncate(9);
    none.truncate(0);
    EXPECT_EQ(textAndLength(spaced) + textAndLength(none), "x  /3<null>");
    QebString x("x");
    x.append(QebString("lit", true)).append("h\xC3\xA9", 5);  // fewer characters than asked
    EXPECT_EQ(textAndLength(x), "xlith\xC3\xA9/6");
}

// In text of one-byte characters positions are offsets; its pieces, empty
// ones from inside it included, end where they do in any other text.
TEST_F(StringEdit, PiecesOfOneByteTextEndWhereCharactersDo) {
    const QebString owned("abcdef"), borrowed("abcdef", true);
    for (const QebString *s : {&owned, &borrowed}) {
        EXPECT_EQ(textAndLength(s->mid(1, 0)) + textAndLength(s->mid(2, 1)) + textAndLength(s->mid(4, 9)) +
                      textAndLength(s->mid(6, 1)) + textAndLength(s->mid(7, 1)) + textAndLength(s->right(2)),
                  "/0c/1ef/2/0/0ef/2");
    }
}

// A string remembers how far its text is known to be well-formed, to find
// later positions fast; every edit after a seek must leave that right. The
// text is longer than the few words fuzz_string_edit's sessions reach.
TEST_F(StringEdit, PositionsStayRightAcrossEditsAfterSeeking) {
    std::vector<std::string> model;
    std::string text;
    for (int i = 0; i < 60; ++i) {
        for (const char *c : {"a", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "b", "c", "d", "e", "f", "g"}) {
            model.push_back(c);
            text += c;
        }
    }
    model.push_back("\xE2\x82");  // cut short: ill-formed
    text += "\xE2\x82";
    QebString s(text.c_str());
    const auto expectModel = [&](const char *after) {
        SCOPED_TRACE(after);
        ASSERT_EQ(s.length(), model.size());
        for (size_t i = model.size(); i-- > 0;) ASSERT_EQ(textOf(s.mid(unsigned(i), 1)), model[i]) << i;
        std::string tail;
        for (size_t i = model.size() / 2; i < model.size(); ++i) tail += model[i];
        EXPECT_EQ(textOf(s.right(int(model.size() - model.size() / 2))), tail);
    };
    expectModel("seeking from the end down");
    s.append("\xAC");  // completes the last character
    model.back() += "\xAC";
    expectModel("an append");
    s.truncate(101);
    model.resize(101);
    expectModel("truncating inside what is known");
    EXPECT_EQ(s.trimChar('a', true, false), 1);
    model.erase(model.begin());
    expectModel("trimming the start");
    const QebString shared = s;
    s.append("x");
    model.push_back("x");
    expectModel("an append to a shared text");
    EXPECT_EQ(s.find("\xE2\x82\xAC", 50), 50 + int(std::find(model.begin() + 50, model.end(), "\xE2\x82\xAC") - model.begin() - 50));
}

// Appending trail bytes recounts only the characters near the join: the
// count must match counting the joined text afresh, whatever sequence the
// old text ends in (up to four trail bytes before it, which a character
// never takes).
TEST_F(StringEdit, TrailBytesAppendedCountLikeTheJoinedText) {
    const char *const ends[] = {"", "a", "\xE2", "\xE2\x82", "\xF0\x9F", "\xF0\x9F\x98",
                                "\x80", "\x80\x80\x80\x80", "a\x80\x80\x80\x80\x80",
                                "\xF0\x9F\x98\x80\x80", "\xE0\x80", "\xC3"};
    const char *const tails[] = {"\x80", "\xAC", "\x82\xAC", "\x98\x80x", "\x80\x80\x80\x80\x80"};
    for (const char *end : ends)
        for (const char *tail : tails) {
            QebString s(end);
            s.append(tail);
            const std::string joined = std::string(end) + tail;
            EXPECT_EQ(s.length(), QebString(joined.c_str()).length()) << testing::PrintToString(joined);
        }
    // replace() makes room for its result before the appends, so the text
    // has no NUL at its end while they count.
    const struct { const char *text, *from, *to, *result; } replacements[] = {
        {"\xF0\x9Fx x", "x", "\x98", "\xF0\x9F\x98 \x98"},
        {"\xE2--\xE2--", "--", "\x82\xAC", "\xE2\x82\xAC\xE2\x82\xAC"},
        {"a\xC3" "bc\xC3" "bc", "bc", "\xA9", "a\xC3\xA9\xC3\xA9"},
    };
    for (const auto &r : replacements) {
        const QebString replaced = QebString(r.text).replace(r.from, r.to, 0, -1);
        EXPECT_STREQ(replaced.asCstr(), r.result);
        EXPECT_EQ(replaced.length(), QebString(r.result).length()) << testing::PrintToString(r.result);
    }
}

TEST_F(StringEdit, TrimmingNothingCopiesNothingAndNeverPassesTheNul) {
    QebString inner("a b"), copy(inner);
    EXPECT_EQ(inner.trim(true, true), 0);
    EXPECT_EQ(QebStringTestAccess::record(inner), QebStringTestAccess::record(copy));
    for (QebString text : {QebString("", true), QebString(""), QebString("a")}) {
        const std::string before = textAndLength(text);
        EXPECT_EQ(text.trimChar(0, true, true), 0);
        EXPECT_EQ(textAndLength(text), before);
    }
}

TEST_F(StringEdit, CaseMappingChangesLengths) {
    QebString s("Stra\xC3\x9F" "e \xC3\x89t\xC3\xA9"), copy(s);
    EXPECT_TRUE(s.uppercase());
    // One character became two; Windows maps one to one.
    EXPECT_EQ(textAndLength(s), kOnWindows ? "STRA\xC3\x9F" "E \xC3\x89T\xC3\x89/10" : "STRASSE \xC3\x89T\xC3\x89/11");
    EXPECT_EQ(textAndLength(copy), "Stra\xC3\x9F" "e \xC3\x89t\xC3\xA9/10");
    EXPECT_TRUE(s.lowercase());
    EXPECT_EQ(textAndLength(s), kOnWindows ? "stra\xC3\x9F" "e \xC3\xA9t\xC3\xA9/10" : "strasse \xC3\xA9t\xC3\xA9/11");
}

}  // namespace
