// Wide text at its edges and with every lack-of-memory path: the converter
// classes, the free functions and QebString's asUCS2/fromUCS2. Conversions
// by every path are fuzz_utf16's.
#include <qeb/qebconvert.h>
#include <qeb/qebstring.h>

#include "test_support.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using Convert = PoolLeakCheck;
typedef std::vector<unsigned short> Wide;

// ASCII runs of every length up to 12 between characters of every length,
// both ways, and cut short inside the last run of x's or the emoji after it.
TEST_F(Convert, RoundTripsAndCutsAtAWholeCharacter) {
    std::string text;
    for (size_t i = 0; i < 13; ++i) text += std::string(i, 'x') + "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    text += "x";
    QeUtf8ToUC *wide = QebString(text.c_str()).asUCS2();
    QeUCToUtf8 narrow;
    ASSERT_TRUE(narrow.set(wide->bufLength()));
    std::copy(wide->ucString(), wide->ucString() + wide->bufLength(), narrow.getUCBuffer());
    const char *made = narrow.utf8String();
    EXPECT_EQ(narrow.utf8String(), made);  // made once until the next set
    EXPECT_EQ(made, text);
    EXPECT_EQ(QebString().fromUCS2(wide->ucString()).asCstr(), text);
    const auto toUtf16 = [&](size_t room) {
        Wide out(room);
        convertUtf8ToUC(text.c_str(), out.data(), int(room));
        return std::string(QebString().fromUCS2(out.data()).asCstr());
    };
    const auto toUtf8 = [&](size_t room) {
        std::vector<char> out(room);
        convertUCToUtf8(wide->ucString(), out.data(), int(room));
        return std::string(out.data());
    };
    const size_t units = size_t(wide->bufLength()), bytes = text.size();
    EXPECT_EQ(toUtf16(units - 8), text.substr(0, bytes - 13));
    EXPECT_EQ(toUtf16(units - 2), text.substr(0, bytes - 5));
    EXPECT_EQ(toUtf8(bytes - 15), text.substr(0, bytes - 16));
    EXPECT_EQ(toUtf8(bytes - 1), text.substr(0, bytes - 5));
    wide->release();
}

// Ill-formed input becomes U+FFFD, one for each maximal subpart.
TEST_F(Convert, IllFormedNullAndEmpty) {
    QeUtf8ToUC *wide = QebString("\xE2\x82x\xC0\x80\xED\xA0\x80y\xF0\x9F" "A\xC3" "A\xC3").asUCS2();
    EXPECT_EQ(Wide(wide->ucString(), wide->ucString() + wide->bufLength()),
              Wide({0xFFFD, 'x', 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 'y', 0xFFFD, 'A', 0xFFFD, 'A', 0xFFFD, 0}));
    wide->release();
    QebString s("old");
    EXPECT_STREQ(s.fromUCS2(Wide({0xDE00, 'a', 0xD83D, 'b', 0xD800, 'c', 0}).data()).asCstr(),
                 "\xEF\xBF\xBD" "a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c");
    EXPECT_FALSE(s.fromUCS2(Wide({0}).data()).isNull());
    EXPECT_TRUE(s.fromUCS2(nullptr).isNull());
    QeUCToUtf8 *narrow = new QeUCToUtf8;  // release() deletes it
    EXPECT_TRUE(narrow->set(-3));
    EXPECT_EQ(narrow->bufLength() + !!narrow->getUCBuffer() + !!narrow->utf8String(), 0);
    narrow->release();
}

TEST_F(Convert, LackOfMemoryIsReportedOnce) {
    const char kText[] = "w\xE2\x82\xAC\xF0\x9F\x98\x80x";
    const Wide kWide = {'w', 0x20AC, 0xD83D, 0xDE00, 'x', 0};
    // Each operation's failure must be reported once, and leave its object empty.
    struct State { QebString from{"before"}; QeUtf8ToUC wide; QeUCToUtf8 narrow; int failures = 0; };
    int run = 0;
    forEachAllocationFailure(
        [&run] { return ++run, std::make_unique<State>(); },
        [&](std::unique_ptr<State> &s) {
            s->from.fromUCS2(kWide.data());
            s->failures = !s->wide.set(kText) + !s->narrow.set(2);
            s->failures += s->narrow.getUCBuffer() && !s->narrow.utf8String();
            QeUtf8ToUC *wide = QebString(kText, true).asUCS2();
            s->failures += !wide;
            if (wide) wide->release();
        },
        [&](std::unique_ptr<State> &s, bool failed) {
            // The conversion's block comes first: the old text stays; when assign's fails, null.
            const std::string from = s->from.isNull() ? "<null>" : s->from.asCstr();
            if (from != kText) {
                EXPECT_EQ(from, run == 1 ? "before" : "<null>");
                ++s->failures;
            }
            EXPECT_EQ(s->failures, failed ? 1 : 0);
            EXPECT_EQ(s->wide.bufLength(), s->wide.ucString() ? 6 : 0);
            EXPECT_EQ(s->narrow.bufLength(), s->narrow.getUCBuffer() ? 2 : 0);
        });
}

}  // namespace
