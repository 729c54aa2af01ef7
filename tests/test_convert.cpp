// Wide text: the converter classes, the free functions and QebString's
// asUCS2/fromUCS2, with every lack-of-memory path.
#include <qeb/qebconvert.h>
#include <qeb/qebstring.h>

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using Convert = PoolLeakCheck;
typedef std::vector<unsigned short> Wide;

static_assert(!std::is_copy_constructible<QeUCToUtf8>::value && !std::is_copy_assignable<QeUCToUtf8>::value &&
                  !std::is_copy_constructible<QeUtf8ToUC>::value && !std::is_copy_assignable<QeUtf8ToUC>::value,
              "a copy could neither share the buffers nor report a failed duplicate");

const std::string kEmoji = "\xF0\x9F\x98\x80";  // U+1F600: D83D DE00 in UTF-16
const std::string kFFFD = "\xEF\xBF\xBD";

Wide toWide(const char *text) {
    QeUtf8ToUC wide;
    EXPECT_TRUE(wide.set(text));
    return Wide(wide.ucString(), wide.ucString() + wide.bufLength());
}

std::string fromWide(const Wide &wide) {
    QebString s;
    s.fromUCS2(wide.data());
    return s.asCstr();
}

std::string throughUCToUtf8(const Wide &units) {
    QeUCToUtf8 narrow;
    EXPECT_TRUE(narrow.set(int(units.size())));
    std::copy(units.begin(), units.end(), narrow.getUCBuffer());
    return narrow.utf8String() ? narrow.utf8String() : "<null>";
}

TEST_F(Convert, Utf8ToUCCountsTheTerminatorAndSplitsNothing) {
    EXPECT_EQ(toWide("h\xC3\xA9"), Wide({'h', 0xE9, 0}));
    EXPECT_EQ(toWide(""), Wide({0}));
    EXPECT_EQ(toWide(("a" + kEmoji).c_str()), Wide({'a', 0xD83D, 0xDE00, 0}));
    QeUtf8ToUC none;
    EXPECT_TRUE(none.set(nullptr));
    EXPECT_EQ(none.bufLength(), 0);
    EXPECT_EQ(none.ucString(), nullptr);
}

TEST_F(Convert, BadInputBecomesReplacementCharacters) {
    // A truncated 3-byte sequence, C0 80 (never well-formed: two), and a
    // 4-byte sequence cut off by the end of the text.
    EXPECT_EQ(toWide("\xE2\x82x\xC0\x80y\xF0\x9F"), Wide({0xFFFD, 'x', 0xFFFD, 0xFFFD, 'y', 0xFFFD, 0}));
    EXPECT_EQ(fromWide({0xDE00, 'a', 0xD83D, 'b', 0xD800, 0}), kFFFD + "a" + kFFFD + "b" + kFFFD);
    EXPECT_EQ(throughUCToUtf8({0xD83D}), kFFFD);
}

TEST_F(Convert, LongTextsRoundTrip) {
    // Long ASCII runs with odd tails, between characters of every length.
    std::string text;
    for (int i = 0; i < 50; ++i) text += std::string(size_t(i % 13), 'x') + "\xC3\xA9\xE6\x97\xA5" + kEmoji;
    const Wide wide = toWide(text.c_str());
    EXPECT_EQ(fromWide(wide), text);
    EXPECT_EQ(throughUCToUtf8(Wide(wide.begin(), wide.end() - 1)), text);
}

TEST_F(Convert, UCToUtf8MakesItsTextOnceUntilTheNextSet) {
    QeUCToUtf8 narrow;
    ASSERT_TRUE(narrow.set(2));
    EXPECT_EQ(narrow.bufLength(), 2);
    narrow.getUCBuffer()[0] = 'h';
    narrow.getUCBuffer()[1] = 0xE9;
    char *text = narrow.utf8String();
    EXPECT_STREQ(text, "h\xC3\xA9");
    narrow.getUCBuffer()[0] = 'X';
    EXPECT_EQ(narrow.utf8String(), text);
    EXPECT_STREQ(text, "h\xC3\xA9");
    ASSERT_TRUE(narrow.set(8));  // a partly filled buffer ends at the units written
    narrow.getUCBuffer()[0] = 0x20AC;
    EXPECT_STREQ(narrow.utf8String(), "\xE2\x82\xAC");
    EXPECT_TRUE(narrow.set(0));
    EXPECT_EQ(narrow.getUCBuffer(), nullptr);
    EXPECT_EQ(narrow.utf8String(), nullptr);
    EXPECT_TRUE(narrow.set(-3));
    EXPECT_EQ(narrow.bufLength(), 0);
}

TEST_F(Convert, ObjectsMadeWithNewReleaseThemselves) {
    QeUCToUtf8 *narrow = new QeUCToUtf8;
    ASSERT_TRUE(narrow->set(4));
    ASSERT_NE(narrow->utf8String(), nullptr);
    narrow->release();
    const QebString null;
    QeUtf8ToUC *wide = null.asUCS2();
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->bufLength(), 1);
    EXPECT_EQ(wide->ucString()[0], 0);
    wide->release();
    wide = QebString("n\xC3\xBC", true).asUCS2();
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(Wide(wide->ucString(), wide->ucString() + 3), Wide({'n', 0xFC, 0}));
    wide->release();
}

TEST_F(Convert, FromUCS2AssignsAndANullWideMakesNull) {
    QebString s("old");
    const Wide pair = {0xD83D, 0xDE00, 'z', 0};
    EXPECT_STREQ(s.fromUCS2(pair.data()).asCstr(), (kEmoji + "z").c_str());
    EXPECT_EQ(s.length(), 2u);
    EXPECT_FALSE(s.fromUCS2(Wide({0}).data()).isNull());
    EXPECT_TRUE(s.fromUCS2(nullptr).isNull());
}

TEST_F(Convert, FreeFunctionsCutAtWholeCharacters) {
    const std::string text = "a" + kEmoji;  // 5 bytes, 3 units
    unsigned short out[4] = {7, 7, 7, 7};
    convertUtf8ToUC(text.c_str(), out, 4);
    EXPECT_EQ(Wide(out, out + 4), Wide({'a', 0xD83D, 0xDE00, 0}));
    std::fill(out, out + 4, 7);
    convertUtf8ToUC(text.c_str(), out, 3);  // one unit too few: the pair stays whole
    EXPECT_EQ(Wide(out, out + 4), Wide({'a', 0, 7, 7}));

    const Wide wide = {'a', 0xD83D, 0xDE00, 0};
    char bytes[7];
    std::memset(bytes, 'z', sizeof bytes);
    convertUCToUtf8(wide.data(), bytes, 6);
    EXPECT_EQ(std::string(bytes, 7), text + std::string("\0z", 2));
    std::memset(bytes, 'z', sizeof bytes);
    convertUCToUtf8(wide.data(), bytes, 5);  // one byte too few
    EXPECT_EQ(std::string(bytes, 3), std::string("a\0z", 3));
    convertUCToUtf8(wide.data(), bytes, 0);
    convertUtf8ToUC(text.c_str(), out, 0);
    EXPECT_EQ(bytes[0], 'a');
    EXPECT_EQ(out[0], 'a');
}

// ---- lack of memory ----------------------------------------------------------------

const char kText[] = "wide \xE2\x82\xAC text";
const Wide kWide = {'w', 0x20AC, 0};

TEST_F(Convert, Utf8ToUCSetFailsEmpty) {
    struct State {
        QeUtf8ToUC wide;
        bool ok = false;
    };
    forEachAllocationFailure([] { return std::make_unique<State>(); },
                             [](std::unique_ptr<State> &s) { s->ok = s->wide.set(kText); },
                             [](std::unique_ptr<State> &s, bool failed) {
                                 EXPECT_EQ(s->ok, !failed);
                                 EXPECT_EQ(s->wide.ucString() == nullptr, failed);
                                 EXPECT_EQ(s->wide.bufLength(), failed ? 0 : 12);
                             });
}

TEST_F(Convert, UCToUtf8SetAndUtf8StringReportFailure) {
    struct State {
        QeUCToUtf8 narrow;
        bool setDone = false;
        const char *text = nullptr;
    };
    forEachAllocationFailure([] { return std::make_unique<State>(); },
                             [](std::unique_ptr<State> &s) {
                                 s->setDone = s->narrow.set(2);
                                 if (!s->setDone) return;
                                 std::copy(kWide.begin(), kWide.end(), s->narrow.getUCBuffer());
                                 s->text = s->narrow.utf8String();
                             },
                             [](std::unique_ptr<State> &s, bool failed) {
                                 EXPECT_EQ(s->narrow.getUCBuffer() != nullptr, s->setDone);
                                 EXPECT_EQ(s->narrow.bufLength(), s->setDone ? 2 : 0);
                                 EXPECT_EQ(s->text == nullptr, failed);
                             });
}

TEST_F(Convert, AsUCS2GivesNullOnFailure) {
    const QebString text(kText, true);
    forEachAllocationFailure([] { return static_cast<QeUtf8ToUC *>(nullptr); },
                             [&text](QeUtf8ToUC *&wide) { wide = text.asUCS2(); },
                             [](QeUtf8ToUC *&wide, bool failed) {
                                 EXPECT_EQ(wide == nullptr, failed);
                                 if (wide) wide->release();
                             });
}

TEST_F(Convert, FromUCS2KeepsTheStringWithoutItsBufferAndElseActsAsAssign) {
    int run = 0;
    forEachAllocationFailure([&run] { return ++run, std::make_unique<QebString>("before"); },
                             [](std::unique_ptr<QebString> &s) { s->fromUCS2(kWide.data()); },
                             [&run](std::unique_ptr<QebString> &s, bool failed) {
                                 if (!failed) {
                                     EXPECT_STREQ(s->asCstr(), "w\xE2\x82\xAC");
                                 } else if (run == 1) {
                                     EXPECT_STREQ(s->asCstr(), "before");
                                 } else {
                                     EXPECT_TRUE(s->isNull());
                                 }
                             });
}

}  // namespace
