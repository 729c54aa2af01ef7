// Wide text: the converter classes, the free functions and QebString's
// asUCS2/fromUCS2, with every lack-of-memory path.
#include <qeb/qebconvert.h>
#include <qeb/qebstring.h>

#include "test_support.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using Convert = PoolLeakCheck;
typedef std::vector<unsigned short> Wide;

const std::string kEmoji = "\xF0\x9F\x98\x80", kFFFD = "\xEF\xBF\xBD";  // U+1F600 is D83D DE00

// The units asUCS2 gives, the terminator included.
Wide toWide(const std::string &text) {
    QeUtf8ToUC *wide = QebString(text.c_str()).asUCS2();
    const Wide units(wide->ucString(), wide->ucString() + wide->bufLength());
    wide->release();
    return units;
}

// QeUCToUtf8's text of the 0-terminated units, made once until the next set;
// fromUCS2 must make the same.
std::string toUtf8(const Wide &units) {
    QeUCToUtf8 *narrow = new QeUCToUtf8;
    EXPECT_TRUE(narrow->set(int(units.size())));  // one unit to spare: the text ends at the units written
    std::copy(units.begin(), units.end() - 1, narrow->getUCBuffer());
    const char *made = narrow->utf8String();
    narrow->getUCBuffer()[0] = 'X';
    EXPECT_EQ(narrow->utf8String(), made);
    const std::string text = made ? made : "<null>";
    narrow->release();  // with its buffers
    EXPECT_EQ(QebString().fromUCS2(units.data()).asCstr(), text);
    return text;
}

// What convert writes from src into `size` elements of a buffer of 7s, up to
// its terminator; the element after them must stay 7.
template <class S, class T>
std::vector<T> converted(void (*convert)(const S *, T *, int), const S *src, int size) {
    std::vector<T> out(size_t(size) + 1, T(7));
    convert(src, out.data(), size);
    EXPECT_EQ(out.back(), T(7)) << "wrote past " << size;
    return std::vector<T>(out.begin(), std::find(out.begin(), out.end() - 1, T(0)) + 1);
}

TEST_F(Convert, BothWaysAndOneUnitTooFew) {
    // Characters of every length between ASCII runs of up to 12; the last run,
    // of 8, meets the end of a buffer one unit short.
    std::string longText;
    for (int i = 0; i < 48; ++i) longText += "\xC3\xA9\xE6\x97\xA5" + kEmoji + std::string(size_t(i % 13), 'x');
    const struct { std::string text; Wide wide; std::string cut; } cases[] = {  // cut: one unit or byte short
        {"h\xC3\xA9", {'h', 0xE9, 0}, "h"}, {"a" + kEmoji, {'a', 0xD83D, 0xDE00, 0}, "a"},
        {longText, toWide(longText), longText.substr(0, longText.size() - 1)},  // round trip only
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(toWide(c.text), c.wide);  // the terminator counts
        EXPECT_EQ(toUtf8(c.wide), c.text);
        for (int shortBy : {0, 1}) {
            const std::string want = shortBy ? c.cut : c.text;
            EXPECT_EQ(converted(convertUtf8ToUC, c.text.c_str(), int(c.wide.size()) - shortBy), toWide(want));
            EXPECT_EQ(converted(convertUCToUtf8, c.wide.data(), int(c.text.size()) + 1 - shortBy),
                      std::vector<char>(want.c_str(), want.c_str() + want.size() + 1));
        }
    }
}

TEST_F(Convert, BadInputNullAndEmpty) {
    // A cut 3-byte sequence, C0 80 and a surrogate (maximal subparts of one byte), a cut 4-byte one.
    EXPECT_EQ(toWide("\xE2\x82x\xC0\x80\xED\xA0\x80y\xF0\x9F"),
              Wide({0xFFFD, 'x', 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 'y', 0xFFFD, 0}));
    EXPECT_EQ(toUtf8({0xDE00, 'a', 0xD83D, 'b', 0xD800, 0}), kFFFD + "a" + kFFFD + "b" + kFFFD);
    EXPECT_EQ(toWide(""), Wide({0}));
    QebString s("old");
    EXPECT_FALSE(s.fromUCS2(Wide({0}).data()).isNull());
    EXPECT_TRUE(s.fromUCS2(nullptr).isNull());
    QeUCToUtf8 narrow;
    EXPECT_TRUE(narrow.set(-3));
    EXPECT_EQ(narrow.bufLength() + !!narrow.getUCBuffer() + !!narrow.utf8String(), 0);
}

TEST_F(Convert, LackOfMemoryIsReportedOnce) {
    const char kText[] = "w\xE2\x82\xAC";
    const Wide kWide = {'w', 0x20AC, 0};
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
            EXPECT_EQ(s->wide.bufLength(), s->wide.ucString() ? 3 : 0);
            EXPECT_EQ(s->narrow.bufLength(), s->narrow.getUCBuffer() ? 2 : 0);
        });
}

}  // namespace
